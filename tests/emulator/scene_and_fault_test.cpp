// Scene storage, system commands and fault injection of the unit, at frame level.
#include <gtest/gtest.h>

#include <algorithm>

#include "emulator/emulated_unit.h"
#include "unit_test_util.h"

namespace tolva::emulator {
namespace {

using namespace testing;
constexpr std::uint8_t kDsp = 1, kScene = 2, kMcu = 3, kKaraoke = 7;

void SetBand(EmulatedUnit& unit, std::uint8_t scene, std::uint8_t gain_whole) {
  Set(unit, kDsp, 0x06, {scene, 0, 1, 2, 0x01, 0xF4, 0x02, 0x03, gain_whole, 0x05});
}
std::int16_t BandGain(const EmulatedUnit& unit, int scene) {
  return unit.state().scenes[scene].outputs[1].bands[2].gain_tenths;
}

TEST(SceneCommands, NamesAreWrittenAndReadBackAsSixteenBytes) {
  EmulatedUnit unit;
  const Reply erased = Get(unit, kScene, 0x0B, {1});
  EXPECT_EQ(Hex(erased.data), "01 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");

  std::vector<std::uint8_t> full = {3, 16};
  for (std::uint8_t c = 'A'; c < 'A' + 16; ++c) full.push_back(c);
  const auto set = unit.HandleOutputReport(Request(kScene, 0x0B, 0xBB, full));
  ASSERT_EQ(set.reports.size(), 1u);
  EXPECT_EQ(FrameHex(set.reports[0]), "AA 55 05 02 0B EE 0A 03 F3");
  EXPECT_TRUE(set.flash_changed);
  EXPECT_EQ(Hex(Get(unit, kScene, 0x0B, {3}).data),
            "03 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");

  Set(unit, kScene, 0x0B, {3, 2, 'h', 'i'});  // a short name is zero-filled
  EXPECT_EQ(Hex(Get(unit, kScene, 0x0B, {3}).data),
            "03 68 69 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(SceneCommands, SaveCopiesTheWorkingSetOrKeepsWhatWasWrittenToTheScene) {
  EmulatedUnit unit;
  SetBand(unit, 0, 0x10);
  const auto saved = unit.HandleOutputReport(Request(kScene, 0x08, 0xBB, {5, 0}));
  ASSERT_EQ(saved.reports.size(), 1u);
  EXPECT_EQ(Hex(Parse(saved.reports[0]).data), "0A 05");
  EXPECT_TRUE(saved.flash_changed);
  EXPECT_EQ(BandGain(unit, 5), 165);

  // The whole-unit write: values with scene byte 2, then save 2 with immediately 1.
  SetBand(unit, 2, 0x05);
  SetBand(unit, 0, 0x12);
  EXPECT_EQ(Set(unit, kScene, 0x08, {2, 1}).data, (std::vector<std::uint8_t>{0x0A, 2}));
  EXPECT_EQ(BandGain(unit, 2), 55);
  EXPECT_EQ(BandGain(unit, 0), 185);
}

TEST(SceneCommands, ReadSceneLoadsIntoTheWorkingSetOrLeavesItForReading) {
  EmulatedUnit unit;
  SetBand(unit, 4, 0x08);
  Set(unit, kDsp, 0x02, {20});  // volume belongs to the unit, not to a scene
  const auto prepared = unit.HandleOutputReport(Bytes("00 AA 55 05 02 09 BB 04 FF 32", 65));
  ASSERT_EQ(prepared.reports.size(), 1u);
  EXPECT_EQ(Parse(prepared.reports[0]).data[0], 0x0A);
  EXPECT_EQ(BandGain(unit, 0), 180);
  EXPECT_EQ(Get(unit, kDsp, 0x06, {4, 0, 1, 2, 2}).data[9], 0x08);  // read with scene byte 4

  Set(unit, kScene, 0x09, {4, 0});
  EXPECT_EQ(BandGain(unit, 0), 85);
  EXPECT_EQ(unit.state().main_volume_db, -14);
  EXPECT_EQ(Hex(Get(unit, kScene, 0x0E).data), "04");  // current scene
  Set(unit, kScene, 0x09, {0, 0});
  EXPECT_EQ(BandGain(unit, 0), 85);
}

TEST(SceneCommands, DeleteRestoresFactoryValuesAndErasesTheName) {
  EmulatedUnit unit;
  SetBand(unit, 0, 0x10);
  Set(unit, kScene, 0x0B, {7, 3, 'a', 'b', 'c'});
  Set(unit, kScene, 0x08, {7, 0});
  const Reply ack = Set(unit, kScene, 0x0A, {7});
  EXPECT_EQ(Hex(ack.data), "0A 07");
  EXPECT_EQ(BandGain(unit, 7), 180);
  EXPECT_EQ(BandGain(unit, 0), 165);  // the working set stays
  EXPECT_EQ(Get(unit, kScene, 0x0B, {7}).data[1], 0xFF);
}

TEST(SceneCommands, OnlyStoredScenesCanBeSavedNamedDeletedOrRead) {
  EmulatedUnit unit;
  const std::string before = ToJson(unit.state());
  EXPECT_EQ(Set(unit, kScene, 0x08, {0, 0}).data, kNotReady);
  EXPECT_EQ(Set(unit, kScene, 0x08, {11, 0}).data, kNotReady);
  EXPECT_EQ(Set(unit, kScene, 0x0A, {0}).data, kNotReady);
  EXPECT_EQ(Set(unit, kScene, 0x0B, {11, 1, 'x'}).data, kNotReady);
  EXPECT_EQ(Set(unit, kScene, 0x0B, {2, 4, 'x'}).data, kNotReady);  // name cut short
  EXPECT_EQ(Set(unit, kScene, 0x09, {12, 0}).data, kNotReady);
  EXPECT_EQ(Get(unit, kScene, 0x0B, {0}).data, kNotReady);
  EXPECT_EQ(ToJson(unit.state()), before);
}

TEST(SystemCommands, FactoryDefaultRestoresEverythingThenReboots) {
  EmulatedUnit unit;
  SetBand(unit, 3, 0x10);
  Set(unit, kScene, 0x0B, {3, 1, 'x'});
  Set(unit, kDsp, 0x01, {0x55});
  const auto r = unit.HandleOutputReport(Request(kMcu, 0x90, 0xBB));
  ASSERT_EQ(r.reports.size(), 1u);
  EXPECT_EQ(Hex(Parse(r.reports[0]).data), "0A");
  EXPECT_EQ(r.then, BusEvent::kReboot);
  EXPECT_TRUE(r.flash_changed);
  EXPECT_EQ(ToJson(unit.state()), ToJson(FactoryState()));
}

TEST(SystemCommands, VersionsAndUpgradeTransfers) {
  EmulatedUnit unit;
  EXPECT_EQ(Hex(Get(unit, kMcu, 0x0B).data), "18 05 11 01");
  EXPECT_EQ(Hex(Get(unit, kMcu, 0x0C).data), "02");
  EXPECT_EQ(Set(unit, kMcu, 0x91, {0x03, 0xE8}).data, kReady);
  EXPECT_EQ(Hex(Get(unit, kMcu, 0x91).data), "03 E8");
  EXPECT_EQ(Set(unit, kMcu, 0x8F, {}).data, kReady);
  // Upgrade transfers: a start, a block placed at its offset, a finish, each acknowledged.
  EXPECT_EQ(Set(unit, kScene, 0x03, {1, 2, 3, 4}).data, kReady);
  EXPECT_EQ(Set(unit, kScene, 0x04, {0, 0, 0, 2, 3, 0xAB, 0xCD, 0xEF}).data, kReady);
  EXPECT_EQ(Set(unit, kScene, 0x05, {}).data, kReady);
  EXPECT_EQ(unit.received_image().target, 1);
  EXPECT_EQ(Hex(unit.received_image().data), "00 00 AB CD EF");
  EXPECT_TRUE(unit.received_image().finished);
  EXPECT_EQ(Set(unit, kMcu, 0xA1, {}).data, kReady);
  EXPECT_EQ(unit.received_image().target, 3);
  EXPECT_TRUE(unit.received_image().data.empty());
}

TEST(Karaoke, ValuesAreStoredAndReportedWithTheEchoDelayInTwoBytes) {
  EmulatedUnit unit;
  EXPECT_EQ(Set(unit, kKaraoke, 0x05, {0, 0, 0x01, 0x2C}).data, kReady);
  EXPECT_EQ(unit.state().karaoke[4], 300);
  EXPECT_EQ(Hex(Get(unit, kKaraoke, 0x05).data), "00 00 01 2C");
  EXPECT_EQ(Hex(Get(unit, kKaraoke, 0x01).data), "00 00 3C");
  EXPECT_EQ(Set(unit, kKaraoke, 0x05, {0, 0, 1}).data, kNotReady);
}

TEST(Faults, HandshakeVariations) {
  EmulatedUnit unit;
  unit.faults().abnormal_handshake = true;
  EXPECT_EQ(Hex(Set(unit, kMcu, 0x08, {}).data), "F0 13 03 07");
  unit.faults().abnormal_handshake = false;
  unit.faults().model = 12;
  EXPECT_EQ(Hex(Set(unit, kMcu, 0x08, {}).data), "00 0C 03 07");
}

TEST(Faults, NoReplyStillAppliesTheCommand) {
  EmulatedUnit unit;
  unit.faults().no_reply = CommandKey{kDsp, 0x02};
  EXPECT_TRUE(unit.HandleOutputReport(Request(kDsp, 0x02, 0xBB, {26})).reports.empty());
  EXPECT_EQ(unit.state().main_volume_db, -20);
  EXPECT_TRUE(Get(unit, kDsp, 0x04).valid);  // other commands answer
}

TEST(Faults, BadChecksumSpoilsOnlyTheChosenCommandsReplies) {
  EmulatedUnit unit;
  unit.faults().bad_checksum = CommandKey{kDsp, CommandKey::kAnySub};
  const auto r = unit.HandleOutputReport(Request(kDsp, 0x02, 0x66));
  ASSERT_EQ(r.reports.size(), 1u);
  EXPECT_EQ(FrameHex(r.reports[0]), "AA 55 04 01 02 DD FB 22");
  EXPECT_TRUE(Set(unit, kMcu, 0x08, {}).valid);
}

TEST(Faults, SplitReplySpansTwoReports) {
  EmulatedUnit unit;
  unit.faults().split_reply = CommandKey{kDsp, 0x07};
  const auto whole = EmulatedUnit().HandleOutputReport(Request(kDsp, 0x07, 0x66, {0, 0, 0, 5}));
  const auto r = unit.HandleOutputReport(Request(kDsp, 0x07, 0x66, {0, 0, 0, 5}));
  ASSERT_EQ(r.reports.size(), 2u);
  const std::size_t frame_len = whole.reports[0][2] + 4u, half = frame_len / 2;
  // The first half ends the first report, behind zeros; the rest opens the second.
  EXPECT_TRUE(std::all_of(r.reports[0].begin(), r.reports[0].end() - half,
                          [](std::uint8_t b) { return b == 0; }));
  std::vector<std::uint8_t> joined(r.reports[0].end() - half, r.reports[0].end());
  joined.insert(joined.end(), r.reports[1].begin(), r.reports[1].begin() + (frame_len - half));
  EXPECT_EQ(Hex(joined), FrameHex(whole.reports[0]));
  EXPECT_EQ(r.reports[1][frame_len - half], 0);  // zero fill after the rest
}

TEST(Faults, TwoFramesShareOneReport) {
  EmulatedUnit unit;
  unit.faults().two_frames = CommandKey{kDsp, 0x02};
  Set(unit, kDsp, 0x04, {1});
  const auto r = unit.HandleOutputReport(Request(kDsp, 0x02, 0x66));
  ASSERT_EQ(r.reports.size(), 1u);
  const std::vector<std::uint8_t> head(r.reports[0].begin(), r.reports[0].begin() + 16);
  EXPECT_EQ(Hex(head), "AA 55 04 01 02 DD FB 21 AA 55 04 01 04 DD 01 19");
}

TEST(Faults, NotReadyRefusesWithoutApplying) {
  EmulatedUnit unit;
  unit.faults().not_ready = CommandKey{kScene, 0x08};
  EXPECT_EQ(Set(unit, kScene, 0x08, {1, 0}).data, kNotReady);
  EXPECT_EQ(unit.state().current_scene, 0);
}

TEST(Faults, UnplugAfterTheChosenReportCount) {
  EmulatedUnit unit;
  unit.faults().unplug_after = 3;
  EXPECT_EQ(unit.HandleOutputReport(Request(kDsp, 0x02, 0x66)).then, BusEvent::kNone);
  EXPECT_EQ(unit.HandleOutputReport(Request(kMcu, 0x1F, 0xBB, {1})).then, BusEvent::kNone);
  const auto third = unit.HandleOutputReport(Request(kDsp, 0x02, 0x66));
  EXPECT_EQ(third.reports.size(), 1u);  // its answer still goes out
  EXPECT_EQ(third.then, BusEvent::kUnplug);
}

TEST(Faults, UnsolicitedKaraokeReportsFollowEveryNthReport) {
  EmulatedUnit unit;
  unit.faults().unsolicited_every = 2;
  EXPECT_EQ(unit.HandleOutputReport(Request(kDsp, 0x02, 0x66)).reports.size(), 1u);
  const auto second = unit.HandleOutputReport(Request(kMcu, 0x1F, 0xBB, {1}));
  ASSERT_EQ(second.reports.size(), 1u);
  const Reply ktv = Parse(second.reports[0]);
  EXPECT_TRUE(ktv.valid);
  EXPECT_EQ(ktv.cmd, kKaraoke);
  EXPECT_EQ(ktv.sub, 1);
  EXPECT_EQ(Hex(ktv.data), "00 00 3C");
  unit.HandleOutputReport(Request(kDsp, 0x02, 0x66));
  const auto fourth = unit.HandleOutputReport(Request(kDsp, 0x02, 0x66));
  ASSERT_EQ(fourth.reports.size(), 2u);  // the reply first, then the report
  EXPECT_EQ(Parse(fourth.reports[1]).sub, 2);
}

}  // namespace
}  // namespace tolva::emulator
