// The unit's memory on disk, its options, and the in-process transport around it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "emulator/emulator_options.h"
#include "emulator/emulator_transport.h"
#include "unit_test_util.h"

namespace tolva::emulator {
namespace {

using namespace testing;
namespace fs = std::filesystem;

UnitState Unusual() {
  UnitState u = FactoryState();
  u.main_volume_db = -60;
  u.source_code = 0x56;
  u.karaoke[4] = 300;
  u.scenes[3].outputs[2].bands[7] = {8000, 893, 5};
  u.scenes[10].outputs[5].delay_us = 7359;
  u.scenes[0].outputs[0].trim_db = -12;
  u.scenes[1].mix_trim[5][3][4] = 7;
  u.scenes[2].link_data = {0, 1, 2, 3, 4, 5, 0, 0};
  u.names[9] = {'Z', 0};
  return u;
}

fs::path TempDir() {
  const fs::path dir =
      fs::temp_directory_path() / ("tolva_emu_" + std::to_string(::getpid()) + "_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(UnitStateFile, RoundTripsEveryKindOfValue) {
  const UnitState u = Unusual();
  UnitState back;
  std::string error;
  ASSERT_TRUE(FromJson(ToJson(u), back, &error)) << error;
  EXPECT_EQ(ToJson(back), ToJson(u));
  EXPECT_EQ(back.scenes[3].outputs[2].bands[7].q_hundredths, 893);
  EXPECT_EQ(back.names[9][0], 'Z');
  EXPECT_EQ(back.names[0][0], 0xFF);
}

TEST(UnitStateFile, RejectsDamagedTextAndKeepsTheMemory) {
  const std::string good = ToJson(FactoryState());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  const std::vector<std::string> bad = {
      "",
      "[]",
      "{\"format\":\"something else\"}",
      good.substr(0, good.size() / 2),
      replaced("\"version\":\t1", "\"version\":\t2"),
      replaced("\"mainVolume\":\t-5", "\"mainVolume\":\t-500"),
      replaced("\"mainVolume\":\t-5", "\"mainVolume\":\t-5.5"),
      replaced("\"role\":\t6", "\"role\":\t\"six\""),
      replaced("\"currentScene\":\t0", "\"currentScene\":\t11"),
      replaced("ffffffffffffffffffffffffffffffff", "ffff"),
      replaced("ffffffffffffffffffffffffffffffff", "zzffffffffffffffffffffffffffffff"),
      replaced("\"linkData\":\t[0, 0, 0, 0, 0, 0, 0, 0]", "\"linkData\":\t[0]"),
  };
  for (const std::string& text : bad) {
    UnitState state = Unusual();
    std::string error;
    EXPECT_FALSE(FromJson(text, state, &error)) << text.substr(0, 80);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(state.main_volume_db, -60);
  }
}

TEST(UnitStateFile, MissingMembersKeepFactoryValues) {
  UnitState state = Unusual();
  ASSERT_TRUE(FromJson(R"({"format":"tolva-dsp-emulator-state","version":1,"mainMute":1})", state,
                       nullptr));
  EXPECT_EQ(state.main_mute, 1);
  EXPECT_EQ(state.main_volume_db, -5);
  EXPECT_EQ(state.scenes[4].outputs[4].hp.freq, 30);
}

TEST(UnitStateFile, SavesAtomicallyAndLoads) {
  const fs::path dir = TempDir();
  const std::string path = (dir / "unit.json").string();
  UnitState state;
  bool found = true;
  ASSERT_TRUE(LoadStateFile(path, state, &found, nullptr));
  EXPECT_FALSE(found);
  ASSERT_TRUE(SaveStateFile(path, Unusual(), nullptr));
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  ASSERT_TRUE(LoadStateFile(path, state, &found, nullptr));
  EXPECT_TRUE(found);
  EXPECT_EQ(ToJson(state), ToJson(Unusual()));
  std::string error;
  EXPECT_FALSE(SaveStateFile((dir / "no" / "such.json").string(), state, &error));
  EXPECT_FALSE(error.empty());
  fs::remove_all(dir);
}

TEST(UnitStateFile, DeviceKeepsItsFlashAcrossInstancesAndRefusesADamagedFile) {
  const fs::path dir = TempDir();
  EmulatorOptions options;
  options.state_file = (dir / "unit.json").string();
  {
    EmulatedDevice device(options);
    ASSERT_TRUE(device.LoadState(nullptr));
    device.Handle(Request(2, 0x0B, 0xBB, {2, 2, 'o', 'k'}));  // written at once: flash changed
    ASSERT_TRUE(fs::exists(options.state_file));
    device.Handle(Request(1, 0x02, 0xBB, {26}));  // written when the device goes
  }
  {
    EmulatedDevice device(options);
    ASSERT_TRUE(device.LoadState(nullptr));
    EXPECT_EQ(device.Snapshot().names[1][0], 'o');
    EXPECT_EQ(device.Snapshot().main_volume_db, -20);
  }
  std::ofstream(options.state_file) << "{ damaged";
  EmulatedDevice device(options);
  std::string error;
  EXPECT_FALSE(device.LoadState(&error));
  EXPECT_NE(error.find("unit.json"), std::string::npos);
  device.Handle(Request(2, 0x0A, 0xBB, {1}));  // flash changes, but the file stays as it was
  EXPECT_TRUE(device.SaveState(nullptr));
  std::ifstream in(options.state_file);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == "{ damaged");
  fs::remove_all(dir);
}

TEST(EmulatorOptionsParse, ReadsEveryOptionAndRefusesBadOnes) {
  EmulatorOptions o;
  std::string error;
  ASSERT_TRUE(ParseEmulatorArgs({"--socket",
                                 "/tmp/u",
                                 "--state=s.json",
                                 "--latency",
                                 "20",
                                 "--no-reply",
                                 "1:0x05",
                                 "--bad-checksum=1:*",
                                 "--split",
                                 "2:11",
                                 "--two-frames",
                                 "1:2",
                                 "--not-ready",
                                 "0x02:0x08",
                                 "--abnormal-handshake",
                                 "--model",
                                 "12",
                                 "--unplug-after",
                                 "5",
                                 "--unsolicited",
                                 "3",
                                 "--reboot-ms",
                                 "10"},
                                o, &error))
      << error;
  EXPECT_EQ(o.socket_path, "/tmp/u");
  EXPECT_EQ(o.state_file, "s.json");
  EXPECT_EQ(o.faults.latency_ms, 20);
  EXPECT_TRUE(o.faults.no_reply->Matches(1, 5));
  EXPECT_FALSE(o.faults.no_reply->Matches(1, 6));
  EXPECT_TRUE(o.faults.bad_checksum->Matches(1, 0x77));
  EXPECT_FALSE(o.faults.bad_checksum->Matches(2, 0x77));
  EXPECT_TRUE(o.faults.split_reply->Matches(2, 11));
  EXPECT_TRUE(o.faults.not_ready->Matches(2, 8));
  EXPECT_TRUE(o.faults.abnormal_handshake);
  EXPECT_EQ(o.faults.model, 12);
  EXPECT_EQ(o.faults.unplug_after, 5);
  EXPECT_EQ(o.faults.unsolicited_every, 3);
  EXPECT_EQ(o.faults.reboot_ms, 10);

  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--latency"},
                                             {"--latency", "-1"},
                                             {"--latency", "1x"},
                                             {"--no-reply", "1"},
                                             {"--no-reply", "1:0x100"},
                                             {"--no-reply", ":5"},
                                             {"--abnormal-handshake=1"},
                                             {"--socket", ""}}) {
    EmulatorOptions other;
    EXPECT_FALSE(ParseEmulatorArgs(bad, other, &error)) << bad[0];
  }
  EXPECT_EQ(FormatCommandKey(*ParseCommandKey("1:0x0b")), "1:0x0b");
  EXPECT_EQ(FormatCommandKey(*ParseCommandKey("7:*")), "7:*");
}

