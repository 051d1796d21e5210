// The unit at frame level: golden request bytes in, reply bytes and memory out.
#include <gtest/gtest.h>

#include <functional>

#include "emulator/emulated_unit.h"
#include "unit_test_util.h"

namespace tolva::emulator {
namespace {

using namespace testing;
constexpr std::uint8_t kDsp = 1, kMcu = 3;

TEST(UnitGoldenFrames, AnswersTheHandshakeAndVolumeRequestsByteForByte) {
  EmulatedUnit unit;
  auto handshake = unit.HandleOutputReport(Bytes("00 AA 55 03 03 08 BB 37", 65));
  ASSERT_EQ(handshake.reports.size(), 1u);
  EXPECT_EQ(FrameHex(handshake.reports[0]), "AA 55 07 03 08 DD 00 13 03 07 F4");

  auto volume = unit.HandleOutputReport(Bytes("00 AA 55 03 01 02 66 94", 65));
  ASSERT_EQ(volume.reports.size(), 1u);
  EXPECT_EQ(FrameHex(volume.reports[0]), "AA 55 04 01 02 DD FB 21");  // -5 dB

  auto set = unit.HandleOutputReport(Bytes("00 AA 55 04 01 02 BB 42 FC", 65));  // 6 - 0x42 = -60
  ASSERT_EQ(set.reports.size(), 1u);
  EXPECT_EQ(FrameHex(set.reports[0]), "AA 55 04 01 02 EE 0A 01");
  EXPECT_EQ(unit.state().main_volume_db, -60);
}

TEST(UnitGoldenFrames, PcConnectIsNeverAnswered) {
  EmulatedUnit unit;
  EXPECT_TRUE(unit.HandleOutputReport(Bytes("00 AA 55 04 03 1F BB 01 1E", 65)).reports.empty());
  EXPECT_TRUE(unit.pc_connected());
  EXPECT_TRUE(unit.HandleOutputReport(Request(kMcu, 0x1F, 0xBB, {0})).reports.empty());
  EXPECT_FALSE(unit.pc_connected());
}

TEST(UnitGoldenFrames, IgnoresReportsItCannotParse) {
  const std::vector<std::vector<std::uint8_t>> bad = {
      Bytes("00 AA 55 04 01 02 BB 42 FD", 65),  // checksum off by one
      Bytes("01 AA 55 04 01 02 BB 42 FC", 65),  // another report number
      Bytes("00 AA 56 04 01 02 BB 42 FC", 65),  // header
      Bytes("00 AA 55 02 01 02 FB", 65),        // length below cmd, sub, op
      Bytes("00 AA 55 3D 01 02 BB", 65),        // length past the report
      Bytes("00 AA 55 04 01 02 BB 42 FC", 64),  // short report
      {},
  };
  for (const auto& report : bad) {
    EmulatedUnit unit;
    EXPECT_TRUE(unit.HandleOutputReport(report).reports.empty()) << Hex(report);
    EXPECT_EQ(unit.state().main_volume_db, -5);
  }
}

// Every parameter command: acknowledged ready and visible in the unit's memory.
struct SetCase {
  const char* name;
  std::uint8_t sub;
  std::vector<std::uint8_t> payload;
  std::function<void(const UnitState&)> check;
};

class ParameterCommand : public ::testing::TestWithParam<SetCase> {};

TEST_P(ParameterCommand, IsAppliedAndAcknowledged) {
  EmulatedUnit unit;
  const SetCase& c = GetParam();
  const Reply ack = Set(unit, kDsp, c.sub, c.payload);
  ASSERT_TRUE(ack.valid);
  EXPECT_EQ(ack.sub, c.sub);
  EXPECT_EQ(ack.op, 0xEE);
  EXPECT_EQ(ack.data, kReady);
  c.check(unit.state());
}

const OutputState& Out(const UnitState& u, int scene, int ch) {
  return u.scenes[scene].outputs[ch];
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, ParameterCommand,
    ::testing::Values(
        SetCase{"Source", 0x01, {0x53}, [](auto& u) { EXPECT_EQ(u.source_code, 0x53); }},
        SetCase{"MainVolume", 0x02, {11}, [](auto& u) { EXPECT_EQ(u.main_volume_db, -5); }},
        SetCase{"Mute", 0x04, {1}, [](auto& u) { EXPECT_EQ(u.main_mute, 1); }},
        SetCase{"LowPass", 0x05, {0, 0, 2, 1, 2, 0x03, 0xE8, 4},
                [](auto& u) {
                  const auto& o = Out(u, 0, 2);
                  EXPECT_EQ(o.lp.type, 2);
                  EXPECT_EQ(o.lp.freq, 1000);
                  EXPECT_EQ(o.lp.slope, 4);
                  EXPECT_EQ(o.hp.freq, 20);  // untouched
                }},
        SetCase{"HighPass", 0x05, {0, 3, 4, 2, 3, 0x00, 0x50, 8},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 4).hp.type, 3);
                  EXPECT_EQ(Out(u, 0, 4).hp.freq, 80);
                  EXPECT_EQ(Out(u, 0, 4).hp.slope, 8);
                }},
        SetCase{"EqBand", 0x06, {0, 0, 2, 3, 0x03, 0xE8, 0x05, 0x08, 0x0E, 0x05},
                [](auto& u) {
                  const BandState& b = Out(u, 0, 2).bands[3];
                  EXPECT_EQ(b.freq, 1000);
                  EXPECT_EQ(b.q_hundredths, 580);
                  EXPECT_EQ(b.gain_tenths, 145);  // -3.5 dB
                }},
        SetCase{"EqBandInStoredScene", 0x06, {4, 0, 5, 30, 0x4E, 0x20, 0x00, 0x05, 0x00, 0x00},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 4, 5).bands[30].q_hundredths, 50);
                  EXPECT_EQ(Out(u, 4, 5).bands[30].gain_tenths, 0);  // -18 dB
                  EXPECT_EQ(Out(u, 0, 5).bands[30].gain_tenths, 180);
                }},
        SetCase{"Delay", 0x07, {0, 0, 3, 3, 0x14, 0x01, 0xF4},
                [](auto& u) { EXPECT_EQ(Out(u, 0, 3).delay_us, 20500u); }},
        SetCase{"DelayRange", 0x07, {0, 0, 0, 1, 0x07, 0x01, 0x67, 0x0F, 0x00, 0x00},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 0).delay_us, 7359u);
                  EXPECT_EQ(Out(u, 0, 1).delay_us, 15000u);
                }},
        SetCase{"Trim", 0x08, {0, 0, 1, 2, 0x0C, 0x00},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 1).trim_db, -12);
                  EXPECT_EQ(Out(u, 0, 2).trim_db, 0);
                }},
        SetCase{"ChannelMute", 0x09, {0, 0, 5, 5, 1},
                [](auto& u) { EXPECT_EQ(Out(u, 0, 5).mute, 1); }},
        SetCase{"Phase", 0x0A, {0, 0, 0, 1, 0, 1},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 0).phase, 0);
                  EXPECT_EQ(Out(u, 0, 1).phase, 1);
                }},
        SetCase{"RoutingPerSource", 0x0B, {0, 5, 0, 5, 0x3F, 1, 2, 4, 8, 16},
                [](auto& u) {
                  EXPECT_EQ(u.scenes[0].mix[5][0], 0x3F);
                  EXPECT_EQ(u.scenes[0].mix[5][5], 16);
                  EXPECT_EQ(u.scenes[0].mix[0][0], 1);  // other sources keep theirs
                }},
        SetCase{"Roles", 0x0D, {0, 0, 0, 6, 1, 7, 13, 16, 24, 0, 9},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 0).role, 1);
                  EXPECT_EQ(Out(u, 0, 4).role, 24);
                  EXPECT_EQ(Out(u, 0, 5).role, 0);  // output 6 exists on the wire only
                }},
        SetCase{"Link", 0x0E, {0, 1, 2, 0, 1, 2, 3},
                [](auto& u) {
                  EXPECT_EQ(u.scenes[0].link, 1);
                  EXPECT_EQ(u.scenes[0].link_data, (std::array<std::uint8_t, 8>{0, 1, 2, 3}));
                }},
        SetCase{"Lock", 0x0F, {0, 1}, [](auto& u) { EXPECT_EQ(u.scenes[0].lock, 1); }},
        SetCase{"Bypass", 0x12, {0, 0, 2, 3, 0, 0},
                [](auto& u) {
                  EXPECT_EQ(Out(u, 0, 2).bypass, 0);
                  EXPECT_EQ(Out(u, 0, 1).bypass, 1);
                }},
        SetCase{"MixerTrims", 0x24, {0, 5, 3, 0, 5, 10, 20, 30, 40, 50, 60},
                [](auto& u) {
                  EXPECT_EQ(u.scenes[0].mix_trim[5][3][0], 10);
                  EXPECT_EQ(u.scenes[0].mix_trim[5][3][5], 60);
                  EXPECT_EQ(u.scenes[0].mix_trim[5][2][0], 100);
                }},
        SetCase{"EmptyRange", 0x08, {0, 0, 3, 2},
                [](auto& u) { EXPECT_EQ(Out(u, 0, 2).trim_db, 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterCommand, ResetsTheBandsOfTheListedChannels) {
  EmulatedUnit unit;
  Set(unit, kDsp, 0x06, {0, 0, 1, 4, 0x03, 0xE8, 0x02, 0x03, 0x14, 0x00});
  Set(unit, kDsp, 0x06, {0, 0, 2, 4, 0x03, 0xE8, 0x02, 0x03, 0x14, 0x00});
  EXPECT_EQ(Set(unit, kDsp, 0x11, {0, 0, 1, 2}).data, kReady);
  EXPECT_EQ(unit.state().scenes[0].outputs[2].bands[4].freq, 50);
  EXPECT_EQ(unit.state().scenes[0].outputs[2].bands[4].gain_tenths, 180);
  EXPECT_EQ(unit.state().scenes[0].outputs[1].bands[4].gain_tenths, 200);
}

TEST(ParameterCommand, RefusesWhatItCannotCarryOutAndChangesNothing) {
  const std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> refused = {
      {0x06, {11, 0, 0, 0, 0x03, 0xE8, 5, 8, 14, 5}},  // no scene 11
      {0x08, {0, 0, 0, 3, 1, 2}},                      // four entries announced, two sent
      {0x05, {0, 0, 0, 3, 1, 0x03, 0xE8, 2}},          // filter 3 is neither low nor high pass
      {0x01, {0x50}},                                  // no such source code
      {0x06, {0, 0, 0, 0, 0x03}},                      // cut short
      {0x0E, {0, 1, 3, 0, 1}},                         // three pairs announced, one sent
  };
  for (const auto& [sub, payload] : refused) {
    EmulatedUnit unit;
    const std::string before = ToJson(unit.state());
    const Reply ack = Set(unit, kDsp, sub, payload);
    EXPECT_EQ(ack.op, 0xEE);
    EXPECT_EQ(ack.data, kNotReady) << "sub " << int(sub);
    EXPECT_EQ(ToJson(unit.state()), before) << "sub " << int(sub);
  }
}

TEST(DspRequests, AnswerFiltersInTheReplyLayoutWithZerosPastTheSixOutputs) {
  EmulatedUnit unit;
  const Reply first = Get(unit, kDsp, 0x05, {0, 0, 0, 3});
  ASSERT_TRUE(first.valid);
  EXPECT_EQ(first.op, 0xDD);
  ASSERT_EQ(first.data.size(), 4u + 4 * 8);
  EXPECT_EQ(Hex({first.data.begin(), first.data.begin() + 12}),
            "00 00 00 03 03 00 14 00 03 4E 20 00");
  const Reply second = Get(unit, kDsp, 0x05, {0, 0, 4, 7});
  ASSERT_EQ(second.data.size(), 4u + 4 * 8);
  EXPECT_EQ(Hex({second.data.begin() + 4, second.data.begin() + 12}), "01 00 1E 04 01 00 32 02");
  EXPECT_EQ(Hex({second.data.begin() + 20, second.data.end()}),
            "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(DspRequests, AnswerEqBandsWithQInHundredthsAndGainInTenths) {
  EmulatedUnit unit;
  auto& bands = unit.state().scenes[0].outputs[2].bands;
  bands[0] = {1000, 580, 145};   // Q 5.8, -3.5 dB
  bands[1] = {63, 57, 0};        // Q 0.57, -18 dB
  bands[7] = {20000, 893, 360};  // Q 8.93, +18 dB
  const Reply r = Get(unit, kDsp, 0x06, {0, 0, 2, 0, 7});
  ASSERT_TRUE(r.valid);
  ASSERT_EQ(r.data.size(), 5u + 8 * 6);
  EXPECT_EQ(Hex({r.data.begin(), r.data.begin() + 5}), "00 00 02 00 07");
  EXPECT_EQ(Hex({r.data.begin() + 5, r.data.begin() + 17}), "03 E8 05 50 0E 05 00 3F 00 39 00 00");
  EXPECT_EQ(Hex({r.data.end() - 6, r.data.end()}), "4E 20 08 5D 24 00");

  const Reply tail = Get(unit, kDsp, 0x06, {0, 0, 2, 24, 31});  // band 31 is not held
  ASSERT_EQ(tail.data.size(), 5u + 8 * 6);
  EXPECT_EQ(Hex({tail.data.end() - 6, tail.data.end()}), "00 00 00 00 00 00");
}

TEST(DspRequests, AnswerChannelListsFromMemory) {
  EmulatedUnit unit;
  Set(unit, kDsp, 0x07, {0, 0, 0, 1, 0x07, 0x01, 0x67, 0x0E, 0x01, 0xF4});
  Set(unit, kDsp, 0x08, {0, 0, 0, 0, 0x0C});
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x07, {0, 0, 0, 1}).data), "00 00 00 01 07 01 67 0E 01 F4");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x08, {0, 0, 0, 1}).data), "00 00 00 01 F4 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x0D, {0, 0, 0, 6}).data), "00 00 00 06 06 0C 0F 12 16 17 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x0B, {0, 4, 0, 5}).data), "00 04 00 05 01 02 04 08 03 03");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x09, {0, 0, 0, 5}).data), "00 00 00 05 00 00 00 00 00 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x0A, {0, 0, 0, 5}).data), "00 00 00 05 00 00 00 00 00 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x12, {0, 0, 0, 5}).data), "00 00 00 05 01 01 01 01 01 01");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x24, {0, 2, 1, 0, 5}).data), "00 02 01 00 05 64 64 64 64 64 64");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x0E, {0}).data), "00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x0F, {0}).data), "00 00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x01).data), "51");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x03).data), "00");
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x04).data), "00");
}

