#include "model/tuning/speaker_protection.h"

#include <gtest/gtest.h>

#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

Profile WithRole(Profile p, int output, int role) {
  p.outputs[output] = role;
  p.channels[output].crossover = DefaultCrossoverOfRole(role);
  return p;
}

TEST(SpeakerProtection, TweetersNeedAHighPassFromOneKilohertz) {
  Profile p = WithRole(Profile{}, 0, 1);  // front left tweeter, 3400 Hz slope 2
  p = WithRole(p, 1, 4);                  // a mid-range tweeter at 600 Hz is not counted
  p = WithRole(p, 2, 22);                 // nor is a subwoofer
  EXPECT_TRUE(UnprotectedTweeters(p).empty());
  for (int tweeter : {1, 7, 13, 16, 19}) EXPECT_TRUE(IsTweeterRole(tweeter)) << tweeter;

  p.channels[0].crossover.hp.StoreFs(1000);
  EXPECT_FALSE(IsUnprotectedTweeter(p, 0));
  p.channels[0].crossover.hp.StoreFs(999);
  EXPECT_TRUE(IsUnprotectedTweeter(p, 0));
  p.channels[0].crossover.hp.StoreFs(5000);
  p.channels[0].crossover.hp.StoreSlope(0);
  ASSERT_EQ(UnprotectedTweeters(p).size(), 1u);
  EXPECT_TRUE(UnprotectedTweeters(p)[0].high_pass_off);
}

TEST(SpeakerProtection, AsksOnlyAboutOutputsTheChangeLeavesUnprotected) {
  Profile before = WithRole(Profile{}, 3, 16);  // rear right tweeter, protected
  before.outputs[5] = 19;                       // centre tweeter, already full range
  Profile after = before;
  after.channels[5].crossover.hp.StoreFs(30);  // lowered further: was unprotected already
  after = WithRole(after, 1, 7);               // a new tweeter, protected by its default
  EXPECT_TRUE(NewlyUnprotectedTweeters(before, after).empty());

  after.channels[3].crossover.hp.StoreSlope(0);  // the high-pass switched off
  after.outputs[2] = 13;                         // a file puts a tweeter on a full-range output
  const auto asked = NewlyUnprotectedTweeters(before, after);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].output, 2);
  EXPECT_EQ(asked[0].role, 13);
  EXPECT_EQ(asked[0].high_pass_hz, 20);
  EXPECT_EQ(asked[1].output, 3);
  EXPECT_TRUE(NewlyUnprotectedTweeters(after, before).empty());
}

}  // namespace
}  // namespace tolva::model
