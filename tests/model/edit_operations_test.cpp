// The edits as operations on a profile: what they store and what they report for sending.
#include <cmath>

#include <gtest/gtest.h>

#include "model/edits/edit_operations.h"
#include "model/edits/output_operations.h"

namespace tolva::model {
namespace {

// Editing a band of a bypassed output first silences its audible bands, each with the values it
// held then: the edited band itself goes out at its old frequency and Q before its new values.
TEST(EditBand, ABypassedOutputIsSilencedWithTheValuesItHeld) {
  Profile p;
  ResetProfile(p);
  ChannelSettings& ch = p.channels[0];
  ch.bypass = 1;
  ch.eqArray[3] = {.eqGain = 2.0f, .eqFactor = 1.5f, .freq = 250, .enable = 1};
  ch.eqArray[6].eqGain = -1.0f;
  const BandEditResult r = EditBand(p, 0, -1, 3, {900, 3.0f, 4.0f}, BandSource::kEdit);
  ASSERT_EQ(r.cleared.size(), 2u);
  EXPECT_EQ(r.cleared[0].band, 3);
  EXPECT_EQ(r.cleared[0].freq, 250);
  EXPECT_FLOAT_EQ(r.cleared[0].q, 1.5f);
  EXPECT_EQ(r.cleared[1].band, 6);
  EXPECT_TRUE(r.stored);
  EXPECT_EQ(ch.eqArray[3].freq, 900);
  EXPECT_FLOAT_EQ(ch.eqArray[6].eqGain, 0.0f);
  EXPECT_EQ(r.bypass_changed, std::vector<int>{0});
  EXPECT_EQ(ch.bypass, 0);

  // The graph reporting what it was shown changes nothing, bypass included.
  ch.bypass = 1;
  const BandEditResult hover = EditBand(p, 0, -1, 3, {900, 3.0f, 0.0f}, BandSource::kGraph);
  EXPECT_TRUE(hover.cleared.empty());
  EXPECT_FALSE(hover.stored);
  EXPECT_EQ(ch.bypass, 1);
}

// Whoever edits (window, command line, filter import), what goes to the unit stays within the
// limits: a value beyond them is stored and sent at the bound.
TEST(OutputEdits, ValuesBeyondTheirLimitsAreStoredAndSentAtTheBound) {
  Profile p;
  ResetProfile(p);
  const OutputEdit gain = EditChannelGain(p, 1, -1, 40);
  EXPECT_EQ(p.channels[1].gain, 0);
  ASSERT_EQ(gain.commands.size(), 1u);
  EXPECT_EQ(std::get<ChannelListCommand>(gain.commands[0]).values, std::vector<int>{0});

  const OutputEdit volume = EditMainVolume(p, -500);
  EXPECT_EQ(std::get<MainVolumeCommand>(volume.commands.at(0)).volume, -128);

  const OutputEdit delay = EditDelay(p, 2, 99.0f);
  EXPECT_FLOAT_EQ(p.channels[2].delay, 15.0f);
  EXPECT_EQ(std::get<DelayCommand>(delay.commands.at(0)).delays, std::vector<float>{15.0f});
  // Not a number: nothing stored, nothing sent.
  EXPECT_TRUE(EditDelay(p, 2, std::nanf("")).commands.empty());
  EXPECT_FLOAT_EQ(p.channels[2].delay, 15.0f);
}

}  // namespace
}  // namespace tolva::model
