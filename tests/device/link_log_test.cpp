// The trace: frames byte by byte, queued commands logged, unsent ones logged at destruction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/debug_print.h"
#include "device/link_fixture.h"

namespace tolva::device::testing {
namespace {

// save.log is UTF-16LE; the link's lines are ASCII.
std::string ReadAsciiLog(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) text.push_back(raw[i]);
  return text;
}

TEST(LinkLog, FramesAndQueuedCommandsAreTraced) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "tolva_device_link_log_test.log").string();
  ASSERT_TRUE(InitConsoleWindow(path));
  {
    tolva::FakeClock clock;
    auto script = std::make_shared<Script>();
    script->clock = &clock;
    DspLink link(MakeScriptedFactory(script), clock);
    ASSERT_EQ(link.OpenHIDDevice(), 0);
    script->QueueReply(1, 0x02, 0xDD, {0xFB});
    link.Get_Main_Volume();
    script->HoldReads();
    link.EnableCommandQueue();
    link.Mute_Ctrl(1, false);
    ASSERT_TRUE(script->WaitForHeldRead());
    link.Mute_Ch_Ctrl(0, 0, 2, 2, std::vector<int>{1}, false);  // still queued at destruction
    script->ReleaseReads();
  }
  CloseConsoleWindow();
  const std::string log = ReadAsciiLog(path);
  std::filesystem::remove(path);

  EXPECT_NE(log.find("Manufacturer String: Scripted"), std::string::npos);
  // The command thread's own start line may land between the header and the bytes.
  EXPECT_NE(log.find("begain to write data to devices:"), std::string::npos);
  EXPECT_NE(log.find("00aa550301026694000000"), std::string::npos);
  EXPECT_NE(log.find("read data:aa55040102ddfb"), std::string::npos);
  EXPECT_NE(log.find("DSP_VOLUME OP=0xdd, MVol = -5"), std::string::npos);
  EXPECT_NE(log.find("get mcmd 0x01 subcmd 0x04 optype 0xbb len 0x01cmd_data[0](0x01)"),
            std::string::npos);
  const auto end = log.find("McuCmdThread end");
  const auto unsent = log.find("get mcmd 0x01 subcmd 0x09 optype 0xbb len 0x05");
  ASSERT_NE(end, std::string::npos);
  ASSERT_NE(unsent, std::string::npos) << "queued commands are logged when freed unsent";
  EXPECT_LT(unsent, end);
}

}  // namespace
}  // namespace tolva::device::testing
