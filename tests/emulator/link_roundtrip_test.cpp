// DspLink against the in-process emulated unit: builders change the unit's memory, requests
// decode to what it holds, scenes round-trip, and each fault makes the link behave as it must.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/link/exchange_tally.h"
#include "device/protocol/records.h"
#include "device/support/recording_sink.h"
#include "emulator/emulator_transport.h"

namespace tolva::emulator {
namespace {

using device::DspLink;
using device::Notification;
using device::TargetWindow;
using device::testing::RecordAs;
using device::testing::RecordingSink;

class LinkOnEmulator : public ::testing::Test {
 protected:
  void Start(Faults faults = {}) {
    EmulatorOptions options;
    options.faults = faults;
    unit_ = std::make_shared<EmulatedDevice>(options, clock_);
    link_ = std::make_unique<DspLink>(MakeEmulatorTransportFactory(unit_), clock_);
    link_->SetNotificationSink(TargetWindow::kMain, &main_);
    link_->SetNotificationSink(TargetWindow::kScene, &scene_);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
  }
  void SetUp() override { Start(); }
  void TearDown() override { link_.reset(); }

  UnitState State() const { return unit_->Snapshot(); }
  const OutputState& Out(const UnitState& u, int ch, int scene = 0) {
    return u.scenes[scene].outputs[ch];
  }
  template <typename T>
  std::vector<const T*> Records(std::vector<Notification>& ns) {
    std::vector<const T*> out;
    for (const auto& n : ns) {
      if (const T* r = RecordAs<T>(n)) out.push_back(r);
    }
    return out;
  }

