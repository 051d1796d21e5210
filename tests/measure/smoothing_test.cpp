#include <gtest/gtest.h>

#include <cmath>

#include "measure/response.h"
#include "measure/smoothing.h"

namespace tolva::measure {
namespace {

TEST(Smoothing, ParsesTheFormsItNames) {
  for (const char* text : {"none", "1/1", "1/3", "1/48", "var", "psy"}) {
    const auto s = ParseSmoothing(text);
    ASSERT_TRUE(s) << text;
    EXPECT_EQ(s->Name(), text);
  }
  for (const char* text : {"1/0", "1/49", "1/3.5", "1/", "2/3", "", "VAR"})
    EXPECT_FALSE(ParseSmoothing(text)) << text;
  const Smoothing var{Smoothing::Kind::kVariable};
  EXPECT_DOUBLE_EQ(var.OctavesAt(50.0), 1.0 / 48.0);
  EXPECT_DOUBLE_EQ(var.OctavesAt(20000.0), 1.0 / 3.0);
  EXPECT_NEAR(var.OctavesAt(1000.0), std::sqrt(1.0 / 48.0 / 3.0), 1e-12);
  const Smoothing psy{Smoothing::Kind::kPsychoacoustic};
  EXPECT_DOUBLE_EQ(psy.OctavesAt(80.0), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(psy.OctavesAt(5000.0), 1.0 / 6.0);
}

// One loud bin in a flat spectrum: smoothing spreads it over exactly its band, and the cubic
// mean of the psychoacoustic smoothing weighs it more than the power mean does.
TEST(Smoothing, SpreadsOverItsBandOnly) {
  DenseSpectrum flat;
  flat.bin_hz = 1.0;
  flat.bins.assign(20001, 1.0);
  flat.bins[1000] = 10.0;
  const Response third = ResponseOnGrid(flat, {1000.0 * std::exp2(-0.15), 1000.0 * std::exp2(-0.2)},
                                        {Smoothing::Kind::kFraction, 3});
  EXPECT_GT(third.db[0], 0.1);  // 1 kHz lies inside the band of 1000·2^-0.15 (±1/6 octave)
  EXPECT_NEAR(third.db[1], 0.0, 1e-9);  // and outside that of 1000·2^-0.2
  const Response none = ResponseOnGrid(flat, {1000.0, 1000.5, 1002.0}, {});
  EXPECT_NEAR(none.db[0], 20.0, 1e-9);
  EXPECT_NEAR(none.db[2], 0.0, 1e-9);

  const Response power = ResponseOnGrid(flat, {90.0}, {Smoothing::Kind::kFraction, 3});
  const Response cubic = ResponseOnGrid(flat, {90.0}, {Smoothing::Kind::kPsychoacoustic});
  EXPECT_NEAR(power.db[0], 0.0, 1e-9);
  flat.bins[90] = 10.0;
  EXPECT_GT(ResponseOnGrid(flat, {90.0}, {Smoothing::Kind::kPsychoacoustic}).db[0],
            ResponseOnGrid(flat, {90.0}, {Smoothing::Kind::kFraction, 3}).db[0] + 0.5);
  EXPECT_NEAR(cubic.db[0], 0.0, 1e-9);
}

TEST(Smoothing, LogGridIsAnchoredAtOneKilohertz) {
  const auto grid = LogGrid(20.0, 20000.0, 3);
  ASSERT_FALSE(grid.empty());
  EXPECT_GE(grid.front(), 20.0);
  EXPECT_LE(grid.back(), 20000.0);
  EXPECT_NE(
      std::find_if(grid.begin(), grid.end(), [](double f) { return std::fabs(f - 1000.0) < 1e-9; }),
      grid.end());
  EXPECT_EQ(grid.size(), 29u);  // 1000·2^(i/3) for i = -16 … 12
}

}  // namespace
}  // namespace tolva::measure
