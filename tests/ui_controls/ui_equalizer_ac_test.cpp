#include "ui/controls/ui_equalizer_ac.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ui_controls/curve_test_support.h"

namespace tolva::curves {
namespace {

using testing::ColourNear;
using testing::CountColour;
using testing::Grab;
using testing::ResponseGrid;
using testing::Sample;

// A measurement: 121 points from 20 Hz to 20 kHz in equal log steps.
std::array<double, 121> MeasurementGrid() {
  std::array<double, 121> f{};
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = 20.0 * std::pow(1000.0, double(i) / 120.0);
  return f;
}

struct AcFixture : ::testing::Test {
  AcFixture() { ac.resize(640, 340); }
  int Y(double db) const { return ToPixel(ac.Geometry().GainToY(db)); }
  int X(double hz) const { return ToPixel(ac.Geometry().FrequencyToX(hz)); }
  QRect Row(double db) const {
    const PixelRect p = ac.Geometry().Plot();
    return QRect(p.left, Y(db) - 2, p.Width(), 5);
  }
  UIEqualizerAc ac;
};

TEST_F(AcFixture, GainAxisIsPlusMinusTwentyWithZeroInTheMiddle) {
  const PixelRect p = ac.Geometry().Plot();
  EXPECT_EQ(ac.Geometry().ZeroDbY(), p.top + p.Height() / 2);
  EXPECT_DOUBLE_EQ(ac.Geometry().GainToY(20), p.top);
  EXPECT_DOUBLE_EQ(ac.Geometry().GainToY(-20), p.bottom);
}

TEST_F(AcFixture, EachSlotIsDrawnInItsPaletteColour) {
  const auto mgrid = MeasurementGrid();
  const auto grid = ResponseGrid();
  // Slot k sits at its own level: measured at 12 - 3k dB, compensation at -2 - 2k dB.
  std::vector<std::array<double, 121>> levels;
  std::vector<std::array<double, 512>> comps;
  for (int k = 0; k < kCurveSlots; ++k) {
    levels.push_back(Sample(mgrid, [k](double) { return 12.0 - 3 * k; }));
    comps.push_back(Sample(grid, [k](double) { return -2.0 - 2 * k; }));
  }
  std::vector<CurveData> measured;
  std::vector<CurveData> compensation;
  for (int k = 0; k < kCurveSlots; ++k) {
    measured.push_back({mgrid, levels[std::size_t(k)], k != 6});
    compensation.push_back({grid, comps[std::size_t(k)], k != 1});
  }
  ac.SetMeasurementCurves(measured);
  ac.SetCompensationCurves(compensation);
  const QImage img = Grab(ac);
  const int mid = X(632);
  for (int k = 0; k < kCurveSlots; ++k) {
    const QRgb m = UIEqualizerAc::kMeasuredPalette[std::size_t(k)];
    const QRgb c = UIEqualizerAc::kCompensationPalette[std::size_t(k)];
    EXPECT_EQ(ColourNear(img, mid, Y(12.0 - 3 * k), m), k != 6) << "measured " << k;
    EXPECT_EQ(ColourNear(img, mid, Y(-2.0 - 2 * k), c), k != 1) << "compensation " << k;
  }
}

TEST_F(AcFixture, MeasuredPointsOutsideTheAxisAreLeftOut) {
  // A stray 10 Hz point at +15 dB and a 22 kHz point at +15 dB would pull the ends up.
  auto freqs = MeasurementGrid();
  auto levels = Sample(freqs, [](double) { return -5.0; });
  freqs[0] = 10.0;
  levels[0] = 15.0;
  freqs[120] = 22000.0;
  levels[120] = 15.0;
  ac.SetMeasurementCurves(std::vector<CurveData>{{freqs, levels, true}});
  const QImage img = Grab(ac);
  const QRgb colour = UIEqualizerAc::kMeasuredPalette[0];
  EXPECT_TRUE(ColourNear(img, X(100), Y(-5), colour));
  EXPECT_EQ(CountColour(img, colour, QRect(0, 0, ac.width(), Y(0))), 0);
}

TEST_F(AcFixture, EverySetReplacesAllSlots) {
  const auto grid = ResponseGrid();
  const auto six = Sample(grid, [](double) { return 6.0; });
  const auto minus = Sample(grid, [](double) { return -6.0; });
  ac.SetCompensationCurves(std::vector<CurveData>(3, CurveData{grid, six, true}));
  EXPECT_EQ(ac.CompensationCount(), 3);
  ac.SetCompensationCurves(std::vector<CurveData>{{grid, minus, true}});
  EXPECT_EQ(ac.CompensationCount(), 1);
  const QImage img = Grab(ac);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(CountColour(img, UIEqualizerAc::kCompensationPalette[k], Row(6)), 0) << k;
  }
  EXPECT_GT(CountColour(img, UIEqualizerAc::kCompensationPalette[0], Row(-6)), 100);
  // More than eight channels or more than 121 measured points are cut, not overrun.
  std::vector<double> long_f(300, 1000.0);
  std::vector<double> long_v(300, 0.0);
  ac.SetMeasurementCurves(std::vector<CurveData>(12, CurveData{long_f, long_v, true}));
  EXPECT_EQ(ac.MeasurementCount(), 8);
  Grab(ac);
}

}  // namespace
}  // namespace tolva::curves