  FakeClock clock_;
  std::shared_ptr<EmulatedDevice> unit_;
  RecordingSink main_, scene_;
  std::unique_ptr<DspLink> link_;
};

TEST_F(LinkOnEmulator, EveryBuilderShowsUpInTheUnitsMemory) {
  link_->Source_Switch_Ctrl(5, true);
  link_->Main_Volume_Ctrl(-60, true);
  link_->Mute_Ctrl(1, true);
  // First: the unit copies each pair's first output onto the second.
  link_->CH_Link_Ctrl(0, 1, 2, std::vector<int>{0, 1, 2, 3}, true);
  link_->EQ_Ctrl(0, 0, 2, 3, 1000, 5.8f, -3.5f, true);
  link_->EQ_Ctrl(0, 0, 2, 4, 63, 0.57f, -18.0f, true);
  link_->EQ_Ctrl(0, 0, 2, 5, 16000, 8.93f, 2.3f, true);
  const std::vector<float> delays = {7.359f, 14.5f, 1.354f};
  link_->Delay_Ctrl(0, 0, 0, 2, delays, true);
  const std::vector<int> gains = {-12, 0, -60};
  link_->Trim_Ctrl(0, 0, 3, 5, gains, true);
  const std::vector<int> ones = {1, 0};
  link_->Mute_Ch_Ctrl(0, 0, 4, 5, ones, true);
  link_->Phase_Ctrl(0, 0, 0, 1, ones, true);
  link_->PEQ_Bypass_Ctrl(0, 0, 2, 3, std::vector<int>{0, 0}, true);
  link_->Mix_Ch_Ctrl(0, 5, 0, 1, std::vector<int>{0x3F, 0x104}, true);
  link_->CH_Type_Ctrl(0, 0, 0, 1, std::vector<int>{1, 7}, true);
  link_->CH_Lock_Ctrl(0, 1, true);
  link_->Input_Mix_Trim_Ctrl(3, 5, 2, 0, 2, std::vector<int>{0, 55, 100}, true);

  const UnitState u = State();
  EXPECT_EQ(u.source_code, 0x56);
  EXPECT_EQ(u.main_volume_db, -60);
  EXPECT_EQ(u.main_mute, 1);
  EXPECT_EQ(Out(u, 2).bands[3].q_hundredths, 580);
  EXPECT_EQ(Out(u, 2).bands[3].gain_tenths, 145);
  EXPECT_EQ(Out(u, 2).bands[4].q_hundredths, 50);  // the command carries tenths of Q only
  EXPECT_EQ(Out(u, 2).bands[4].gain_tenths, 0);
  EXPECT_EQ(Out(u, 2).bands[5].q_hundredths, 890);
  EXPECT_EQ(Out(u, 2).bands[5].gain_tenths, 203);  // 2.3 dB arrives as 2.3, not 2.2
  EXPECT_EQ(Out(u, 0).delay_us, 7359u);
  EXPECT_EQ(Out(u, 1).delay_us, 14500u);
  EXPECT_EQ(Out(u, 2).delay_us, 1354u);
  EXPECT_EQ(Out(u, 3).trim_db, -12);
  EXPECT_EQ(Out(u, 5).trim_db, -60);
  EXPECT_EQ(Out(u, 4).mute, 1);
  EXPECT_EQ(Out(u, 0).phase, 1);
  EXPECT_EQ(Out(u, 1).phase, 0);
  EXPECT_EQ(Out(u, 3).bypass, 0);
  EXPECT_EQ(u.scenes[0].mix[5][0], 0x3F);
  EXPECT_EQ(u.scenes[0].mix[5][1], 0x04);  // low 8 bits of the mask
  EXPECT_EQ(Out(u, 1).role, 7);
  EXPECT_EQ(u.scenes[0].link, 1);
  EXPECT_EQ(u.scenes[0].link_data[3], 3);
  EXPECT_EQ(u.scenes[0].lock, 1);
  EXPECT_EQ(u.scenes[3].mix_trim[5][2][1], 55);

  link_->PEQ_Reset_Ctrl(0, 0, 1, std::vector<int>{2}, true);
  EXPECT_EQ(Out(State(), 2).bands[3].gain_tenths, 180);
}

TEST_F(LinkOnEmulator, EveryFilterTypeAndSlopeRoundTrips) {
  for (int type = 1; type <= 3; ++type) {
    for (int slope = 0; slope <= 8; ++slope) {
      link_->Filter_Ctrl(0, 0, 1, 2, type, 20 + 100 * slope, slope, true);  // high-pass
      link_->Filter_Ctrl(0, 0, 1, 1, type, 20000 - slope, 8 - slope, true);
      main_.Take();
      ASSERT_TRUE(link_->Get_Filter(0, 0, 0, 3));
      auto ns = main_.Take();
      auto filters = Records<device::FilterReply>(ns);
      ASSERT_EQ(filters.size(), 4u);
      const auto* f = filters[1];
      EXPECT_EQ(f->ch, 1);
      EXPECT_EQ(f->hp_type, type);
      EXPECT_EQ(f->hp_freq, 20 + 100 * slope);
      EXPECT_EQ(f->hp_slope, slope);
      EXPECT_EQ(f->lp_type, type);
      EXPECT_EQ(f->lp_freq, 20000 - slope);
      EXPECT_EQ(f->lp_slope, 8 - slope);
    }
  }
}

TEST_F(LinkOnEmulator, RequestsDecodeToTheValuesTheUnitHolds) {
  unit_->WithUnit([](EmulatedUnit& u) {
    auto& o = u.state().scenes[0].outputs[2];
    o.bands[0] = {1000, 57, 145};
    o.bands[1] = {20000, 893, 360};
    o.delay_us = 7359;
    o.trim_db = -12;
    o.phase = 0;
    u.state().scenes[0].link = 1;
    u.state().scenes[0].link_data = {0, 1, 0, 0, 0, 0, 0, 0};
    u.state().scenes[0].mix_trim[2][1][4] = 42;
  });
  ASSERT_TRUE(link_->Get_Main_Volume());
  ASSERT_TRUE(link_->Get_EQ(0, 0, 2, 0, 7));
  ASSERT_TRUE(link_->Get_Delay(0, 0, 0, 5));
  ASSERT_TRUE(link_->Get_Trim(0, 0, 2, 2));
  ASSERT_TRUE(link_->Get_Phase(0, 0, 2, 2));
  ASSERT_TRUE(link_->Get_CH_Type(0, 0, 0, 6));
  ASSERT_TRUE(link_->Get_CH_Link(0));
  ASSERT_TRUE(link_->Get_Input_Mix_CH_Trim(0, 2, 1, 0, 5));
  auto ns = main_.Take();
  ASSERT_FALSE(ns.empty());
  EXPECT_EQ(ns[0].param, 0x02);
  EXPECT_EQ(ns[0].value, -5);

  auto bands = Records<device::EqBandReply>(ns);
  ASSERT_EQ(bands.size(), 8u);
  EXPECT_EQ(bands[0]->band, 0);
  EXPECT_FLOAT_EQ(bands[0]->q, 0.57f);
  EXPECT_FLOAT_EQ(bands[0]->gain, -3.5f);
  EXPECT_EQ(bands[1]->freq, 20000);
  EXPECT_FLOAT_EQ(bands[1]->q, 8.93f);
  EXPECT_FLOAT_EQ(bands[1]->gain, 18.0f);
  EXPECT_EQ(bands[7]->band, 7);

  auto delays = Records<device::DelayReply>(ns);
  ASSERT_EQ(delays.size(), 6u);
  EXPECT_FLOAT_EQ(delays[2]->delay, 7.359f);
  auto bytes = Records<device::ChannelByteReply>(ns);
  ASSERT_EQ(bytes.size(), 2u);
  EXPECT_EQ(bytes[0]->value, -12);
  EXPECT_EQ(bytes[1]->value, 0);
  auto roles = Records<device::ChannelValueReply>(ns);
  ASSERT_EQ(roles.size(), 7u);
  EXPECT_EQ(roles[4]->value, 22);
  EXPECT_EQ(roles[6]->value, 0);  // output 6 answers zeros
  auto links = Records<device::LinkReply>(ns);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0]->link, 1);
  EXPECT_EQ(links[0]->data[1], 0);  // model 19: link data is not copied
  auto trims = Records<device::InputMixReply>(ns);
  ASSERT_EQ(trims.size(), 1u);
  EXPECT_EQ(trims[0]->trims[4], 42);
}

