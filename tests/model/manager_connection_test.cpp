// The connection lifecycle against the in-process emulated unit: the connect read and what it
// leaves in the live profile, its request order, toggling, plug events and the failing units.
#include "device/link/exchange_tally.h"
#include "device/protocol/reply_decoder.h"
#include "manager_fixture.h"

namespace tolva::model::testing {
namespace {

using emulator::CommandKey;
using emulator::Faults;
using emulator::UnitState;

constexpr int kSet = kOpSet, kGet = kOpGet;

// The requests of the connect read of a model-19 unit with 31 bands on every output.
std::vector<Expected> ConnectRead() {
  std::vector<Expected> e{
      {3, 0x1F, kSet, {1}},          {3, 0x08, kSet, {}},           {1, 0x01, kGet, {}},
      {1, 0x02, kGet, {}},           {1, 0x03, kGet, {}},           {1, 0x04, kGet, {}},
      {1, 0x0D, kGet, {0, 0, 0, 6}}, {1, 0x0E, kGet, {0}},          {1, 0x0F, kGet, {0}},
      {1, 0x05, kGet, {0, 0, 0, 3}}, {1, 0x05, kGet, {0, 0, 4, 7}}, {1, 0x12, kGet, {0, 0, 0, 5}}};
  for (std::uint8_t ch = 0; ch < 6; ++ch) {
    for (std::uint8_t b : {0, 8, 16, 24}) {
      e.push_back({1, 0x06, kGet, {0, 0, ch, b, static_cast<std::uint8_t>(b == 24 ? 30 : b + 7)}});
    }
  }
  for (int sub : {0x07, 0x08, 0x09, 0x0A}) e.push_back({1, sub, kGet, {0, 0, 0, 5}});
  for (std::uint8_t s = 0; s < 7; ++s) e.push_back({1, 0x0B, kGet, {0, s, 0, 5}});
  for (std::uint8_t k = 1; k <= 10; ++k) e.push_back({2, 0x0B, kGet, {k}});
  return e;
}

TEST_F(ManagerOnEmulator, ConnectReadFillsTheLiveProfileWithTheUnitsValues) {
  Edit([](UnitState& u) {
    u.source_code = 0x56;
    u.main_volume_db = -37;
    u.main_mute = 1;
    emulator::OutputState& o = u.scenes[0].outputs[2];
    o.role = 9;
    o.hp = {2, 150, 3};
    o.lp = {3, 5000, 2};
    o.bands[30] = {18000, 850, 240};  // Q 8.5, +6 dB
    o.delay_us = 7359;
    o.trim_db = -12;
    o.mute = 1;
    o.phase = 0;
    o.bypass = 0;
    u.scenes[0].mix[3][1] = 0x05;
    u.names[9] = {0xD6, 0xD0, 0xCE, 0xC4, 0xB3, 0xA1, 0xBE, 0xB0,
                  0xC3, 0xFB, 0xB3, 0xC6, 0xB2, 0xE2, 0xCA, 0xD4};
  });
  ConnectAndSettle();

  EXPECT_EQ(manager_->State(), ConnectState::kConnected);
  EXPECT_EQ(view_.states, (std::vector{ConnectState::kConnecting, ConnectState::kConnected}));
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_GE(view_.graph_updates, 1);
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(manager_->Link().IsCommandQueueEnabled());

  const Profile& p = Live();
  EXPECT_EQ(p.modelId, 19);
  EXPECT_EQ(p.deviceInfo[0], 3);
  EXPECT_EQ(p.deviceInfo[1], 7);
  EXPECT_EQ(p.source, 5);
  EXPECT_EQ(p.mainVolume, -37);
  EXPECT_EQ(p.mainVolumeMute, 1);
  EXPECT_EQ(p.outputs[2], 9);
  const ChannelSettings& c = p.channels[2];
  EXPECT_EQ(c.crossover.hp, FilterSettings::Make(150, 2, 3));
  EXPECT_EQ(c.crossover.lp, FilterSettings::Make(5000, 3, 2));
  EXPECT_EQ(c.crossover.bpType, 3);
  EXPECT_EQ(c.eqArray[30].freq, 18000);
  EXPECT_NEAR(c.eqArray[30].eqFactor, 8.5f, 1e-3);
  EXPECT_NEAR(c.eqArray[30].eqGain, 6.0f, 1e-3);
  EXPECT_NEAR(c.delay, 7.359f, 1e-4);
  EXPECT_EQ(c.gain, -12);
  EXPECT_EQ(c.mute, 1);
  EXPECT_EQ(c.phase, 0);
  EXPECT_EQ(c.bypass, 0);
  EXPECT_EQ(p.inputs[3][1], 0x05);
  // Eight GBK characters on the unit; the slot keeps seven.
  EXPECT_EQ(SceneName(*manager_->SceneNameSlotAt(9)), u"中文场景名称测");
  // The curves were recomputed from the values read: band 30 lifts the top of output 2.
  const dsp::Curve& eq = manager_->ChannelCurvesOf(2).eq;
  EXPECT_GT(*std::max_element(eq.begin(), eq.end()), 3.0);
}

TEST_F(ManagerOnEmulator, ConnectReadAsksForEveryValueInItsOrder) {
  ConnectAndSettle();
  ExpectFrames(log_->Take(), ConnectRead());
}

// A unit that does not know one request (here the output lock) still has everything else read;
// one that answers nothing more is given up on after three requests, not fifty time-outs.
TEST_F(ManagerOnEmulator, ARequestLeftUnansweredCostsItsTimeOutNotTheRestOfTheRead) {
  Faults f;
  f.no_reply = CommandKey{1, 0x0F};
  Start(f);
  Edit([](UnitState& s) {
    s.scenes[0].outputs[4].delay_us = 7250;
    s.scenes[0].outputs[5].phase = 0;
    s.names[2] = {'Z', '3'};
  });
  ConnectAndSettle();
  EXPECT_NEAR(Live().channels[4].delay, 7.25f, 1e-4);
  EXPECT_EQ(Live().channels[5].phase, 0);
  EXPECT_EQ(SceneName(*manager_->SceneNameSlotAt(2)), u"Z3");

  f.no_reply = CommandKey{1, CommandKey::kAnySub};
  Start(f);
  log_->Take();
  ConnectAndSettle();
  int requests = 0;
  for (const SentFrame& frame : log_->Take()) requests += frame.cmd == 1;
  EXPECT_EQ(requests, device::ExchangeTally::kGiveUpAfter);
  EXPECT_NE(manager_->State(), ConnectState::kConnected);
}

TEST_F(ManagerOnEmulator, ConnectWhileConnectedDisconnectsAndSaysGoodbye) {
  ConnectAndSettle();
  log_->Take();
  manager_->Connect(true);
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_FALSE(manager_->Link().IsDeviceOpen());
  EXPECT_EQ(Live().modelId, kNoModel);
  ExpectFrames(log_->Take(), {{3, 0x1F, kSet, {0}}});
  EXPECT_FALSE(unit_->WithUnit([](emulator::EmulatedUnit& u) { return u.pc_connected(); }));
  // And the next press connects again.
  ConnectAndSettle(true);
  EXPECT_EQ(manager_->State(), ConnectState::kConnected);
}

TEST_F(ManagerOnEmulator, UnplugDisconnectsWithANoticeAndPlugInReadsAgain) {
  ConnectAndSettle();
  manager_->DevicePlugOut();
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_EQ(view_.plug_out_notices, 1);
  EXPECT_EQ(Live().modelId, kNoModel);

  Edit([](UnitState& u) { u.main_volume_db = -44; });
  log_->Take();
  manager_->DevicePlugin();
  Settle();
  EXPECT_EQ(manager_->State(), ConnectState::kConnected);
  EXPECT_EQ(Live().mainVolume, -44);
  EXPECT_EQ(log_->Take().size(), ConnectRead().size());
}

TEST_F(ManagerOnEmulator, UpgradeStatesFreezeTheConnection) {
  ConnectAndSettle();
  for (int state : {device::UPG_ENTER, device::UPG_START}) {
    manager_->Link().SetUpgradeState(state);
    manager_->DevicePlugOut();
    manager_->Connect(true);
    manager_->Disconnect();
    manager_->DevicePlugin();
    EXPECT_EQ(manager_->State(), ConnectState::kConnected);
    EXPECT_TRUE(manager_->Link().IsDeviceOpen());
  }
  EXPECT_EQ(view_.plug_out_notices, 0);
  manager_->Link().SetUpgradeState(device::UPG_IDLE);
  manager_->DevicePlugOut();
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
}

TEST_F(ManagerOnEmulator, NoUnitMessageOnlyWhenThePressAskedForIt) {
  manager_ = std::make_unique<EqualizerManager>([] { return nullptr; }, clock_);
  manager_->SetView(&view_);
  manager_->Connect(false);
  EXPECT_TRUE(view_.messages.empty());
  manager_->Connect(true);
  EXPECT_EQ(view_.messages, std::vector<std::string>{"${device_connect_fail}"});
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_FALSE(manager_->IsReading());
}

TEST_F(ManagerOnEmulator, AnotherModelIsNamedThenDisconnectedWithoutReading) {
  Faults f;
  f.model = 12;
  Start(f);
  ConnectAndSettle();
  EXPECT_EQ(view_.messages, std::vector<std::string>{"${device_not_match} 12"});
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_FALSE(manager_->Link().IsDeviceOpen());
  EXPECT_EQ(Live().modelId, kNoModel);
  EXPECT_EQ(view_.busy_depth, 0);
  const auto sent = log_->Take();
  ASSERT_EQ(sent.size(), 3u);  // connect, handshake, goodbye
  EXPECT_EQ(sent[2].sub, 0x1F);
}

TEST_F(ManagerOnEmulator, AbnormalHandshakeLeavesTheLinkOpenForTheUpdateWindow) {
  Faults f;
  f.abnormal_handshake = true;
  Start(f);
  ConnectAndSettle();
  EXPECT_EQ(view_.messages, std::vector<std::string>{"${device_status_unnormal}"});
  EXPECT_EQ(view_.update_windows, 1);
  EXPECT_TRUE(manager_->Link().IsDeviceOpen());
  EXPECT_FALSE(manager_->Link().IsCommandQueueEnabled());
  EXPECT_NE(manager_->State(), ConnectState::kConnected);
  EXPECT_EQ(log_->Take().size(), 2u);
}

TEST_F(ManagerOnEmulator, SilentHandshakeFailsTheConnection) {
  Faults f;
  f.no_reply = CommandKey{3, 0x08};
  Start(f);
  ConnectAndSettle(true);
  EXPECT_EQ(view_.messages, std::vector<std::string>{"${device_connect_fail}"});
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_FALSE(manager_->Link().IsDeviceOpen());
  EXPECT_EQ(view_.busy_depth, 0);
}

TEST_F(ManagerOnEmulator, ConnectedWithoutTheInformationRecordDisconnects) {
  ConnectAndSettle();
  Live().modelId = kNoModel;
  device::Notification done{MSG_CONNECT_DONE, 0, 0, nullptr};
  manager_->HandleNotification(done);
  EXPECT_EQ(manager_->State(), ConnectState::kDisconnected);
  EXPECT_FALSE(manager_->Link().IsDeviceOpen());
}

TEST_F(ManagerOnEmulator, FactoryDefaultAsksThenResetsOnAThread) {
  ConnectAndSettle();
  view_.confirm = false;
  manager_->ResetMcuFactoryDefault();
  manager_->JoinWorkers();
  EXPECT_EQ(manager_->ProcessPendingNotifications(), 0u);

  view_.confirm = true;
  view_.messages.clear();
  log_->Take();
  manager_->ResetMcuFactoryDefault();
  manager_->JoinWorkers();
  manager_->ProcessPendingNotifications();
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{"${factory_default_tips}", "${device_reboot}"}));
  EXPECT_EQ(view_.busy_depth, 0);
  ExpectFrames(log_->Take(), {{3, 0x90, kSet, {}}});

