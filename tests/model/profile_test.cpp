#include "model/profile/profile.h"

#include <gtest/gtest.h>

#include "model/profile/input_sources.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

TEST(ProfileReset, DefaultsOfEveryField) {
  Profile p;
  p.deviceInfo = {7, 8, 9, 10, 11, 12};
  p.mainVolume = 3;
  p.channels[2].eqArray[4].eqGain = 6.0f;
  p.inputMixTrim[3][7][5] = 12;
  ResetProfile(p);
  EXPECT_EQ(p.modelId, -1);
  EXPECT_EQ(p.deviceInfo, (std::array<std::int32_t, 6>{-1, -1, 9, 10, 11, 12}));
  EXPECT_EQ(p.mainVolume, -5);
  EXPECT_EQ(p.channelCount, 6);
  EXPECT_EQ(p.noiseThreshold, -40);
  EXPECT_EQ(p.micVolume, 60);
  EXPECT_EQ(p.bgMusicVolume, 60);
  EXPECT_EQ(p.outputs, (std::array<std::int32_t, 6>{6, 12, 15, 18, 22, 23}));
  EXPECT_EQ(p.linkOutputs, (std::array<std::int32_t, 6>{-1, -1, -1, -1, -1, -1}));
  EXPECT_EQ(p.inputs[0], (std::array<std::int32_t, 6>{1, 2, 1, 2, 3, 3}));
  EXPECT_EQ(p.inputs[4], (std::array<std::int32_t, 6>{1, 2, 4, 8, 3, 3}));
  EXPECT_EQ(p.inputs[5], (std::array<std::int32_t, 6>{1, 2, 4, 8, 3, 3}));
  for (const auto& per_source : p.inputMixTrim) {
    for (const auto& row : per_source) {
      for (int v : row) ASSERT_EQ(v, 100);
    }
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    const ChannelSettings& ch = p.channels[c];
    EXPECT_EQ(ch.eqSize, 31);
    EXPECT_EQ(ch.phase, 0);  // normal polarity
    EXPECT_EQ(ch.bypass, 1);
    EXPECT_EQ(ch.delay, 0.0f);
    for (int b = 0; b < kEqBands; ++b) {
      EXPECT_EQ(ch.eqArray[b], (EqBand{0.0f, 5.8f, kBandCentres[b], 1})) << c << "/" << b;
    }
  }
  for (const auto& table : p.spareBands) {
    for (int b = 0; b < kSpareBands; ++b) EXPECT_EQ(table[b].freq, kBandCentres[b]);
  }
  const Crossover full_range{0, {20, 3, 0, 1}, {20000, 3, 0, 1}};
  const Crossover sub{3, {30, 1, 4, 0}, {50, 1, 2, 0}};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(p.channels[c].crossover, full_range) << c;
  EXPECT_EQ(p.channels[4].crossover, sub);
  EXPECT_EQ(p.channels[5].crossover, sub);
  Profile fresh;  // nothing the reset missed
  fresh.deviceInfo = {-1, -1, 9, 10, 11, 12};
  EXPECT_EQ(p, fresh);
}

TEST(ProfileReset, EightOutputFormStartsFromItsOwnRoles) {
  Profile p;
  ResetProfile(p, false);
  EXPECT_EQ(p.channelCount, 8);
  EXPECT_EQ(p.outputs, (std::array<std::int32_t, 6>{6, 12, 15, 18, 19, 20}));
  EXPECT_EQ(p.channels[4].crossover, DefaultCrossoverOfRole(19));
}

TEST(FilterStoreRules, OutOfRangeValuesAreReplacedNotClamped) {
  FilterSettings f;
  for (int bad : {25000, 10, 0, -1, 20001}) {
    f.StoreFs(bad);
    EXPECT_EQ(f.fs, 20) << bad;
  }
  f.StoreFs(20000);
  EXPECT_EQ(f.fs, 20000);
  for (int bad : {0, 4, -3}) {
    f.StoreType(bad);
    EXPECT_EQ(f.type, 1) << bad;
  }
  f.StoreType(3);
  EXPECT_EQ(f.type, 3);
  f.StoreSlope(5);
  EXPECT_EQ(f.slope, 5);
  EXPECT_EQ(f.bypass, 0);
  f.StoreSlope(-2);
  EXPECT_EQ(f.slope, 0);
  EXPECT_EQ(f.bypass, 1);
  f.StoreSlope(12);  // only negatives are corrected; the curve clamps the order itself
  EXPECT_EQ(f.slope, 12);
}

