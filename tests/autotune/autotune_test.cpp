// Auto-tune's decisions that the residual alone does not show: what it refuses to boost, that it
// leaves a crossover's roll-off alone, and the delays, gains and polarity advice it gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "autotune/car_corpus.h"
#include "model/autotune/tune_session.h"
#include "model/fitting/band_fitter.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::autotune {
namespace {

double Resonance(double f, double f0, double g, double q) {
  const double x = q * (f / f0 - f0 / f);
  return g / (1.0 + x * x);
}

template <typename Shape>
measure::Response Measured(Shape shape) {
  measure::Response r;
  r.freq = measure::LogGrid(15.0, 22000.0, 96);
  for (double f : r.freq) r.db.push_back(80.0 + shape(f));
  return r;
}

double EqAt(const OutputFit& fit, double hz) {
  return model::BandsResponse(fit.bands, std::span(&hz, 1))[0];
}

// A wide, shallow dip is the speaker's and is filled; a narrow deep one is a cancellation, and
// so is one that moves between positions or one the sweeps did not repeat: none is boosted.
TEST(AutoEq, FillsTheSpeakersDipButNoCancellation) {
  const auto shape = [](double f, double null_hz) {
    return Resonance(f, 1500.0, -5.0, 0.7) + Resonance(f, null_hz, -20.0, 12.0);
  };
  model::ChannelSettings ch;
  AutoEqOptions options;
  const std::vector<double> grid = FitGrid(options);

  const measure::Response one = Measured([&](double f) { return shape(f, 400.0); });
  const OutputFit fit = FitOutput(CombinePositions(std::vector{one}, grid), ch, options);
  // The target's level is the fit's choice: the dip is filled against the response around it.
  EXPECT_GT(EqAt(fit, 1500.0) - EqAt(fit, 10000.0), 3.5);
  EXPECT_LE(EqAt(fit, 400.0), 0.05);
  ASSERT_FALSE(fit.masked.empty());
  EXPECT_LT(fit.after.rms_db, 0.7);

  // Three seats with the null at 250, 300 and 360 Hz: the power mean has only a shallow dip left,
  // but the seats disagree there.
  std::vector<measure::Response> seats;
  for (double hz : {250.0, 300.0, 360.0}) seats.push_back(Measured([&](double f) { return shape(f, hz); }));
  const OutputFit moving = FitOutput(CombinePositions(seats, grid), ch, options);
  for (double hz : {250.0, 300.0, 360.0}) EXPECT_LE(EqAt(moving, hz), 0.05) << hz;
  EXPECT_GT(EqAt(moving, 1500.0) - EqAt(moving, 10000.0), 3.5);

  measure::Response noisy = Measured([&](double f) { return Resonance(f, 700.0, -6.0, 3.0); });
  for (double f : noisy.freq) noisy.coherence.push_back(std::fabs(std::log2(f / 700.0)) < 0.3 ? 0.4 : 0.99);
  const OutputFit incoherent = FitOutput(CombinePositions(std::vector{noisy}, grid), ch, options);
  EXPECT_LE(EqAt(incoherent, 700.0), 0.05);
}

// Cuts only, one seat: a peak just past a cancellation is cut (the cancellation is bridged, not
// the peak with it), and the cancellation itself is not chased by cutting around it.
TEST(AutoEq, CutsOnlyCutAPeakBesideACancellation) {
  const auto shape = [](double f) {
    return Resonance(f, 600.0, 6.0, 0.5) + Resonance(f, 400.0, -20.0, 12.0) + Resonance(f, 470.0, 5.0, 8.0);
  };
  model::ChannelSettings ch;
  AutoEqOptions options;
  options.max_boost_db = 0.0;
  const OutputFit fit =
      FitOutput(CombinePositions(std::vector{Measured(shape)}, FitGrid(options)), ch, options);
  const auto played = [&](double f) { return shape(f) + EqAt(fit, f); };
  EXPECT_LT(played(470.0) - played(1000.0), 1.0) << "the peak beside the null stands";
  EXPECT_LE(EqAt(fit, 400.0), EqAt(fit, 1000.0) + 1.0) << "the null was chased";
  for (const model::EqBand& b : fit.bands) EXPECT_LE(b.eqGain, 0.0f) << b.freq;
}

// A subwoofer at one seat whose sharpest mode is narrower than the narrowest band: that mode
// must not take every band, stacked on one frequency, while broader errors are left standing.
TEST(AutoEq, ANarrowModeDoesNotTakeEveryBand) {
  const corpus::CarCase c = corpus::MakeCase(19, 1);
  model::ChannelSettings ch;
  ch.crossover = c.crossover;
  AutoEqOptions options;
  options.max_boost_db = 0.0;
  const OutputFit fit = FitOutput(CombinePositions(c.positions, FitGrid(options)), ch, options);
  int on_the_mode = 0;  // its peak, at 39 Hz
  for (const model::EqBand& b : fit.bands) {
    on_the_mode += model::BandPlays(b) && std::abs(b.freq - 39) <= 1 ? 1 : 0;
  }
  EXPECT_LE(on_the_mode, 3);
  EXPECT_LT(fit.after.rms_db, 0.3);
}

// A full-range output whose treble lies 7-13 dB low from 3 kHz up (a broad dip, then the
// speaker's own roll-off past 11 kHz): the dip is the speaker's to fill, not its roll-off.
TEST(AutoEq, ABroadTrebleDipIsFilledNotTakenForTheRollOff) {
  const corpus::CarCase c = corpus::MakeCase(12, 1);
  model::ChannelSettings ch;
  ch.crossover = c.crossover;
  const AutoEqOptions options;
  const OutputFit fit = FitOutput(CombinePositions(c.positions, FitGrid(options)), ch, options);
  EXPECT_GT(fit.high_hz, 8000.0);
  EXPECT_GT(EqAt(fit, 5000.0) - EqAt(fit, 1000.0), 3.0);
}

// A tweeter measured exactly as its high-pass and target say needs nothing; with a peak, the
// bands cut the peak and stay inside the passband, the roll-off left to the crossover. Bands
// it played while measured are taken out before the fit.
TEST(AutoEq, KeepsToThePassbandAndLeavesTheCrossoverAlone) {
  model::ChannelSettings ch;
  ch.crossover = model::MakeCrossover(model::FilterSettings::Make(3000, 2, 4),
                                      model::FilterSettings::Make(20000, 1, 0));
  AutoEqOptions options;
  options.target = CarTarget();
  const std::vector<double> grid = FitGrid(options);
  const auto as_designed = [&](double f) { return options.target.At(f) + CrossoverDb(ch.crossover, f); };
  const OutputFit clean = FitOutput(CombinePositions(std::vector{Measured(as_designed)}, grid), ch, options);
  EXPECT_FALSE(clean.Changed());
  EXPECT_NEAR(clean.low_hz, 3000.0, 100.0);

  const measure::Response peaked =
      Measured([&](double f) { return as_designed(f) + Resonance(f, 6000.0, 6.0, 2.0); });
  const OutputFit fit = FitOutput(CombinePositions(std::vector{peaked}, grid), ch, options);
  EXPECT_LT(EqAt(fit, 6000.0) - EqAt(fit, 15000.0), -4.5);
  EXPECT_LT(fit.after.rms_db, 0.4);
  for (const model::EqBand& b : fit.bands) {
    if (model::BandsResponse(std::span(&b, 1), std::vector<double>{double(b.freq)})[0] != 0.0) {
      EXPECT_GE(b.freq, 2900);
    }
  }

  // The same peak measured while the fitted bands played is already corrected: nothing to send.
  model::ChannelSettings fitted = ch;
  fitted.eqArray = fit.bands;
  fitted.bypass = 0;
  measure::Response with_bands = peaked;
  const std::vector<double> eq = model::BandsResponse(fit.bands, with_bands.freq);
  for (std::size_t i = 0; i < eq.size(); ++i) with_bands.db[i] += eq[i];
  const std::vector<model::EqBand> playing(fit.bands.begin(), fit.bands.end());
  EXPECT_FALSE(FitOutput(CombinePositions(std::vector{with_bands}, grid, playing), fitted, options).Changed());
}

// Delays from the sound's own travel (the present delay taken out), the bass-only output not
// trusted to set them; gains down to the quietest output's level against the target.
TEST(Alignment, DelaysFromArrivalsAndGainsFromPassbandLevels) {
  model::Profile profile;
  profile.channels[0].delay = 0.5f;  // arrives at 3.5 ms with it: 3.0 ms of travel
  profile.channels[2].crossover = model::MakeCrossover(model::FilterSettings::Make(20, 1, 0),
                                                       model::FilterSettings::Make(80, 2, 4));
  profile.channels[1].gain = -2;
  const TargetCurve flat = FlatTarget();
  const std::vector<double> grid = FitGrid({});
  const auto seat = [&](double level) {
    return CombinePositions(std::vector{Measured([&](double) { return level; })}, grid);
  };
  const std::vector<OutputAtSeat> outputs = {
      {0, 3.5, 40.0, seat(4.0)}, {1, 4.5, 40.0, seat(0.0)}, {2, 9.0, 40.0, seat(2.0)}};
  const Alignment a = AlignOutputs(outputs, profile, flat);
  ASSERT_EQ(a.delays.size(), 3u);
  EXPECT_NEAR(a.delays[0].delay_ms, 1.5, 1e-3);
  EXPECT_NEAR(a.delays[1].delay_ms, 0.0, 1e-3);
  EXPECT_NEAR(a.delays[2].delay_ms, 0.0, 1e-3);
  EXPECT_FALSE(a.delays[2].reliable);
  EXPECT_TRUE(a.delays[0].reliable);
  // At 0 dB gain: 84, 82 and 82 dB; all meet at 82, output 1 turned up to it.
  EXPECT_EQ(a.gains[0].gain_db, -2);
  EXPECT_EQ(a.gains[1].gain_db, 0);
  EXPECT_EQ(a.gains[2].gain_db, 0);

  const std::vector<OutputAtSeat> noisy = {{0, 3.5, 8.0, seat(0.0)}, {1, 4.5, 40.0, seat(0.0)}};
  EXPECT_FALSE(AlignOutputs(noisy, profile, flat).delays[0].reliable);
}

// Gains that meet once the tune is applied: an output whose bands cut a broad bump plays
// quieter than it measured, and the other outputs are matched to that, not to the bump.
TEST(Alignment, GainsMeetWithTheFittedBandsPlaying) {
  model::Profile profile;
  const auto measured = [](double bump_db) {
    return Measured([=](double f) { return Resonance(f, 1000.0, bump_db, 0.7); });
  };
  SessionInput input;
  input.outputs.push_back({0, {measured(6.0)}, {}, 3.0, 40.0});
  input.outputs.push_back({1, {measured(0.0)}, {}, 3.0, 40.0});
  const AutoEqOptions options;
  const SessionResult r = ComputeSession(input, profile, options);
  ASSERT_EQ(r.alignment.gains.size(), 2u);
  double played[2] = {0.0, 0.0};
  for (int o = 0; o < 2; ++o) {
    const measure::Response& m = input.outputs[o].positions[0];
    const std::vector<double> eq = model::BandsResponse(r.fits[o].bands, m.freq);
    int n = 0;
    for (std::size_t i = 0; i < m.freq.size(); ++i) {
      if (m.freq[i] < 100.0 || m.freq[i] > 5000.0) continue;
      played[o] += m.db[i] + eq[i];
      ++n;
    }
    played[o] = played[o] / n + r.alignment.gains[o].gain_db;
  }
  EXPECT_TRUE(r.fits[0].Changed());
  EXPECT_NEAR(played[0], played[1], 0.6);

  // Linked, the two play one table fitted to both: matched with that table, not their own.
  input.outputs.push_back({2, {measured(0.0)}, {}, 3.0, 40.0});
  input.linked = {{0, 1}};
  const SessionResult linked = ComputeSession(input, profile, options);
  EXPECT_EQ(linked.fits[0].bands, linked.fits[1].bands);
  const auto level_of = [&](int o) {
    const measure::Response& m = input.outputs[o].positions[0];
    const std::vector<double> eq = model::BandsResponse(linked.fits[o].bands, m.freq);
    double sum = 0.0;
    int n = 0;
    for (std::size_t i = 0; i < m.freq.size(); ++i) {
      if (m.freq[i] < 100.0 || m.freq[i] > 5000.0) continue;
      sum += m.db[i] + eq[i];
      ++n;
    }
    return sum / n + linked.alignment.gains[o].gain_db;
  };
  EXPECT_NEAR(level_of(0), level_of(2), 0.6);
  EXPECT_NEAR(level_of(1), level_of(2), 0.6);
}

// Two outputs that sum 3 dB above their power sum add in phase; far below, one is reversed.
TEST(Alignment, CrossoverCheckTellsAdditionFromCancellation) {
  model::Profile profile;
  profile.outputs = {0, 0, 0, 0, 0, 0};
  for (model::ChannelSettings& ch : profile.channels) ch.crossover = {};
  profile.channels[0].crossover = model::MakeCrossover(model::FilterSettings::Make(60, 2, 2),
                                                       model::FilterSettings::Make(3000, 2, 4));
  profile.channels[1].crossover = model::MakeCrossover(model::FilterSettings::Make(3000, 2, 4),
                                                       model::FilterSettings::Make(20000, 1, 0));
  const std::vector<CrossoverPair> pairs = CrossoverPairs(profile);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].low_output, 0);
  EXPECT_EQ(pairs[0].high_output, 1);
  const std::vector<double> grid = FitGrid({});
  const auto seat = [&](double level) {
    return CombinePositions(std::vector{Measured([&](double) { return level; })}, grid);
  };
  EXPECT_EQ(CheckCrossover(pairs[0], seat(0), seat(0), seat(6.0)).verdict, CrossoverCheck::Verdict::kInPhase);
  EXPECT_EQ(CheckCrossover(pairs[0], seat(0), seat(0), seat(-12.0)).verdict, CrossoverCheck::Verdict::kInverted);
  EXPECT_EQ(CheckCrossover(pairs[0], seat(0), seat(0), seat(2.0)).verdict, CrossoverCheck::Verdict::kPhaseOff);
}

}  // namespace
}  // namespace tolva::autotune
