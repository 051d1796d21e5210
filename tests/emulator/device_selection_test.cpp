// The device switch: the in-process unit for "emulator", the device layer's transports otherwise.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include "emulator/device_factory.h"

#include "unit_test_util.h"

namespace tolva::emulator {
namespace {

TEST(DeviceSelectionTest, EmulatorGivesAWorkingInProcessUnit) {
  FakeClock clock;
  EmulatorOptions options;
  options.faults.model = 12;
  DeviceSelection s = SelectDevice(std::string("emulator"), options, clock);
  ASSERT_TRUE(s.factory);
  ASSERT_TRUE(s.emulated_unit);
  EXPECT_TRUE(s.is_emulated);
  auto t = s.factory();
  ASSERT_TRUE(t->Open(device::kUnitVendorId, device::kUnitProductId));
  ASSERT_EQ(t->Write(testing::Request(3, 0x08, 0xBB)), 65);
  InputReport r{};
  ASSERT_EQ(t->ReadTimeout(r, 100), 64);
  EXPECT_EQ(testing::Parse(r).data[1], 12);
}

TEST(DeviceSelectionTest, OtherChoicesAndMistakes) {
  for (const char* choice : {"hid", "socket:/tmp/nowhere.sock"}) {
    DeviceSelection s = SelectDevice(std::string(choice));
    EXPECT_TRUE(s.factory) << choice;
    EXPECT_FALSE(s.is_emulated);
    EXPECT_FALSE(s.emulated_unit);
  }
  for (const char* choice : {"", "usb", "socket:", "Emulator"}) {
    std::string error;
    EXPECT_FALSE(SelectTransport(choice, {}, &error)) << choice;
    EXPECT_NE(error.find("unknown device"), std::string::npos);
  }
  const char* argv[] = {"tolva-dsp", "--device=emulator"};
  EXPECT_TRUE(SelectDeviceFromCommandLine(2, argv).is_emulated);
  const char* bad[] = {"tolva-dsp", "--device", "serial"};
  EXPECT_FALSE(SelectDeviceFromCommandLine(3, bad).factory);
}

TEST(DeviceSelectionTest, ADamagedStateFileIsReportedNotReplaced) {
  const std::string path = ::testing::TempDir() + "/tolva_selection_state.json";
  { std::ofstream(path) << "{"; }
  EmulatorOptions options;
  options.state_file = path;
  DeviceSelection s = SelectDevice(std::string("emulator"), options);
  EXPECT_FALSE(s.factory);
  EXPECT_FALSE(s.error.empty());
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tolva::emulator
