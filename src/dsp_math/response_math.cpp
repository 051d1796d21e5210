#include "dsp_math/response_math.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "dsp_math/crossover_tables.h"

namespace tolva::dsp {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kMinOmega = kTwoPi * 0.0025 / kSampleRate;
constexpr double kMaxOmega = kTwoPi * 22000.0 / kSampleRate;
// Gains past this are meaningless and would overflow 10^(g/20) into inf or 0.
constexpr double kMaxBandGainDb = 1000.0;

struct SinCos {
  double sin, cos;
};

// Both in one library call: the designs run for every band of every output on each refresh.
SinCos SinCosOf(double x) {
  SinCos r{};
  ::sincos(x, &r.sin, &r.cos);
  return r;
}

double ClampOmega(double omega) {
  return std::clamp(omega, kMinOmega, kMaxOmega);
}

bool AllFinite(const BiquadSection& s) {
  return std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) && std::isfinite(s.a1) &&
         std::isfinite(s.a2);
}

// Adds the section's dB response to out; the shared step of every evaluation.
void AddSectionResponse(const BiquadSection& section, const double* grid, std::size_t count,
                        double* out) {
  if (count == 0) return;
  const double rate = count >= 2 ? 2.0 * grid[count - 2] : kSampleRate;
  for (std::size_t i = 0; i < count; ++i) {
    const double omega = kTwoPi * grid[i] / rate;
    const std::complex<double> z(std::cos(omega), -std::sin(omega));
    const std::complex<double> b = section.b0 + z * (section.b1 + z * section.b2);
    const std::complex<double> a = 1.0 + z * (section.a1 + z * section.a2);
    const double power = std::norm(b / a);
    out[i] += std::fabs(power) > kPowerFloor ? 10.0 * std::log10(power) : kFloorDb;
  }
}

int EffectiveType(int type) {
  return type >= 0 && type <= 3 ? type : 1;
}

double SecondOrderDamping(int type, int order, int k) {
  switch (type) {
    case 0:
      return 1.0;
    case 2:
      return kLinkwitzRileyDamping[order - 1][k];
    case 3:
      return kBessel[order - 1].damping[k];
    default:
      return 2.0 * std::sin((2.0 * (order / 2 - 1 - k) + 1.0) * std::numbers::pi / (2.0 * order));
  }
}

}  // namespace

void BuildFrequencyGrid(double top, std::size_t count, double* grid) {
  if (count == 0) return;
  const double decades = std::log10(top / 2.0);
  for (std::size_t i = 0; i + 1 < count; ++i) {
    grid[i] = std::pow(10.0, decades * static_cast<double>(i + 1) / static_cast<double>(count - 1));
  }
  grid[count - 1] = top;
}

void EvaluateSectionResponse(const BiquadSection& section, const double* grid, std::size_t count,
                             double* out) {
  std::fill(out, out + count, 0.0);
  AddSectionResponse(section, grid, count, out);
}

bool IsDegeneratePeakingBand(double freq, double gain_db, double q) {
  return !(freq >= 1.0 && freq <= 23999.0) || !(q > 0.0) || !std::isfinite(q) ||
         !(std::fabs(gain_db) <= kMaxBandGainDb);
}

BiquadSection DesignPeakingBand(double rate, double freq, double gain_db, double q) {
  if (IsDegeneratePeakingBand(freq, gain_db, q)) return {};
  const double gain = std::exp(gain_db * (std::numbers::ln10 / 20.0));
  const double w0 = kTwoPi * freq / rate;
  const double wl = w0 * (std::sqrt(4.0 * q * q + 1.0) - 1.0) / (2.0 * q);
  const SinCos at_w0 = SinCosOf(w0);
  const SinCos at_wl = SinCosOf(wl);
  double r = at_wl.sin * at_w0.sin / (2.0 * (at_wl.cos - at_w0.cos));
  if (gain < 1.0) r *= gain;
  const double sin_w0 = at_w0.sin;
  const double u = 2.0 * r + sin_w0;
  BiquadSection s;
  s.a1 = -4.0 * r * at_w0.cos / u;
  s.a2 = (2.0 * r - sin_w0) / u;
  s.b0 = (2.0 * r + gain * sin_w0) / u;
  s.b1 = s.a1;
  s.b2 = (2.0 * r - gain * sin_w0) / u;
  // A Q so large that the band edges coincide divides by zero: show such a band as flat.
  return AllFinite(s) ? s : BiquadSection{};
}

