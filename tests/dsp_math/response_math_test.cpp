#include "dsp_math/response_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tolva::dsp {
namespace {

constexpr double kButterworthCorner = -3.0102999566;    // 10·log10(1/2)
constexpr double kLinkwitzRileyCorner = -6.0205999133;  // 20·log10(1/2)

// A grid holding the frequencies of interest; the rate is twice the next-to-last entry.
std::vector<double> GridAt(std::initializer_list<double> freqs) {
  std::vector<double> g(freqs);
  g.push_back(24000.0);
  g.push_back(48000.0);
  return g;
}

std::vector<double> Crossover(int kind, double fc, int type, int slope, std::vector<double> grid) {
  std::vector<double> out(grid.size());
  CrossoverResponse(kind, 48000.0, fc, type, slope, grid.size(), grid.data(), out.data());
  return out;
}

std::vector<double> Peak(double f0, double g, double q, const std::vector<double>& grid) {
  std::vector<double> out(grid.size());
  PeakingBandResponse(48000.0, f0, g, q, grid.data(), out.data(), grid.size());
  return out;
}

TEST(FrequencyGrid, StandardGridHasTheQuotedPoints) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  EXPECT_NEAR(g[0], 1.019933466, 1e-9);
  EXPECT_NEAR(g[510], 24000.0, 1e-8);
  EXPECT_EQ(g[511], 48000.0);
  const double step = std::log10(g[1] / g[0]);
  for (std::size_t i = 1; i < 511; ++i) EXPECT_NEAR(std::log10(g[i] / g[i - 1]), step, 1e-12) << i;
}

TEST(CrossoverResponse, CornersAreExactForEveryOrder) {
  const std::vector<double> grid = GridAt({1000.0});
  for (int kind : {kLowPassKind, kHighPassKind}) {
    for (int slope = 1; slope <= 8; ++slope) {
      EXPECT_NEAR(Crossover(kind, 1000, 1, slope, grid)[0], kButterworthCorner, 1e-6)
          << "Butterworth kind " << kind << " slope " << slope;
      EXPECT_NEAR(Crossover(kind, 1000, 2, slope, grid)[0], kLinkwitzRileyCorner, 1e-6)
          << "Linkwitz-Riley kind " << kind << " slope " << slope;
      EXPECT_NEAR(Crossover(kind, 1000, 0, slope, grid)[0], 0.0, 1e-9) << "type 0 kind " << kind;
    }
  }
}

TEST(CrossoverResponse, ButterworthFourthOrderOneOctaveAbove) {
  const std::vector<double> lp = Crossover(kLowPassKind, 1000, 1, 4, GridAt({2000.0}));
  EXPECT_NEAR(lp[0], -24.25, 0.01);
  // Mirror: the high-pass an octave below is as deep.
  const std::vector<double> hp = Crossover(kHighPassKind, 1000, 1, 4, GridAt({500.0}));
  EXPECT_NEAR(hp[0], -24.25, 0.5);
  EXPECT_LT(hp[0], -20.0);
}

TEST(CrossoverResponse, OrdersAndCornersAreClamped) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  for (int type : {1, 2, 3}) {
    EXPECT_EQ(Crossover(kLowPassKind, 500, type, 9, g), Crossover(kLowPassKind, 500, type, 8, g));
    EXPECT_EQ(Crossover(kHighPassKind, 500, type, 40, g),
              Crossover(kHighPassKind, 500, type, 8, g));
    EXPECT_EQ(Crossover(kLowPassKind, 30000, type, 4, g),
              Crossover(kLowPassKind, 22000, type, 4, g));
    EXPECT_EQ(Crossover(kHighPassKind, -5, type, 4, g),
              Crossover(kHighPassKind, 0.0025, type, 4, g));
  }
  EXPECT_EQ(Crossover(kLowPassKind, 500, 2, 3, g), Crossover(kLowPassKind, 500, 2, 4, g));
  EXPECT_EQ(Crossover(kLowPassKind, 500, 0, 7, g), Crossover(kLowPassKind, 500, 0, 1, g));
  // A type a file may carry but the unit does not know is designed as Butterworth.
  EXPECT_EQ(Crossover(kLowPassKind, 500, 9, 4, g), Crossover(kLowPassKind, 500, 1, 4, g));
  EXPECT_EQ(Crossover(kLowPassKind, 500, -1, 4, g), Crossover(kLowPassKind, 500, 1, 4, g));
}