TEST_F(LinkOnEmulator, ScenesSaveReadDeleteAndNameRoundTrip) {
  link_->EQ_Ctrl(0, 0, 1, 0, 500, 2.0f, 6.0f, true);
  const std::vector<std::uint8_t> name = {'n', 'i', 'g', 'h', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(link_->SetSceneName(6, name));
  ASSERT_TRUE(link_->SaveScene(6, 0));
  auto acks = scene_.Take();
  ASSERT_EQ(acks.size(), 1u);
  EXPECT_EQ(acks[0].message, device::MSG_SCENE_VALUE);
  EXPECT_EQ(acks[0].param, 6);

  link_->EQ_Ctrl(0, 0, 1, 0, 500, 2.0f, -6.0f, true);
  ASSERT_TRUE(link_->ReadScene(6, 0));
  EXPECT_EQ(Out(State(), 1).bands[0].gain_tenths, 240);

  main_.Take();
  ASSERT_TRUE(link_->Get_Scene_Name(6));
  ASSERT_TRUE(link_->Get_Scene_Name(7));
  auto ns = main_.Take();
  auto names = Records<device::SceneNameReply>(ns);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0]->index, 5);
  EXPECT_EQ(names[0]->name[0], 'n');
  EXPECT_EQ(names[1]->name, (std::array<std::uint8_t, 16>{}));  // erased reads as empty

  ASSERT_TRUE(link_->DeleteScene(6));
  auto deleted = scene_.Take();
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].message, device::MSG_SCENE_DELETED);
  EXPECT_EQ(deleted[0].param, 6);
  EXPECT_EQ(State().names[5][0], 0xFF);
}

TEST_F(LinkOnEmulator, ConnectHandshakeAndModels) {
  link_->PC_Connect(1);
  ASSERT_TRUE(link_->Hand_Connect());
  EXPECT_TRUE(link_->HandshakeOk());
  EXPECT_EQ(link_->Model(), 19);
  EXPECT_TRUE(unit_->WithUnit([](EmulatedUnit& u) { return u.pc_connected(); }));

  Faults other;
  other.model = 12;
  Start(other);
  ASSERT_TRUE(link_->Hand_Connect());
  EXPECT_EQ(link_->Model(), 12);

  Faults abnormal;
  abnormal.abnormal_handshake = true;
  Start(abnormal);
  main_.Take();
  ASSERT_TRUE(link_->Hand_Connect());
  EXPECT_FALSE(link_->HandshakeOk());
  auto ns = main_.Take();
  ASSERT_EQ(ns.size(), 1u);
  EXPECT_EQ(ns[0].message, device::MSG_DEVICE_ABNORMAL);
}

TEST_F(LinkOnEmulator, SilenceTimesOutIsToldAndTheNextCommandStillWorks) {
  Faults f;
  f.no_reply = CommandKey{1, 0x02};
  Start(f);
  const auto before = clock_.NowMs();
  EXPECT_FALSE(link_->Get_Main_Volume());
  EXPECT_GE(clock_.NowMs() - before, DspLink::kDefaultTimeoutMs);
  EXPECT_TRUE(link_->UnitSilent());
  EXPECT_TRUE(link_->Get_Mute());
  EXPECT_FALSE(link_->UnitSilent());
  // The window hears of the silence once, and of its end before the value that ended it.
  auto ns = main_.Take();
  ASSERT_EQ(ns.size(), 3u);
  EXPECT_EQ(ns[0].message, device::MSG_UNIT_SILENT);
  EXPECT_EQ(ns[0].param, 1);
  EXPECT_EQ(ns[1].message, device::MSG_UNIT_SILENT);
  EXPECT_EQ(ns[1].param, 0);
  EXPECT_EQ(ns[2].param, 0x04);
}

