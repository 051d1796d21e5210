#include "ui/controls/curve_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tolva::curves {
namespace {

// 600 x 300 plot at (10, 20): the 0 dB line sits 12/30 of the height down, at y 140.
const PixelRect kPlot{10, 20, 610, 320};

TEST(CurveGeometryGain, EqualizerAxisEndsAndZeroLine) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  EXPECT_EQ(g.ZeroDbY(), 140);
  EXPECT_DOUBLE_EQ(g.GainToY(12.0), 20.0);
  EXPECT_DOUBLE_EQ(g.GainToY(0.0), 140.0);
  EXPECT_DOUBLE_EQ(g.GainToY(-18.0), 320.0);
  // Each half has its own scale: 10 px per dB above, 10 px per dB below for this height, but
  // 12 dB and 18 dB of range on 120 px and 180 px.
  EXPECT_DOUBLE_EQ(g.GainToY(6.0), 80.0);
  EXPECT_DOUBLE_EQ(g.GainToY(-9.0), 230.0);
}

TEST(CurveGeometryGain, HalvesScaleDifferentlyOnAnUnevenPlot) {
  // 0 dB at 12 * 250 / 30 = 100: 100 px carry 12 dB above, 150 px carry 18 dB below.
  const CurveGeometry g({0, 0, 400, 250}, kEqualizerAxis, 100);
  EXPECT_EQ(g.ZeroDbY(), 100);
  EXPECT_DOUBLE_EQ(g.GainToY(3.0), 75.0);
  EXPECT_DOUBLE_EQ(g.GainToY(-3.0), 125.0);
  EXPECT_DOUBLE_EQ(g.YToGain(75.0), 3.0);
  EXPECT_DOUBLE_EQ(g.YToGain(125.0), -3.0);
}

TEST(CurveGeometryGain, ProductIsRoundedToAPixelBeforeTheDivision) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  // 120 px * 0.01 dB = 1.2 px -> 1 px, / 12.
  EXPECT_DOUBLE_EQ(g.GainToY(0.01), 140.0 - 1.0 / 12.0);
  // 180 px * -0.04 dB = -7.2 px -> -7 px, / 18.
  EXPECT_DOUBLE_EQ(g.GainToY(-0.04), 140.0 + 7.0 / 18.0);
  // 0 dB line position truncates like the plot's integer layout: 12 * 301 / 30 = 120.4.
  EXPECT_EQ(CurveGeometry({0, 0, 100, 301}, kEqualizerAxis, 100).ZeroDbY(), 120);
}

TEST(CurveGeometryGain, RoundTripOnBothPiecesWithinAPixelRounding) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  for (double db = -18.0; db <= 12.0; db += 0.37) {
    const double back = g.YToGain(g.GainToY(db));
    // Half a pixel of the product, in dB: 0.5 * 12 / 120 above, 0.5 * 18 / 180 below.
    EXPECT_NEAR(back, db, 0.5 * 12.0 / 120.0 / 12.0 + 1e-12) << db;
  }
  // The inverse of a pixel row is exact and continuous across the 0 dB line.
  EXPECT_DOUBLE_EQ(g.YToGain(139.0), 0.1);
  EXPECT_DOUBLE_EQ(g.YToGain(141.0), -0.1);
}

TEST(CurveGeometryGain, InverseLimitsToThePlotAndForwardDoesNot) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  EXPECT_DOUBLE_EQ(g.YToGain(-500.0), 12.0);
  EXPECT_DOUBLE_EQ(g.YToGain(5000.0), -18.0);
  // Values beyond the axes are drawn beyond the plot, never folded back onto it.
  EXPECT_GT(g.GainToY(-400.0), 320.0 + 1000.0);
  EXPECT_LT(g.GainToY(20.0), 20.0);
}

TEST(CurveGeometryGain, CalibrationAxisIsSymmetric) {
  const CurveGeometry g(kPlot, kCalibrationAxis, 100);
  EXPECT_EQ(g.ZeroDbY(), 170);
  EXPECT_DOUBLE_EQ(g.GainToY(20.0), 20.0);
  EXPECT_DOUBLE_EQ(g.GainToY(-20.0), 320.0);
  EXPECT_DOUBLE_EQ(g.GainToY(10.0), 95.0);
  EXPECT_DOUBLE_EQ(g.GainToY(-10.0), 245.0);
}

TEST(CurveGeometryFrequency, ThreeLogDecadesAcrossThePlot) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  EXPECT_DOUBLE_EQ(g.FrequencyToX(20.0), 10.0);
  EXPECT_NEAR(g.FrequencyToX(200.0), 210.0, 1e-9);
  EXPECT_NEAR(g.FrequencyToX(2000.0), 410.0, 1e-9);
  EXPECT_NEAR(g.FrequencyToX(20000.0), 610.0, 1e-9);
  EXPECT_NEAR(g.FrequencyToX(std::sqrt(20.0 * 20000.0)), 310.0, 1e-9);
  // Frequencies the curves may carry but the axis does not show.
  EXPECT_LT(g.FrequencyToX(10.0), 10.0);
  EXPECT_GT(g.FrequencyToX(24000.0), 610.0);
  EXPECT_LT(g.FrequencyToX(0.0), -1e6);
}

