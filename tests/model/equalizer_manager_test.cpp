#include "model/manager/equalizer_manager.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tolva::model {
namespace {

TEST(EqualizerManager, StartsWithResetProfilesAndEmptyNames) {
  EqualizerManager m;
  EXPECT_EQ(m.LiveProfile(), Profile{});
  for (int s = 1; s <= kStoredScenes; ++s) EXPECT_EQ(*m.ProfileOfScene(s), Profile{});
  EXPECT_EQ(m.ProfileOfScene(11), nullptr);
  for (int k = 0; k < kStoredScenes; ++k) EXPECT_EQ(*m.SceneNameSlotAt(k), SceneNameSlot{});
  EXPECT_EQ(m.SceneNameSlotAt(10), nullptr);
}

TEST(EqualizerManager, CurvesFollowTheLiveProfileAndItsBypassFlags) {
  EqualizerManager m;
  Profile& p = m.LiveProfile();
  p.channels[1].eqArray[17] = {6.0f, 1.0f, 1000, 1};  // band at 1000 Hz, +6 dB
  p.channels[1].bypass = 0;
  p.channels[1].crossover.hp = FilterSettings::Make(100, 1, 4);
  m.ComputeAllResponses();
  const auto& grid = m.Grid();
  const auto& c1 = m.ChannelCurvesOf(1);
  std::size_t near_1k = 0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (std::abs(std::log(grid[i] / 1000)) < std::abs(std::log(grid[near_1k] / 1000))) near_1k = i;
  }
  EXPECT_NEAR(c1.eq[near_1k], 6.0, 0.05);
  EXPECT_LT(c1.hp[0], -100.0);
  EXPECT_EQ(c1.lp[0], 0.0);  // lp bypassed by the role default
  // Roles 22/23 keep their sub crossovers on outputs 4 and 5; no band is active by default.
  EXPECT_LT(m.ChannelCurvesOf(4).total[400], -60.0);
  for (double v : m.ChannelCurvesOf(0).total) ASSERT_EQ(v, 0.0);
  // The same band with the channel's EQ bypassed, or the band disabled, is flat.
  p.channels[1].bypass = 1;
  m.ComputeChannelResponse(1);
  EXPECT_EQ(m.ChannelCurvesOf(1).eq[near_1k], 0.0);
  p.channels[1].bypass = 0;
  p.channels[1].eqArray[17].enable = 0;
  m.ComputeChannelResponse(1);
  EXPECT_EQ(m.ChannelCurvesOf(1).eq[near_1k], 0.0);
  // Only the first eqSize bands count.
  p.channels[1].eqArray[17].enable = 1;
  p.channels[1].eqSize = 17;
  m.ComputeChannelResponse(1);
  EXPECT_EQ(m.ChannelCurvesOf(1).eq[near_1k], 0.0);
}

TEST(EqualizerManager, CurrentResponsesIncludeTheLinkedPartner) {
  EqualizerManager m;
  Profile& p = m.LiveProfile();
  for (int c : {2, 3, 4}) {
    p.channels[c].bypass = 0;
    p.channels[c].eqArray[10].eqGain = 5.0f;
  }
  p.currChannel = 2;
  p.linkOutputs[2] = 3;
  m.ComputeCurrentResponses();
  EXPECT_GT(m.ChannelCurvesOf(2).eq[250], 0.0);
  EXPECT_GT(m.ChannelCurvesOf(3).eq[250], 0.0);
  EXPECT_EQ(m.ChannelCurvesOf(4).eq[250], 0.0);  // not recomputed
  p.currChannel = 9;  // a file may carry it: nothing is computed, nothing breaks
  m.ComputeCurrentResponses();
}

}  // namespace
}  // namespace tolva::model