class EmulatorTransportTest : public ::testing::Test {
 protected:
  std::shared_ptr<EmulatedDevice> Device(Faults faults = {}) {
    EmulatorOptions options;
    options.faults = faults;
    return std::make_shared<EmulatedDevice>(options, clock_);
  }
  static std::unique_ptr<device::Transport> Opened(const std::shared_ptr<EmulatedDevice>& d) {
    auto t = MakeEmulatorTransportFactory(d)();
    EXPECT_TRUE(t->Open(0x0483, 0x5750));
    return t;
  }
  static int Read(device::Transport& t, int timeout, InputReport* out = nullptr) {
    InputReport buf{};
    const int n = t.ReadTimeout(buf, timeout);
    if (out) *out = buf;
    return n;
  }
  FakeClock clock_;
};

TEST_F(EmulatorTransportTest, OpensOnlyTheUnitsIdsAndDescribesItself) {
  auto device = Device();
  auto t = MakeEmulatorTransportFactory(device)();
  EXPECT_FALSE(t->IsOpen());
  EXPECT_FALSE(t->ManufacturerString());
  EXPECT_FALSE(t->Open(0x0483, 0x5751));
  EXPECT_EQ(t->Write(Request(1, 2, 0x66)), -1);
  EXPECT_EQ(Read(*t, 100), -1);
  ASSERT_TRUE(t->Open(0x0483, 0x5750));
  EXPECT_EQ(t->Init(), 0);
  EXPECT_EQ(t->SetNonBlocking(true), 0);
  EXPECT_EQ(*t->ManufacturerString(), L"Tolva");
  EXPECT_EQ(*t->ProductString(), L"DSP emulator");
  EXPECT_EQ(*t->SerialNumberString(), L"");
  EXPECT_EQ(*t->IndexedString(1), L"Tolva");
  EXPECT_EQ(t->Write(std::vector<std::uint8_t>(64)), -1);
}