TEST(CurveGeometryFrequency, ReadBackIsNearestWholeHzAndLimitedToThePlot) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  EXPECT_EQ(g.XToFrequency(10), 20);
  EXPECT_EQ(g.XToFrequency(610), 20000);
  EXPECT_EQ(g.XToFrequency(-100), 20);
  EXPECT_EQ(g.XToFrequency(5000), 20000);
  EXPECT_EQ(g.XToFrequency(310), 632);
  for (int hz : {20, 21, 57, 100, 999, 1000, 4321, 15000, 19999, 20000}) {
    EXPECT_EQ(g.XToFrequency(g.FrequencyToX(hz)), hz) << hz;
  }
}

TEST(CurveGeometryFrequency, WholePixelReadBackStaysWithinHalfAPixel) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  for (int hz = 20; hz <= 20000; hz = hz * 11 / 10 + 1) {
    const int px = ToPixel(g.FrequencyToX(hz));
    const double ratio = static_cast<double>(g.XToFrequency(px)) / hz;
    // Half a pixel spans 10^(0.5 * 3 / 600) = 1.0058 in frequency, plus 1 Hz of rounding.
    EXPECT_NEAR(ratio, 1.0, 0.0058 + 1.0 / hz) << hz;
  }
}

TEST(CurveGeometryScale, UnitsAndQHandlesFollowTheDisplayScale) {
  const CurveGeometry g100(kPlot, kEqualizerAxis, 100);
  const CurveGeometry g150(kPlot, kEqualizerAxis, 150);
  EXPECT_EQ(g100.Unit(16), 16);
  EXPECT_EQ(g150.Unit(16), 24);
  EXPECT_EQ(g150.Unit(15), 22);  // integer scaling, as the layout does
  EXPECT_EQ(CurveGeometry(kPlot, kEqualizerAxis, 0).ScalePercent(), 100);

  EXPECT_EQ(g100.QHandleDistance(1.0), 81);
  EXPECT_EQ(g100.QHandleDistance(9.0), 9);
  EXPECT_EQ(g100.QHandleDistance(0.5), 162);
  EXPECT_EQ(g100.QHandleDistance(2.3), 35);  // 35.2 rounded
  EXPECT_EQ(g100.QHandleDistance(20.0), 9);  // Q limited first
  EXPECT_EQ(g100.QHandleDistance(0.1), 162);
  EXPECT_EQ(g100.QHandleDistance(std::nan("")), 81);
  EXPECT_EQ(g150.QHandleDistance(1.0), 122);  // 121.5 rounded
}

TEST(CurveGeometryScale, QFromDistanceIsLimitedBothWays) {
  const CurveGeometry g100(kPlot, kEqualizerAxis, 100);
  EXPECT_DOUBLE_EQ(g100.QFromDistance(81), 1.0);
  EXPECT_DOUBLE_EQ(g100.QFromDistance(-81), 1.0);
  EXPECT_DOUBLE_EQ(g100.QFromDistance(9), 9.0);
  EXPECT_DOUBLE_EQ(g100.QFromDistance(0), 9.0);  // right next to the point
  EXPECT_DOUBLE_EQ(g100.QFromDistance(162), 0.5);
  EXPECT_DOUBLE_EQ(g100.QFromDistance(400), 0.5);  // 162 units or more away
  // Distances are in units: at 200 % the same Q lies twice as far away.
  const CurveGeometry g200(kPlot, kEqualizerAxis, 200);
  EXPECT_DOUBLE_EQ(g200.QFromDistance(162), 1.0);
  for (double q : {0.5, 0.7, 1.0, 2.5, 9.0}) {
    EXPECT_NEAR(g200.QFromDistance(g200.QHandleDistance(q)), q, q * q / 81.0) << q;
  }
}

TEST(CurveGeometryPlot, ClampAndPixelRounding) {
  const CurveGeometry g(kPlot, kEqualizerAxis, 100);
  EXPECT_EQ(g.ClampToPlot({-5, 1000}), (Point{10, 320}));
  EXPECT_EQ(g.ClampToPlot({700, 0}), (Point{610, 20}));
  EXPECT_EQ(g.ClampToPlot({300, 200}), (Point{300, 200}));
  EXPECT_EQ(ToPixel(2.5), 3);
  EXPECT_EQ(ToPixel(-2.5), -3);
  // A -400 dB stop band or a NaN never overflows an int on its way to the screen.
  EXPECT_GT(ToPixel(1e300), 1 << 23);
  EXPECT_LT(ToPixel(-std::numeric_limits<double>::infinity()), -(1 << 23));
  EXPECT_LT(ToPixel(std::nan("")), -(1 << 23));
  // A collapsed plot maps everything to its corner without dividing by zero.
  const CurveGeometry empty({5, 5, 5, 5}, kEqualizerAxis, 100);
  EXPECT_EQ(empty.XToFrequency(100), 20);
  EXPECT_DOUBLE_EQ(empty.YToGain(100), 0.0);
}

}  // namespace
}  // namespace tolva::curves