  // The unit restarts: its leaving says so, not "check the cable"; once back, a leaving does.
  manager_->DevicePlugOut();
  EXPECT_EQ(view_.plug_out_text, "${device_reboot}");
  manager_->DevicePlugin();
  Settle();
  manager_->DevicePlugOut();
  EXPECT_EQ(view_.plug_out_text, "${device_plugout}");
}

}  // namespace
}  // namespace tolva::model::testing

namespace tolva::model::testing {
namespace {

// A unit reporting its link on but its lock off is unlinked: the read's queue drops commands,
// so the unlink goes once the read has ended, once.
TEST_F(ManagerOnEmulator, ALinkReportedWithoutItsLockIsUndoneOnceTheReadHasEnded) {
  Edit([](emulator::UnitState& u) {
    u.scenes[0].link = 1;
    u.scenes[0].link_data = {0, 1, 2, 3, 4, 5};
    u.scenes[0].lock = 0;
  });
  ConnectAndSettle();
  ASSERT_EQ(manager_->State(), ConnectState::kConnected);
  ASSERT_TRUE(manager_->Link().WaitUntilQueueIdle(5000));
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(unit_->Snapshot().scenes[0].link, 0);
  const auto sent = log_->Take();
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                          [](const SentFrame& f) { return f.sub == 0x0E && f.op == kOpSet; }),
            1);
}

}  // namespace
}  // namespace tolva::model::testing
