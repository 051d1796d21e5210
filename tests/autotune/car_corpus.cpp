#include "autotune/car_corpus.h"

#include <cmath>
#include <cstdio>
#include <random>

#include "model/autotune/passband.h"

namespace tolva::autotune::corpus {
namespace {

// A resonance's dB shape: g at f0, falling off as a second-order section's does.
double Resonance(double f, double f0, double g, double q) {
  const double x = q * (f / f0 - f0 / f);
  return g / (1.0 + x * x);
}

// An n-th order roll-off below (high_pass) or above a corner, in dB.
double RollOff(double f, double corner, int order, bool high_pass) {
  const double x = high_pass ? corner / f : f / corner;
  return -10.0 * std::log10(1.0 + std::pow(x, 2.0 * order));
}

model::Crossover CrossoverOf(int hp_fs, int hp_slope, int lp_fs, int lp_slope) {
  return model::MakeCrossover(model::FilterSettings::Make(hp_fs, 2, hp_slope),
                              model::FilterSettings::Make(lp_fs, 2, lp_slope));
}

}  // namespace

CarCase MakeCase(int k, int positions) {
  std::mt19937 rng(1000 + k);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const auto in = [&](double lo, double hi) { return lo + (hi - lo) * u(rng); };
  const auto log_in = [&](double lo, double hi) { return lo * std::pow(hi / lo, u(rng)); };

  CarCase c;
  const int kind = k % 4;
  double speaker_lo = 0.0, speaker_hi = 0.0;
  switch (kind) {
    case 0:
      c.name = "full-range " + std::to_string(k);
      speaker_lo = in(45, 80), speaker_hi = in(14000, 19000);
      break;
    case 1:
      c.name = "woofer " + std::to_string(k);
      c.crossover = CrossoverOf(int(in(50, 80)), 2, int(in(2000, 3500)), 4);
      speaker_lo = in(45, 70), speaker_hi = in(5000, 9000);
      break;
    case 2:
      c.name = "tweeter " + std::to_string(k);
      c.crossover = CrossoverOf(int(in(2500, 4000)), 4, 20000, 0);
      speaker_lo = in(1200, 2000), speaker_hi = in(17000, 20000);
      break;
    default:
      c.name = "subwoofer " + std::to_string(k);
      c.crossover = CrossoverOf(20, 0, int(in(70, 100)), 4);
      speaker_lo = in(22, 32), speaker_hi = in(400, 800);
      break;
  }

  // What every position shares.
  const double level = in(70.0, 90.0);
  const double tilt = in(-1.0, 0.8);  // dB per octave about 1 kHz
  const double cabin_gain = in(4.0, 10.0), cabin_corner = in(50.0, 90.0);
  struct Feature { double f0, g, q; };
  std::vector<Feature> modes, bumps;
  for (int i = 0, n = 3 + int(in(0, 3)); i < n; ++i) {
    modes.push_back({log_in(35, 350), in(-8.0, 9.0), in(3.0, 9.0)});
  }
  for (int i = 0, n = 3 + int(in(0, 3)); i < n; ++i) {
    bumps.push_back({log_in(250, 12000), in(-5.0, 5.0), in(0.6, 2.5)});
  }
  const int null_count = 1 + int(in(0, 2.99));
  for (int i = 0; i < null_count; ++i) c.nulls.push_back({log_in(120, 3000), in(-24.0, -12.0)});

  const std::vector<double> grid = measure::LogGrid(10.0, 24000.0, 96);
  std::normal_distribution<double> ripple(0.0, 0.6);
  for (int p = 0; p < positions; ++p) {
    measure::Response r;
    // A position moves the nulls and the modes a little, and its ripple is its own.
    const double shift = p == 0 ? 1.0 : in(0.85, 1.18);
    std::vector<double> noise(grid.size());
    for (double& x : noise) x = ripple(rng);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const double f = grid[i];
      double db = level + tilt * std::log2(f / 1000.0);
      db += RollOff(f, speaker_lo, 2, true) + RollOff(f, speaker_hi, 2, false);
      db += cabin_gain / (1.0 + std::pow(f / cabin_corner, 2.0));
      for (const Feature& m : modes) db += Resonance(f, m.f0 * (p == 0 ? 1.0 : std::sqrt(shift)), m.g, m.q);
      for (const Feature& b : bumps) db += Resonance(f, b.f0, b.g, b.q);
      for (const Null& n : c.nulls) db += Resonance(f, n.hz * shift, n.depth_db, 12.0);
      db += CrossoverDb(c.crossover, f);
      // Ripple smoothed over a few points, so it is reflections rather than white noise.
      double s = 0.0;
      int count = 0;
      for (int d = -3; d <= 3; ++d) {
        const long j = long(i) + d;
        if (j >= 0 && j < long(grid.size())) s += noise[j], ++count;
      }
      db += s / count;
      r.freq.push_back(f);
      r.db.push_back(db);
    }
    c.positions.push_back(std::move(r));
  }
  return c;
}

std::string MeasurementText(const measure::Response& r) {
  std::string text = "* Measurement data\n* Freq(Hz) SPL(dB)\n";
  char line[64];
  for (std::size_t i = 0; i < r.freq.size(); ++i) {
    std::snprintf(line, sizeof line, "%.3f %.3f\n", r.freq[i], r.db[i]);
    text += line;
  }
  return text;
}

}  // namespace tolva::autotune::corpus