TEST(CrossoverDesign, SectionLayoutFollowsTheOrder) {
  auto kinds = [](const CrossoverDesign& d) {
    std::vector<SectionKind> k;
    for (const auto& s : d) k.push_back(s.kind);
    return k;
  };
  using K = SectionKind;
  EXPECT_EQ(kinds(DesignCrossoverSections(true, 100, 0, 1)),
            (std::vector<K>{K::kFirstOrder, K::kAbsent, K::kAbsent, K::kAbsent}));
  EXPECT_EQ(kinds(DesignCrossoverSections(true, 100, 5, 3)),
            (std::vector<K>{K::kSecondOrder, K::kSecondOrder, K::kFirstOrder, K::kAbsent}));
  EXPECT_EQ(kinds(DesignCrossoverSections(false, 100, 8, 2)),
            (std::vector<K>{K::kSecondOrder, K::kSecondOrder, K::kSecondOrder, K::kSecondOrder}));
  EXPECT_EQ(kinds(DesignCrossoverSections(false, 100, 3, 2)),
            (std::vector<K>{K::kSecondOrder, K::kSecondOrder, K::kAbsent, K::kAbsent}));
  EXPECT_EQ(CrossoverOrder(0, 2), 1);
  EXPECT_EQ(CrossoverOrder(7, 2), 8);
  EXPECT_EQ(CrossoverOrder(3, 0), 2);
}

TEST(CrossoverResponse, DeepStopBandSectionsReportTheFloor) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  const std::vector<double> lp = Crossover(kLowPassKind, 20, 1, 8, g);
  // Four second-order sections, each at or below 1e-8 in power near 20 kHz: exactly 4 × -400.
  EXPECT_EQ(lp[500], 4 * kFloorDb);
  EXPECT_GT(lp[0], -0.01);
  for (double v : lp) EXPECT_TRUE(std::isfinite(v));
}

TEST(PeakingBand, GainIsExactAtTheCentreAndTheCutMirrorsTheBoost) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  g[100] = 1000.0;  // a grid point at the centre; the rate still comes from g[510]
  const std::vector<double> boost = Peak(1000, 6, 1, g);
  const std::vector<double> cut = Peak(1000, -6, 1, g);
  EXPECT_NEAR(boost[100], 6.0, 1e-9);
  EXPECT_NEAR(cut[100], -6.0, 1e-9);
  for (std::size_t i = 0; i < g.size(); ++i) EXPECT_NEAR(boost[i] + cut[i], 0.0, 1e-9) << i;
}

TEST(PeakingBand, LowerEdgeHoldsTheMeanPower) {
  for (double q : {0.5, 1.0, 4.3, 9.0}) {
    const double edge = 1000.0 * (std::sqrt(1 + 1 / (4 * q * q)) - 1 / (2 * q));
    EXPECT_NEAR(Peak(1000, 12, q, GridAt({edge}))[0], 9.255, 5e-4) << q;
  }
}

TEST(PeakingBand, FlatAndDegenerateBandsAreZeroEverywhere) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  const std::vector<double> zeros(kCurvePoints, 0.0);
  EXPECT_EQ(Peak(1000, 0, 5.8, g), zeros);
  EXPECT_EQ(Peak(0, 6, 1, g), zeros);
  EXPECT_EQ(Peak(24000, 6, 1, g), zeros);
  EXPECT_EQ(Peak(1000, 6, 0, g), zeros);
  EXPECT_EQ(Peak(1000, 6, -1, g), zeros);
  EXPECT_EQ(Peak(1000, NAN, 1, g), zeros);
  EXPECT_EQ(Peak(1000, 6, 1e30, g), zeros);  // coincident band edges
}

TEST(SectionResponse, StoredA0IsIgnoredAndGridIsUntouched) {
  std::vector<double> g = GridAt({100.0, 1000.0});
  const std::vector<double> before = g;
  BiquadSection s = DesignPeakingBand(48000, 1000, 3, 2);
  std::vector<double> a(g.size()), b(g.size());
  EvaluateSectionResponse(s, g.data(), g.size(), a.data());
  s.a0 = 7.0;
  EvaluateSectionResponse(s, g.data(), g.size(), b.data());
  EXPECT_EQ(a, b);
  EXPECT_EQ(g, before);
}

}  // namespace
}  // namespace tolva::dsp
