#include "model/edits/edit_rules.h"

#include <gtest/gtest.h>

#include "model/edits/screen_text.h"

namespace tolva::model {
namespace {

TEST(EditRules, FrequencyTextTakesAThousandsLetter) {
  EXPECT_EQ(ParseFrequency("1K2"), 1200);
  EXPECT_EQ(ParseFrequency("2k"), 2000);
  EXPECT_EQ(ParseFrequency("15k9"), 15900);
  EXPECT_EQ(ParseFrequency("1k25"), 1250);  // every digit counts, not the hundreds alone
  EXPECT_EQ(ParseFrequency("2K999Hz"), 2999);
  EXPECT_EQ(ParseFrequency("1K2345"), 1235);  // to the nearest hertz
  EXPECT_EQ(ParseFrequency("150Hz"), 150);
  EXPECT_EQ(ParseFrequency("abc"), 0);
  EXPECT_EQ(ParseFrequency(""), 0);
  EXPECT_EQ(ParseFrequency("99999999999999k"), INT32_MAX);  // no overflow
  EXPECT_EQ(ParseInteger("-12dB"), -12);
  EXPECT_EQ(ParseInteger("${off}"), 0);
  EXPECT_DOUBLE_EQ(ParseReal("7.25ms"), 7.25);
  EXPECT_DOUBLE_EQ(ParseReal("nan"), 0.0);
  EXPECT_DOUBLE_EQ(ParseReal("inf"), 0.0);
}

TEST(EditRules, FrequencyStepsWalkALogScaleOf200Steps) {
  EXPECT_EQ(StepFrequency(1000, true), 1026);
  EXPECT_EQ(StepFrequency(1000, false), 957);
  EXPECT_EQ(StepFrequency(1026, true), 1062);
  EXPECT_EQ(StepFrequency(20, true), 21);
  EXPECT_EQ(StepFrequency(20, false), 20);
  EXPECT_EQ(StepFrequency(19999, true), 20000);
  // Every step up moves, and 200 of them cross the whole range.
  int f = 20, steps = 0;
  while (f < 20000 && steps < 400) {
    const int next = StepFrequency(f, true);
    ASSERT_GT(next, f) << "stuck at " << f;
    f = next;
    ++steps;
  }
  EXPECT_EQ(f, 20000);
  EXPECT_LE(steps, 200);
}

TEST(EditRules, FlatMeansLessThanAHundredthOfADecibelInAll) {
  ChannelSettings ch;
  EXPECT_TRUE(IsFlat(ch));
  ch.eqArray[3].eqGain = 0.004f;
  ch.eqArray[9].eqGain = -0.004f;
  EXPECT_TRUE(IsFlat(ch));
  ch.eqArray[12].eqGain = 0.5f;
  EXPECT_FALSE(IsFlat(ch));
  ch.eqSize = 12;  // bands beyond the size do not count
  EXPECT_TRUE(IsFlat(ch));
}

TEST(EditRules, DelayEditsInEachUnit) {
  EXPECT_EQ(DelayText(7.5f, 0), "7.500");
  EXPECT_EQ(DelayText(7.5f, 1), "260");
  EXPECT_EQ(DelayText(7.5f, 2), "102");
  EXPECT_DOUBLE_EQ(DelayEditLimit(600, 1), 519);
  EXPECT_FLOAT_EQ(DelayMsFromEdit(600, 1), 15.0f);
  EXPECT_FLOAT_EQ(DelayMsFromEdit(102.9, 2), 102 * 15.0f / 204);  // whole inches
  EXPECT_FLOAT_EQ(DelayMsFromEdit(-3, 0), 0.0f);
  EXPECT_FLOAT_EQ(DelayMsFromEdit(16.2, 0), 15.0f);
  // A centimetre value shown again reads back the same.
  for (int cm = 0; cm <= 519; ++cm) {
    ASSERT_EQ(DelayText(DelayMsFromEdit(cm, 1), 1), std::to_string(cm));
  }
}

}  // namespace
}  // namespace tolva::model