TEST_F(EmulatorTransportTest, HandsOutRepliesInOrderAndTimesOutWithoutThem) {
  auto t = Opened(Device());
  ASSERT_EQ(t->Write(Request(1, 0x02, 0x66)), 65);
  ASSERT_EQ(t->Write(Request(1, 0x04, 0x66)), 65);
  InputReport r;
  EXPECT_EQ(Read(*t, 10000, &r), 64);
  EXPECT_EQ(FrameHex(r), "AA 55 04 01 02 DD FB 21");
  EXPECT_EQ(Read(*t, 10000, &r), 64);
  EXPECT_EQ(Parse(r).sub, 0x04);
  const auto before = clock_.NowMs();
  ASSERT_EQ(t->Write(Request(3, 0x1F, 0xBB, {1})), 65);  // never answered
  EXPECT_EQ(Read(*t, 10000), 0);
  EXPECT_EQ(clock_.NowMs() - before, 10000);
}

TEST_F(EmulatorTransportTest, LatencyDelaysEachReport) {
  Faults f;
  f.latency_ms = 40;
  f.split_reply = CommandKey{1, 0x02};
  auto t = Opened(Device(f));
  const auto start = clock_.NowMs();
  t->Write(Request(1, 0x02, 0x66));
  EXPECT_EQ(Read(*t, 30), 0);  // not there yet
  EXPECT_EQ(Read(*t, 1000), 64);
  EXPECT_EQ(clock_.NowMs() - start, 40);
  EXPECT_EQ(Read(*t, 1000), 64);
  EXPECT_EQ(clock_.NowMs() - start, 80);
}

TEST_F(EmulatorTransportTest, UnplugMakesReadsFailForGood) {
  Faults f;
  f.unplug_after = 2;
  auto device = Device(f);
  bool present = true;
  device->SetPresenceListener([&](bool p) { present = p; });
  auto t = Opened(device);
  t->Write(Request(1, 0x02, 0x66));
  EXPECT_EQ(Read(*t, 100), 64);
  t->Write(Request(1, 0x02, 0x66));
  EXPECT_TRUE(t->IsOpen());  // its last answer is still to be read
  EXPECT_EQ(Read(*t, 100), 64);
  EXPECT_FALSE(t->IsOpen());
  EXPECT_FALSE(present);
  EXPECT_EQ(Read(*t, 100), -1);
  EXPECT_EQ(t->Write(Request(1, 0x02, 0x66)), -1);
  clock_.AdvanceMs(60000);
  EXPECT_FALSE(MakeEmulatorTransportFactory(device)()->Open(0x0483, 0x5750));
}

TEST_F(EmulatorTransportTest, FactoryDefaultRebootsOffTheBusAndComesBack) {
  Faults f;
  f.reboot_ms = 2000;
  auto device = Device(f);
  std::mutex m;
  std::vector<bool> events;
  device->SetPresenceListener([&](bool p) {
    std::lock_guard lock(m);
    events.push_back(p);
  });
  auto t = Opened(device);
  t->Write(Request(1, 0x02, 0xBB, {26}));
  Read(*t, 100);
  t->Write(Request(3, 0x90, 0xBB));
  InputReport ack;
  ASSERT_EQ(Read(*t, 30000, &ack), 64);
  EXPECT_EQ(Parse(ack).data, kReady);
  EXPECT_FALSE(t->IsOpen());
  EXPECT_EQ(device->Snapshot().main_volume_db, -5);
  auto again = MakeEmulatorTransportFactory(device)();
  EXPECT_FALSE(again->Open(0x0483, 0x5750));
  clock_.AdvanceMs(2000);
  ASSERT_TRUE(again->Open(0x0483, 0x5750));
  EXPECT_FALSE(t->IsOpen());  // the old handle stays stale
  device.reset();             // joins the watcher
  again.reset();
  t.reset();
  std::lock_guard lock(m);
  ASSERT_FALSE(events.empty());
  EXPECT_FALSE(events.front());
}

TEST_F(EmulatorTransportTest, MemoryOutlivesTheTransports) {
  auto device = Device();
  {
    auto t = Opened(device);
    t->Write(Request(1, 0x08, 0xBB, {0, 0, 2, 2, 0x0C}));
  }
  auto t = Opened(device);
  t->Write(Request(1, 0x08, 0x66, {0, 0, 2, 2}));
  InputReport r;
  ASSERT_EQ(Read(*t, 100, &r), 64);
  EXPECT_EQ(Hex(Parse(r).data), "00 00 02 02 F4");
}

TEST(EmulatorTransportRealClock, CloseWakesABlockedReader) {
  auto device = std::make_shared<EmulatedDevice>();
  auto t = MakeEmulatorTransportFactory(device)();
  ASSERT_TRUE(t->Open(0x0483, 0x5750));
  int result = 0;
  std::thread reader([&] {
    InputReport buf{};
    result = t->ReadTimeout(buf, -1);
  });
  t->Close();
  reader.join();
  EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace tolva::emulator