TEST(SpeakerRoles, CrossoversAndPartners) {
  EXPECT_EQ(DefaultCrossoverOfRole(1), (Crossover{1, {3400, 3, 2, 0}, {20000, 3, 0, 1}}));
  EXPECT_EQ(DefaultCrossoverOfRole(3), (Crossover{3, {70, 3, 3, 0}, {320, 3, 2, 0}}));
  EXPECT_EQ(DefaultCrossoverOfRole(24), (Crossover{3, {30, 1, 4, 0}, {50, 1, 2, 0}}));
  EXPECT_EQ(DefaultCrossoverOfRole(25), DefaultCrossoverOfRole(0));
  EXPECT_EQ(DefaultCrossoverOfRole(-3), DefaultCrossoverOfRole(0));
  EXPECT_EQ(MakeCrossover(FilterSettings::Make(20, 1, 0), FilterSettings::Make(500, 1, 4)).bpType,
            2);
  for (int role = 0; role < kSpeakerRoles; ++role) {
    const int partner = PartnerRole(role);
    if (partner != kNoPartner) {
      EXPECT_EQ(PartnerRole(partner), role) << "pairs are mutual";
      EXPECT_EQ(DefaultCrossoverOfRole(partner), DefaultCrossoverOfRole(role));
    }
  }
  EXPECT_EQ(PartnerRole(19), kNoPartner);
}

TEST(InputSources, CodesMapBothWaysAndUnknownCodesSelectFour) {
  for (int i = 0; i < kInputSources; ++i) EXPECT_EQ(SourceIndexFromCode(SourceCode(i)), i);
  EXPECT_EQ(SourceIndexFromCode(0x60), 4);
  EXPECT_EQ(SourceIndexFromCode(0), 4);
  EXPECT_EQ(SourceInfo(2).mixer_inputs, 2);
  EXPECT_EQ(SourceInfo(5).mixer_inputs, 4);
  EXPECT_TRUE(SourceInfo(2).offered);
  EXPECT_FALSE(SourceInfo(0).offered);
  EXPECT_TRUE(SourceRoutesOnlyTwoInputs(3));
  EXPECT_FALSE(SourceRoutesOnlyTwoInputs(5));
}

TEST(ProfileAccess, BandTablesAndScenes) {
  UnitSettings unit;
  EXPECT_EQ(BandTable(unit.live, 6), nullptr);
  EXPECT_EQ(BandTable(unit.live, 7), nullptr);
  EXPECT_EQ(BandTable(unit.live, -1), nullptr);
  EXPECT_EQ(BandTable(unit.live, 5), unit.live.channels[5].eqArray.data());
  unit.live.channels[2].eqSize = 12;
  EXPECT_EQ(BandsInUse(unit.live, 2), 12);
  EXPECT_EQ(BandsInUse(unit.live, 9), 0);
  EXPECT_EQ(unit.ProfileOfScene(0), &unit.live);
  EXPECT_EQ(unit.ProfileOfScene(1), &unit.scenes[0]);
  EXPECT_EQ(unit.ProfileOfScene(10), &unit.scenes[9]);
  EXPECT_EQ(unit.ProfileOfScene(11), nullptr);
  EXPECT_EQ(unit.ProfileOfScene(-1), nullptr);
}

TEST(SceneNames, SlotHoldsSevenCharactersAndItsTerminator) {
  SceneNameSlot slot;
  slot.fill(0xEE);
  SetSceneName(slot, u"abc");
  EXPECT_EQ(slot, (SceneNameSlot{'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(SceneName(slot), u"abc");
  SetSceneName(slot, u"\u4e2d\u6587 scene long");
  EXPECT_EQ(SceneName(slot), u"\u4e2d\u6587 scen");
  EXPECT_EQ(slot[14], 0);
  EXPECT_EQ(slot[15], 0);
}

}  // namespace
}  // namespace tolva::model
