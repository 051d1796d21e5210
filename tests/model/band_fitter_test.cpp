// The exact conversion between the two Q definitions and the band fitter, judged against an
// independent design of both filters.
#include "model/fitting/band_fitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "cookbook_reference.h"
#include "dsp_math/response_math.h"
#include "model/fitting/band_shape.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::model {
namespace {

namespace ref = reference;

double UnitBandDb(const EqBand& b, double f) {
  return ref::Db(ref::UnitBand(b.freq, b.eqGain, b.eqFactor), f);
}

double LargestGap(const std::vector<EqBand>& bands, const std::vector<double>& freq,
                  const std::vector<double>& target) {
  double worst = 0.0;
  for (std::size_t i = 0; i < freq.size(); ++i) {
    double sum = 0.0;
    for (const EqBand& b : bands) sum += b.enable == 1 ? UnitBandDb(b, freq[i]) : 0.0;
    worst = std::max(worst, std::fabs(sum - target[i]));
  }
  return worst;
}

TEST(PeakingConversion, TheConvertedQPlaysTheCookbookCurveExactlyBothWays) {
  // The figures measured before the import was changed.
  EXPECT_NEAR(UnitQFromCookbookQ(1000, 6, 1), 1.416, 5e-4);
  EXPECT_NEAR(UnitQFromCookbookQ(1000, 12, 4), 8.00, 5e-3);
  EXPECT_NEAR(UnitQFromCookbookQ(9700, -8, 2), 4.08, 5e-3);
  const auto grid = ref::JudgingGrid();
  double worst = 0.0;
  for (double f0 : {20.0, 63.0, 1000.0, 5300.0, 13700.0, 20000.0}) {
    for (double gain : {-18.0, -6.5, -0.4, 0.3, 4.0, 12.0}) {
      for (double q : {0.25, 0.7, 1.41, 4.0, 9.0}) {
        const double unit_q = UnitQFromCookbookQ(f0, gain, q);
        EXPECT_NEAR(CookbookQFromUnitQ(f0, gain, unit_q), q, 1e-9 * q);
        const ref::Section cookbook = ref::Peaking(f0, gain, q);
        const dsp::BiquadSection u = dsp::DesignPeakingBand(dsp::kSampleRate, f0, gain, unit_q);
        const ref::Section unit{u.b0, u.b1, u.b2, 1.0, u.a1, u.a2};
        for (double f : grid) worst = std::max(worst, std::fabs(ref::Db(cookbook, f) - ref::Db(unit, f)));
      }
    }
  }
  EXPECT_LT(worst, 1e-6);
  // A bandwidth in octaves is the cookbook's digital one: its half-gain points lie that far apart.
  const double q = CookbookQFromBandwidth(8000, 1.0);
  const double a = ref::Db(ref::Peaking(8000, 12, q), 8000 / std::sqrt(2.0));
  EXPECT_GT(a, 5.0);
  EXPECT_LT(std::fabs(CookbookQFromBandwidth(100, 1.0) - std::sqrt(2.0)), 1e-3);
}

TEST(PeakingConversion, StepsAreTheNearestOnesTheEncodingSendsAsShown) {
  EXPECT_FLOAT_EQ(NearestQStep(0.98), 1.0f);  // truncation would send 0.9
  EXPECT_EQ(QStepOf(NearestQStep(0.98)), 10);
  EXPECT_EQ(QStepOf(NearestQStep(2.349)), 23);
  EXPECT_EQ(GainStepOf(NearestGainStep(-4.46, 12)), -45);
  EXPECT_EQ(GainStepOf(2.2999992f), 23);
  EXPECT_FLOAT_EQ(NearestGainStep(11.0, 3.0), 3.0f);
  EXPECT_FLOAT_EQ(NearestQStep(0.1), 0.5f);
  EXPECT_EQ(NearestFrequencyStep(45.5), 46);
  EXPECT_EQ(NearestFrequencyStep(25000), 20000);
}

TEST(BandShape, MatchesTheDisplayDesignAndItsSlopesMatchDifferences) {
  const std::vector<double> freq = ref::JudgingGrid();
  const ShapeGrid grid(freq);
  for (const BandValues b : {BandValues{47, 7.5, 0.6}, BandValues{3100, -11, 8.7}, BandValues{19000, 2, 1.3}}) {
    std::vector<double> shape(freq.size(), 1.0), df(freq.size()), dg(freq.size()), dq(freq.size());
    BandPowerWithSlopes(grid, b, shape.data(), df.data(), dg.data(), dq.data());
    for (double& x : shape) x = DbOfPower(x);
    const auto at = [&](BandValues v) {
      std::vector<double> out(freq.size(), 0.0);
      AddBandShape(grid, v, out.data());
      return out;
    };
    const double h = 1e-6;
    const auto f_up = at({b.freq * std::exp(h), b.gain_db, b.q});
    const auto f_dn = at({b.freq * std::exp(-h), b.gain_db, b.q});
    const auto g_up = at({b.freq, b.gain_db + h, b.q});
    const auto g_dn = at({b.freq, b.gain_db - h, b.q});
    const auto q_up = at({b.freq, b.gain_db, b.q * std::exp(h)});
    const auto q_dn = at({b.freq, b.gain_db, b.q * std::exp(-h)});
    const ref::Section unit = ref::UnitBand(b.freq, b.gain_db, b.q);
    for (std::size_t i = 0; i < freq.size(); ++i) {
      ASSERT_NEAR(shape[i], ref::Db(unit, freq[i]), 1e-8) << freq[i];
      ASSERT_NEAR(df[i], (f_up[i] - f_dn[i]) / (2 * h), 1e-4 * (1 + std::fabs(df[i])));
      ASSERT_NEAR(dg[i], (g_up[i] - g_dn[i]) / (2 * h), 1e-4 * (1 + std::fabs(dg[i])));
      ASSERT_NEAR(dq[i], (q_up[i] - q_dn[i]) / (2 * h), 1e-4 * (1 + std::fabs(dq[i])));
    }
  }
}

std::vector<EqBand> FlatSlots() {
  std::vector<EqBand> slots(kEqBands);
  for (int b = 0; b < kEqBands; ++b) slots[b] = EqBand{0.0f, 5.8f, 20 + 100 * b, 1};
  return slots;
}

TEST(BandFitter, BandsFittedToTheirOwnCurveStayAsTheyAre) {
  std::vector<EqBand> bands = FlatSlots();
  bands[2] = {2.2999992f, 0.7f, 63, 1};  // as the unit reports 2.3 dB
  bands[7] = {-11.5f, 8.9f, 1645, 1};
  bands[8] = {11.7f, 4.8f, 1639, 1};
  bands[9] = {6.0f, 1.0f, 5000, 0};  // disabled: flat
  bands[30] = {-3.0f, 2.0f, 18000, 1};
  const std::vector<double> freq = LogFrequencyGrid(20, 20000, 48);
  const FitTarget target{freq, BandsResponse(bands, freq), {}};
  const FitResult fit = FitBands(target, bands);
  EXPECT_EQ(fit.bands, bands);
  EXPECT_EQ(std::count(fit.changed.begin(), fit.changed.end(), true), 0);
  EXPECT_EQ(fit.bands_used, 4);
  EXPECT_LT(fit.max_deviation_db, 1e-9);
}

// A measured-looking car response: room modes, a dip, a treble rise.
std::vector<double> CarResponse(const std::vector<double>& freq) {
  std::vector<double> level;
  for (double f : freq) {
    const double x = std::log2(f);
    level.push_back(6.0 * std::exp(-std::pow((x - std::log2(58)) / 0.25, 2)) -
                    5.0 * std::exp(-std::pow((x - std::log2(210)) / 0.15, 2)) +
                    3.5 * std::exp(-std::pow((x - std::log2(2600)) / 0.5, 2)) +
                    (f > 6000 ? -2.0 * std::log2(f / 6000) : 0.0));
  }
  return level;
}

TEST(BandFitter, ReachesAShelvedTargetOnTheUnitsStepsDeterministically) {
  const std::vector<double> freq = LogFrequencyGrid(20, 20000, 48);
  std::vector<double> level;
  for (double f : freq) {
    level.push_back(ref::Db(ref::Shelf(true, 105, 6.5, 0.7), f) + ref::Db(ref::Shelf(false, 10000, -3.8, 0.7), f) +
                    ref::Db(ref::Peaking(2800, -4.2, 2.1), f));
  }
  const FitResult fit = FitBands({freq, level, {}}, FlatSlots());
  EXPECT_LT(fit.max_deviation_db, 0.2);
  EXPECT_NEAR(LargestGap(fit.bands, freq, level), fit.max_deviation_db, 1e-6);
  for (const EqBand& b : fit.bands) {
    EXPECT_GE(b.freq, 20);
    EXPECT_LE(b.freq, 20000);
    EXPECT_NEAR(b.eqGain * 10, std::round(b.eqGain * 10), 1e-4);
    EXPECT_NEAR(b.eqFactor * 10, std::round(b.eqFactor * 10), 1e-4);
    EXPECT_GE(b.eqFactor, 0.5f);
    EXPECT_LE(b.eqFactor, 9.0f);
  }
  EXPECT_EQ(FitBands({freq, level, {}}, FlatSlots()).bands, fit.bands);
}

TEST(BandFitter, KeepsToTheBoostLimitCutsFirstAndLeavesMaskedPointsOut) {
  const std::vector<double> freq = LogFrequencyGrid(20, 20000, 48);
  const std::vector<double> car = CarResponse(freq);
  std::vector<double> correction;
  for (double c : car) correction.push_back(-c);
  FitOptions limited;
  limited.max_boost_db = 2.0;
  const FitResult fit = FitBands({freq, correction, {}}, FlatSlots(), limited);
  for (const EqBand& b : fit.bands) EXPECT_LE(b.eqGain, 2.0f + 1e-6f);
  // The 210 Hz dip wants +5 dB: held to the limit there, also by bands that overlap.
  for (double level : fit.response_db) EXPECT_LT(level, 2.3);
  EXPECT_NEAR(fit.worst_hz, 210, 25);
  EXPECT_GT(fit.max_deviation_db, 2.5);

  // One band, cut first: it takes the 58 Hz peak although the 210 Hz dip is as deep.
  std::vector<EqBand> one(1, EqBand{0.0f, 1.0f, 1000, 1});
  FitOptions cuts;
  cuts.cut_first = true;
  const FitResult cut = FitBands({freq, correction, {}}, one, cuts);
  EXPECT_LT(cut.bands[0].eqGain, -3.0f);
  EXPECT_NEAR(cut.bands[0].freq, 58, 6);

  // A spike the weights leave out draws no band and no deviation.
  std::vector<double> spiky = correction, weight(freq.size(), 1.0);
  for (std::size_t i = 0; i < freq.size(); ++i) {
    if (freq[i] > 900 && freq[i] < 1100) {
      spiky[i] += 15.0;
      weight[i] = 0.0;
    }
  }
  const FitResult masked = FitBands({freq, spiky, weight}, FlatSlots());
  EXPECT_LT(masked.max_deviation_db, 0.3);
  EXPECT_TRUE(masked.worst_hz < 900 || masked.worst_hz > 1100);
}

// A cut centred past the range's edge draws bands onto the edge; rows of identical bands where
// one band plays as well read in the table as a fault. Imports and auto-EQ alike leave one.
TEST(BandFitter, IdenticalBandsPressedOntoTheRangesEdgeBecomeOne) {
  const std::vector<double> freq = LogFrequencyGrid(20, 76, 96);
  std::vector<double> level;
  for (double f : freq) {
    level.push_back(ref::Db(ref::Peaking(96, -7.0, 1.2), f) + ref::Db(ref::Peaking(38, -4.0, 4.0), f));
  }
  FitOptions options;
  options.low_hz = 20;
  options.high_hz = 76;
  const FitResult fit = FitBands({freq, level, {}}, FlatSlots(), options);
  EXPECT_LT(fit.rms_deviation_db, 0.05);
  std::vector<std::tuple<int, float, float>> played;
  for (const EqBand& b : fit.bands) {
    if (BandPlays(b)) played.emplace_back(b.freq, b.eqGain, b.eqFactor);
  }
  std::sort(played.begin(), played.end());
  const auto twin = std::adjacent_find(played.begin(), played.end());
  EXPECT_EQ(twin, played.end()) << "two bands alike on " << std::get<0>(*twin) << " Hz";
}

}  // namespace
}  // namespace tolva::model
