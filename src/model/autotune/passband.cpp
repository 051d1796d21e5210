#include "model/autotune/passband.h"

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

#include "dsp_math/response_math.h"

namespace tolva::autotune {
namespace {

bool Plays(const model::FilterSettings& f) { return f.bypass == 0 && f.slope > 0; }

double FilterDb(const model::FilterSettings& f, bool low_pass, double hz) {
  if (!Plays(f)) return 0.0;
  const double w = 2.0 * std::numbers::pi * hz / dsp::kSampleRate;
  const std::complex<double> z1 = std::polar(1.0, -w);
  double db = 0.0;
  for (const dsp::DesignedSection& s : dsp::DesignCrossoverSections(low_pass, f.fs, f.slope, f.type)) {
    if (s.kind == dsp::SectionKind::kAbsent) continue;
    const dsp::BiquadSection c = dsp::CrossoverSectionCoefficients(s, low_pass);
    const std::complex<double> b = c.b0 + z1 * (c.b1 + z1 * c.b2);
    const std::complex<double> a = 1.0 + z1 * (c.a1 + z1 * c.a2);
    const double power = std::norm(b / a);
    db += power > dsp::kPowerFloor ? 10.0 * std::log10(power) : dsp::kFloorDb;
  }
  return db;
}

}  // namespace

Passband PassbandOf(const model::Crossover& crossover) {
  Passband p;
  if (Plays(crossover.hp)) p.low_hz = crossover.hp.fs;
  if (Plays(crossover.lp)) p.high_hz = crossover.lp.fs;
  if (p.high_hz < p.low_hz) p.high_hz = p.low_hz;
  return p;
}

double CrossoverDb(const model::Crossover& crossover, double hz) {
  return FilterDb(crossover.hp, false, hz) + FilterDb(crossover.lp, true, hz);
}

double PassbandMean(std::span<const double> freq, std::span<const double> db,
                    const model::Crossover& crossover) {
  const Passband band = PassbandOf(crossover);
  double sum = 0.0;
  int n = 0;
  for (std::size_t i = 0; i < freq.size() && i < db.size(); ++i) {
    if (freq[i] >= band.low_hz && freq[i] <= band.high_hz && std::isfinite(db[i])) {
      sum += db[i];
      ++n;
    }
  }
  return n > 0 ? sum / n : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace tolva::autotune