TEST(DspRequests, EmptyAndOverlongRanges) {
  EmulatedUnit unit;
  EXPECT_EQ(Hex(Get(unit, kDsp, 0x08, {0, 0, 3, 2}).data), "00 00 03 02");
  // 53 one-byte entries fit behind the head; the reply's range says where it stopped.
  const Reply cut = Get(unit, kDsp, 0x08, {0, 0, 0, 255});
  ASSERT_TRUE(cut.valid);
  EXPECT_EQ(cut.data.size(), 57u);
  EXPECT_EQ(cut.data[3], 52);
  EXPECT_EQ(Get(unit, kDsp, 0x05, {0, 0, 0, 7}).data[3], 5);  // six filter blocks
}

TEST(DspRequests, MalformedRequestsAreRefusedAndUnknownOnesUnanswered) {
  EmulatedUnit unit;
  EXPECT_EQ(Get(unit, kDsp, 0x05, {11, 0, 0, 3}).data, kNotReady);
  EXPECT_EQ(Get(unit, kDsp, 0x06, {0, 0, 0}).data, kNotReady);
  EXPECT_TRUE(unit.HandleOutputReport(Request(kDsp, 0x1C, 0x66, {})).reports.empty());
  EXPECT_TRUE(unit.HandleOutputReport(Request(9, 0x01, 0x66, {})).reports.empty());
}

