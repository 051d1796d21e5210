#include "model/fitting/peaking_conversion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "device/protocol/value_encoding.h"
#include "dsp_math/response_math.h"
#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/profile/profile.h"

namespace tolva::model {
namespace {

double Omega(double freq) {
  return 2.0 * std::numbers::pi * freq / dsp::kSampleRate;
}

// Written as |H|² = (C² + (αA·S)²) / (C² + (α/A·S)²) with C = cos ω − cos ω0, S = sin ω, both
// designs differ only in α: the cookbook's is sin ω0 / (2Q); the unit's is sin ω0 · A / (2r),
// with A = 10^(|g|/40) and r = sin ωl · sin ω0 / (2 (cos ωl − cos ω0)) from its band edge ωl.
// So the two agree exactly when r = Q_cookbook · A.
double UnitR(double w0, double unit_q) {
  const double wl = w0 * (std::sqrt(4.0 * unit_q * unit_q + 1.0) - 1.0) / (2.0 * unit_q);
  return std::sin(wl) * std::sin(w0) / (2.0 * (std::cos(wl) - std::cos(w0)));
}

double GainFactor(double gain_db) {
  return std::pow(10.0, std::fabs(gain_db) / 40.0);
}

}  // namespace

double UnitQFromCookbookQ(double freq, double gain_db, double cookbook_q) {
  if (!(freq > 0.0 && freq < dsp::kSampleRate / 2.0) || !(cookbook_q > 0.0)) return cookbook_q;
  const double w0 = Omega(freq);
  const double r = cookbook_q * GainFactor(gain_db);
  // 2r·cos ωl − sin ω0·sin ωl = 2r·cos ω0, solved as R·cos(ωl + φ) = 2r·cos ω0.
  const double s0 = std::sin(w0);
  const double radius = std::hypot(2.0 * r, s0);
  const double phi = std::atan2(s0, 2.0 * r);
  const double wl = std::acos(std::clamp(2.0 * r * std::cos(w0) / radius, -1.0, 1.0)) - phi;
  // ωl = ω0·x with x = (√(4Q²+1) − 1)/(2Q), that is Q = x / (1 − x²).
  const double x = wl / w0;
  return x / (1.0 - x * x);
}

double CookbookQFromUnitQ(double freq, double gain_db, double unit_q) {
  if (!(freq > 0.0 && freq < dsp::kSampleRate / 2.0) || !(unit_q > 0.0)) return unit_q;
  return UnitR(Omega(freq), unit_q) / GainFactor(gain_db);
}

double CookbookQFromBandwidth(double freq, double octaves) {
  if (!(octaves > 0.0)) return 0.0;
  const double w0 = Omega(std::clamp(freq, 1.0, dsp::kSampleRate / 2.0 - 1.0));
  return 1.0 / (2.0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / std::sin(w0)));
}

int NearestFrequencyStep(double freq) {
  if (!std::isfinite(freq)) return kMinFrequency;
  return static_cast<int>(
      std::lround(std::clamp(freq, double{kMinFrequency}, double{kMaxFrequency})));
}

float NearestQStep(double q) {
  if (!std::isfinite(q)) return kMinQ;
  return NearestTenthStep(std::clamp(q, double{kMinQ}, double{kMaxQ}));
}

float NearestGainStep(double gain_db, double max_gain_db) {
  if (!std::isfinite(gain_db)) return 0.0f;
  const double high = std::min(max_gain_db, kBandGainMaxDb);
  return NearestTenthStep(std::clamp(gain_db, kBandGainMinDb, high));
}

int QStepOf(float q) {
  return device::TenthsSteps(q);
}

int GainStepOf(float gain_db) {
  return device::TenthsSteps(gain_db + 18.0) - 180;
}

bool BandPlays(const EqBand& band) {
  return band.enable == 1 && GainStepOf(band.eqGain) != 0;
}

bool SameOnTheWire(const EqBand& a, const EqBand& b) {
  const auto gain = [](const EqBand& x) { return BandPlays(x) ? GainStepOf(x.eqGain) : 0; };
  if (gain(a) == 0 && gain(b) == 0) return true;
  return a.freq == b.freq && QStepOf(a.eqFactor) == QStepOf(b.eqFactor) && gain(a) == gain(b);
}

}  // namespace tolva::model
