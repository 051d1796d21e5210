// The reply callbacks on their own: where each value lands, and the rules with a twist.
#include "device/protocol/records.h"
#include "manager_fixture.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model::testing {
namespace {

using namespace device;

// A reply as the link posts it, through the manager's routing of the main window's messages.
void Deliver(EqualizerManager& manager, std::uint32_t message, std::int64_t param,
             std::int64_t value) {
  Notification n{message, param, value, nullptr};
  manager.HandleNotification(n);
}
template <class R>
void Deliver(EqualizerManager& manager, std::uint32_t message, std::int64_t param,
             std::int64_t value, const R& record) {
  Notification n{message, param, value, std::make_unique<R>(record)};
  manager.HandleNotification(n);
}

class Callbacks : public ::testing::Test {
 protected:
  template <class R>
  void Dsp(int code, const R& record) {
    Deliver(manager_, MSG_DSP_VALUE, code, 0, record);
  }
  EqualizerManager manager_;
  Profile& live_ = manager_.LiveProfile();
};

TEST_F(Callbacks, PlainValuesAndTheSourceCodeRule) {
  Deliver(manager_, MSG_DSP_VALUE, 0x01, 0x53);
  EXPECT_EQ(live_.source, 2);
  Deliver(manager_, MSG_DSP_VALUE, 0x01, 0x60);
  EXPECT_EQ(live_.source, 4);
  Deliver(manager_, MSG_DSP_VALUE, 0x02, -23);
  Deliver(manager_, MSG_DSP_VALUE, 0x03, -9);  // the subwoofer volume is not kept
  Deliver(manager_, MSG_DSP_VALUE, 0x04, 1);
  Deliver(manager_, MSG_DSP_VALUE, 0x26, -61);
  Deliver(manager_, MSG_DSP_VALUE, 0x7E, 5);
  EXPECT_EQ(live_.mainVolume, -23);
  EXPECT_EQ(live_.subVolume, 0);
  EXPECT_EQ(live_.mainVolumeMute, 1);
  EXPECT_EQ(live_.noiseThreshold, -61);
}

TEST_F(Callbacks, StoredScenesGetTheirValuesAndUnheldOutputsNothing) {
  const Profile before = live_;
  ChannelByteReply trim;
  trim.scene = 4;
  trim.ch = 1;
  trim.value = -20;
  Dsp(0x08, trim);
  EXPECT_EQ(manager_.ProfileOfScene(4)->channels[1].gain, -20);
  EXPECT_EQ(live_, before);

  const UnitSettings unit_before = manager_.Unit();
  for (int ch : {6, 7, -1}) {
    ChannelValueReply role;
    role.ch = ch;
    role.value = 3;
    Dsp(0x0D, role);
    FilterReply filter;
    filter.ch = ch;
    Dsp(0x05, filter);
  }
  EqBandReply band;
  band.scene = 11;  // no such scene
  Dsp(0x06, band);
  EXPECT_EQ(manager_.Unit(), unit_before);
}

TEST_F(Callbacks, BandBeyondTheOutputsBandsChangesNothing) {
  EqBandReply r;
  r.ch = 3;
  r.band = 31;
  r.freq = 900;
  r.gain = 4;
  const Profile before = live_;
  Dsp(0x06, r);
  EXPECT_EQ(live_, before);

  live_.channels[3].eqSize = 20;
  live_.channels[3].eqArray[25].enable = 0;
  r.band = 25;
  Dsp(0x06, r);
  EXPECT_EQ(live_.channels[3].eqArray[25].freq, before.channels[3].eqArray[25].freq);

  r.band = 19;
  live_.channels[3].eqArray[19].enable = 0;
  Dsp(0x06, r);
  EXPECT_EQ(live_.channels[3].eqArray[19].freq, 900);
  EXPECT_EQ(live_.channels[3].eqArray[19].enable, 1);  // the live scene enables the band

  r.scene = 2;
  manager_.ProfileOfScene(2)->channels[3].eqArray[19].enable = 0;
  Dsp(0x06, r);
  EXPECT_EQ(manager_.ProfileOfScene(2)->channels[3].eqArray[19].enable, 0);
}

TEST_F(Callbacks, CrossoverRepliesFollowTheStoreRules) {
  FilterReply r;
  r.ch = 5;
  r.hp_type = 9;
  r.hp_freq = 25000;
  r.hp_slope = 2;
  r.lp_type = 2;
  r.lp_freq = 8000;
  r.lp_slope = 0;
  Dsp(0x05, r);
  const Crossover& x = live_.channels[5].crossover;
  EXPECT_EQ(x.hp, FilterSettings::Make(20, 1, 2));
  EXPECT_EQ(x.lp, FilterSettings::Make(8000, 2, 0));
  EXPECT_EQ(x.bpType, 1);
}

TEST_F(Callbacks, MixTrimsOfRoutedInputsReadAsHundred) {
  live_.inputs[2][0] = 0b01;  // input 1 feeds output 0, input 2 does not
  live_.inputs[2][1] = 0b10;
  for (int in : {0, 1}) {
    InputMixReply r;
    r.source = 2;
    r.in_ch = in;
    r.out_ch_x = 0;
    r.out_ch_y = 1;
    r.trims = {0, 0};
    Dsp(0x24, r);
  }
  EXPECT_EQ(live_.inputMixTrim[2][0][0], 100);
  EXPECT_EQ(live_.inputMixTrim[2][0][1], 0);
  EXPECT_EQ(live_.inputMixTrim[2][1][0], 0);
  EXPECT_EQ(live_.inputMixTrim[2][1][1], 100);

  InputMixReply neg;  // a negative byte on a routed input is unset too; a positive one stays
  neg.source = 2;
  neg.in_ch = 0;
  neg.out_ch_x = 0;
  neg.out_ch_y = 0;
  neg.trims = {0xF6};
  Dsp(0x24, neg);
  EXPECT_EQ(live_.inputMixTrim[2][0][0], 100);
  neg.trims = {57};
  Dsp(0x24, neg);
  EXPECT_EQ(live_.inputMixTrim[2][0][0], 57);
}

TEST_F(Callbacks, LinkImpliesLockAndFindsPartners) {
  live_.outputs = {1, 2, 0, 4, 0, 0};
  LinkReply link;
  link.link = 1;
  Dsp(0x0E, link);
  EXPECT_EQ(live_.linkMode, 1);
  EXPECT_EQ(live_.lockMode, 1);
  for (int k = 0; k < kOutputChannels; ++k) {
    const int partner = live_.linkOutputs[k];
    if (partner < 0) continue;
    EXPECT_NE(partner, k);
    EXPECT_EQ(live_.outputs[partner], PartnerRole(live_.outputs[k]));
  }
  EXPECT_EQ(live_.linkOutputs[2], -1);
  link.link = 0;
  Dsp(0x0E, link);
  EXPECT_EQ(live_.linkMode, 0);
  EXPECT_EQ(live_.linkOutputs, (std::array<std::int32_t, 6>{-1, -1, -1, -1, -1, -1}));
}

TEST_F(Callbacks, SceneNamesAndDeviceInformation) {
  SceneNameReply name;
  name.index = 9;
  const char text[] = "Concert hall";
  std::copy(std::begin(text), std::end(text) - 1, name.name.begin());
  Deliver(manager_, MSG_SCENE_VALUE, kSceneName, 0, name);
  EXPECT_EQ(SceneName(*manager_.SceneNameSlotAt(9)), u"Concert");
  name.index = 10;  // no eleventh slot
  const UnitSettings before = manager_.Unit();
  Deliver(manager_, MSG_SCENE_VALUE, kSceneName, 0, name);
  EXPECT_EQ(manager_.Unit(), before);

  FlashVersionReply flash;
  flash.version = {1, 2, 3, 4};
  Deliver(manager_, MSG_MCU_VALUE, kMcuFlashVersion, 0, flash);
  Deliver(manager_, MSG_MCU_VALUE, kMcuPowerOffDelay, 1500);
  EXPECT_EQ(live_.deviceInfo[2], 1);
  EXPECT_EQ(live_.deviceInfo[5], 4);
  EXPECT_EQ(live_.powerOffDelay, 1500);
}

TEST_F(Callbacks, KaraokeCodesOneToEight) {
  for (int code = 0; code <= 9; ++code) Deliver(manager_, MSG_KTV_VALUE, code, 10 + code);
  EXPECT_EQ(live_.micVolume, 11);
  EXPECT_EQ(live_.bgMusicVolume, 12);
  EXPECT_EQ(live_.howlingControl, 13);
  EXPECT_EQ(live_.echoLevel, 14);
  EXPECT_EQ(live_.echoDelay, 15);
  EXPECT_EQ(live_.reverbLevel, 16);
  EXPECT_EQ(live_.reverbTime, 17);
  EXPECT_EQ(live_.voiceChanger, 18);
}

TEST_F(ManagerOnEmulator, LockOffWhileLinkedUnlinksOnceOnTheUnit) {
  ConnectAndSettle();
  Live().outputs = {1, 2, 3, 4, 5, 6};
  LinkReply link;
  link.link = 1;
  Deliver(*manager_, MSG_DSP_VALUE, 0x0E, 0, link);
  log_->Take();
  LockReply lock;
  lock.lock = 0;
  Deliver(*manager_, MSG_DSP_VALUE, 0x0F, 0, lock);
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().linkMode, 0);
  ASSERT_TRUE(log_->WaitForCount(1));
  Deliver(*manager_, MSG_DSP_VALUE, 0x0F, 0, lock);  // already unlinked: nothing more
  manager_->Disconnect();
  auto sent = log_->Take();
  ASSERT_EQ(sent.size(), 2u);  // the unlink, then the goodbye
  EXPECT_EQ(sent[0].sub, 0x0E);
  EXPECT_EQ(sent[0].op, 0xBB);
  EXPECT_EQ(sent[0].payload[1], 0);  // link off
  EXPECT_EQ(sent[1].sub, 0x1F);
}

}  // namespace
}  // namespace tolva::model::testing