// The connect read, request by request: every one is answered by exactly one valid frame of its
// own sub, and PC_Connect by nothing.
TEST(DspRequests, TheWholeConnectReadIsAnswered) {
  EmulatedUnit unit;
  struct Req {
    std::uint8_t cmd, sub, op;
    std::vector<std::uint8_t> payload;
  };
  std::vector<Req> read = {
      {3, 0x08, 0xBB, {}},           {1, 0x01, 0x66, {}},          {1, 0x02, 0x66, {}},
      {1, 0x03, 0x66, {}},           {1, 0x04, 0x66, {}},          {1, 0x0D, 0x66, {0, 0, 0, 6}},
      {1, 0x0E, 0x66, {0}},          {1, 0x0F, 0x66, {0}},         {1, 0x05, 0x66, {0, 0, 0, 3}},
      {1, 0x05, 0x66, {0, 0, 4, 7}}, {1, 0x12, 0x66, {0, 0, 0, 5}}};
  for (std::uint8_t ch = 0; ch < 6; ++ch) {
    for (std::uint8_t b = 0; b < 31; b += 8)
      read.push_back(
          {1, 0x06, 0x66, {0, 0, ch, b, static_cast<std::uint8_t>(std::min(b + 7, 30))}});
  }
  for (std::uint8_t sub : {0x07, 0x08, 0x09, 0x0A}) read.push_back({1, sub, 0x66, {0, 0, 0, 5}});
  for (std::uint8_t s = 0; s < 7; ++s) read.push_back({1, 0x0B, 0x66, {0, s, 0, 5}});
  for (std::uint8_t k = 1; k <= 10; ++k) read.push_back({2, 0x0B, 0x66, {k}});

  EXPECT_TRUE(unit.HandleOutputReport(Request(3, 0x1F, 0xBB, {1})).reports.empty());
  for (const Req& q : read) {
    const UnitResponse r = unit.HandleOutputReport(Request(q.cmd, q.sub, q.op, q.payload));
    ASSERT_EQ(r.reports.size(), 1u) << int(q.cmd) << "/" << int(q.sub);
    const Reply p = Parse(r.reports[0]);
    EXPECT_TRUE(p.valid);
    EXPECT_EQ(p.cmd, q.cmd);
    EXPECT_EQ(p.sub, q.sub);
    EXPECT_EQ(p.op, 0xDD) << int(q.cmd) << "/" << int(q.sub);
  }
}

}  // namespace
}  // namespace tolva::emulator