// A unit need not answer ReadScene, SetSceneName or the factory default (it may restart at
// once): quiet there is neither an unanswered command nor a silent unit.
TEST_F(LinkOnEmulator, QuietWhereNoAnswerIsPromisedIsNoFailure) {
  for (const CommandKey key : {CommandKey{2, 0x09}, CommandKey{2, 0x0B}, CommandKey{3, 0x90}}) {
    Faults f;
    f.no_reply = key;
    Start(f);
    const std::uint8_t name[16] = {'Q'};
    device::ExchangeTally tally;
    link_->ReadScene(3, 255);
    link_->SetSceneName(3, name);
    link_->Factory_Default_Ctrl();
    EXPECT_TRUE(tally.Complete()) << int(key.cmd) << ":" << key.sub;
    EXPECT_FALSE(link_->UnitSilent());
  }
  // Restarting straight away, without an answer, is how a factory default may end.
  Faults leaves;
  leaves.no_reply = CommandKey{3, 0x90};
  leaves.unplug_after = 1;
  Start(leaves);
  device::ExchangeTally tally;
  link_->Factory_Default_Ctrl();
  EXPECT_TRUE(tally.Complete());
  // A command that never reached the unit still counts against the operation.
  link_->CloseHIDDevice(false);
  link_->ReadScene(3, 0);
  EXPECT_FALSE(tally.Complete());
}

TEST_F(LinkOnEmulator, ABadChecksumIsNoAnswerAndTheNextFrameDecodes) {
  Faults f;
  f.bad_checksum = CommandKey{1, 0x02};
  Start(f);
  EXPECT_FALSE(link_->Get_Main_Volume());  // bytes came, nothing decoded
  EXPECT_TRUE(link_->Get_Mute());
  auto ns = main_.Take();
  ASSERT_FALSE(ns.empty());
  EXPECT_EQ(ns.back().message, device::MSG_DSP_VALUE);
  EXPECT_EQ(ns.back().param, 0x04);
  EXPECT_EQ(std::count_if(ns.begin(), ns.end(),
                          [](auto& n) { return n.message == device::MSG_DSP_VALUE; }),
            1);
}

TEST_F(LinkOnEmulator, ASplitReplyCompletesWithinItsExchange) {
  Faults f;
  f.split_reply = CommandKey{1, 0x07};
  Start(f);
  EXPECT_TRUE(link_->Get_Delay(0, 0, 0, 5));
  EXPECT_EQ(main_.Count(), 6u);
}

TEST_F(LinkOnEmulator, TwoFramesInOneReportDecodeInOrder) {
  Faults f;
  f.two_frames = CommandKey{1, 0x02};
  Start(f);
  link_->Mute_Ctrl(1, true);
  main_.Take();
  EXPECT_TRUE(link_->Get_Main_Volume());
  auto ns = main_.Take();
  ASSERT_EQ(ns.size(), 2u);
  EXPECT_EQ(ns[0].param, 0x02);
  EXPECT_EQ(ns[1].param, 0x04);
  EXPECT_EQ(ns[1].value, 1);
}

TEST_F(LinkOnEmulator, UnsolicitedKaraokeValuesArePosted) {
  Faults f;
  f.unsolicited_every = 1;
  Start(f);
  link_->PC_Connect(1);  // no answer of its own: the report is the unit's
  EXPECT_TRUE(link_->ReadHIDData(DspLink::kDefaultTimeoutMs));
  auto ns = main_.Take();
  ASSERT_EQ(ns.size(), 1u);
  EXPECT_EQ(ns[0].message, device::MSG_KTV_VALUE);
  EXPECT_EQ(ns[0].param, 1);
  EXPECT_EQ(ns[0].value, 60);
}

TEST_F(LinkOnEmulator, UnplugEndsTheExchanges) {
  Faults f;
  f.unplug_after = 1;
  Start(f);
  EXPECT_TRUE(link_->Get_Main_Volume());
  EXPECT_FALSE(link_->Get_Mute());
  link_->CloseHIDDevice(true);
  EXPECT_NE(link_->OpenHIDDevice(), 0);
  EXPECT_FALSE(link_->IsDeviceOpen());
}

TEST_F(LinkOnEmulator, FactoryDefaultRebootsAndTheUnitCanBeOpenedAgain) {
  Faults f;
  f.reboot_ms = 3000;
  Start(f);
  link_->Main_Volume_Ctrl(-20, true);
  EXPECT_TRUE(link_->Factory_Default_Ctrl());
  EXPECT_FALSE(link_->Get_Main_Volume());
  link_->CloseHIDDevice(false);
  EXPECT_NE(link_->OpenHIDDevice(), 0);
  clock_.AdvanceMs(3000);
  ASSERT_EQ(link_->OpenHIDDevice(), 0);
  main_.Take();
  ASSERT_TRUE(link_->Get_Main_Volume());
  auto ns = main_.Take();
  ASSERT_EQ(ns.size(), 1u);
  EXPECT_EQ(ns[0].value, -5);
}

}  // namespace
}  // namespace tolva::emulator