void PeakingBandResponse(double rate, double freq, double gain_db, double q, const double* grid,
                         double* out, std::size_t count) {
  EvaluateSectionResponse(DesignPeakingBand(rate, freq, gain_db, q), grid, count, out);
}

int CrossoverOrder(int slope, int type) {
  type = EffectiveType(type);
  int order = slope;
  if (type == 0) {
    order = 2;
  } else if (type == 2 && slope % 2 != 0) {
    order = slope + 1;
  }
  return std::clamp(order, 1, kMaxCrossoverOrder);
}

CrossoverDesign DesignCrossoverSections(bool is_low_pass, double freq, int slope, int type) {
  type = EffectiveType(type);
  const int order = CrossoverOrder(slope, type);
  const double omega = ClampOmega(kTwoPi * freq / kSampleRate);
  // Bessel sections are scaled from the corner; low-pass multiplies, high-pass divides.
  auto scale = [is_low_pass](double w, double factor) {
    return is_low_pass ? w * factor : w / factor;
  };
  CrossoverDesign design{};
  int remaining = order;
  for (int k = 0; k < 4; ++k) {
    const double base = type == 3 ? scale(omega, kBessel[order - 1].overall) : omega;
    DesignedSection& section = design[k];
    if (remaining >= 2) {
      const double d = SecondOrderDamping(type, order, k);
      const double wk = type == 3 ? ClampOmega(scale(base, kBessel[order - 1].frequency[k])) : base;
      const SinCos at = SinCosOf(wk);
      section.pole = (2.0 - d * at.sin) / (2.0 + d * at.sin);
      section.cosine = at.cos;
      section.kind = SectionKind::kSecondOrder;
      remaining -= 2;
    } else if (remaining == 1) {
      const double wk = type == 3 ? ClampOmega(scale(base, kBesselFirstOrderFactor[k])) : base;
      const SinCos at = SinCosOf(wk);
      const double c = at.cos;
      const double s = at.sin;
      section.pole = (c + s - 1.0) / (c - s - 1.0);
      section.cosine = c;
      section.kind = SectionKind::kFirstOrder;
      remaining = 0;
    }
  }
  return design;
}

BiquadSection CrossoverSectionCoefficients(const DesignedSection& section, bool is_low_pass) {
  BiquadSection s;
  if (section.kind == SectionKind::kFirstOrder) {
    const double p = section.pole;
    s.a1 = p;
    s.a2 = 0.0;
    s.b0 = is_low_pass ? (1.0 + p) / 2.0 : (1.0 - p) / 2.0;
    s.b1 = is_low_pass ? s.b0 : -s.b0;
    s.b2 = 0.0;
  } else if (section.kind == SectionKind::kSecondOrder) {
    const double beta = section.pole;
    const double c = section.cosine;
    s.a1 = -(1.0 + beta) * c;
    s.a2 = beta;
    const double e = is_low_pass ? (1.0 + beta) * (1.0 - c) / 4.0 : (1.0 + beta) * (1.0 + c) / 4.0;
    s.b0 = e;
    s.b1 = is_low_pass ? 2.0 * e : -2.0 * e;
    s.b2 = e;
  }
  return s;
}

void CrossoverResponse(int kind, double rate, double freq, int type, int slope, std::size_t count,
                       const double* grid, double* out) {
  (void)rate;
  const bool low_pass = kind == kLowPassKind;
  std::fill(out, out + count, 0.0);
  for (const DesignedSection& section : DesignCrossoverSections(low_pass, freq, slope, type)) {
    if (section.kind == SectionKind::kAbsent) continue;
    AddSectionResponse(CrossoverSectionCoefficients(section, low_pass), grid, count, out);
  }
}

}  // namespace tolva::dsp
