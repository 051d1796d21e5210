#include "dsp_math/channel_response.h"

#include <cmath>
#include <numbers>

#include "dsp_math/power_kernel.h"

namespace tolva::dsp {
namespace {

constexpr std::size_t kMaxBands = 31;
// Beyond this gain the polynomial form loses digits to terms of size G² that cancel near the
// band's flanks; such bands (file values only: the graph stops at +12/-18 dB) are evaluated
// directly instead. Within it a band's power stays inside [G², 1], far from the floor.
constexpr double kPolynomialMaxGainDb = 24.0;

struct SectionList {
  std::array<PowerPolynomial, kMaxBands> items;
  std::size_t count = 0;
  bool with_floor = false;

  void Add(const BiquadSection& s) { items[count++] = ToPowerPolynomial(s); }
};

void EvaluateList(const SectionList& list, const Curve& s, Curve& out) {
  if (list.count == 0) {
    out.fill(0.0);
    return;
  }
  static const kernel::Kernels kernels = kernel::SelectKernels();
  Curve num;
  Curve den;
  Curve floors;
  for (std::size_t first = 0; first < list.count; first += kernel::kGroup) {
    const std::size_t n = std::min(kernel::kGroup, list.count - first);
    kernels.accumulate(&list.items[first], n, list.with_floor, first == 0, s.data(), num.data(),
                       den.data(), floors.data(), kCurvePoints);
  }
  // Both products stay well inside the double range: each group scales them back so that the
  // denominator lies in [1, 2), and the quotient is bounded (crossover sections that count lie in
  // [1e-8, ~1], at most 8 of them, and polynomial bands in [1/251, 251], at most 31).
  kernels.to_decibels(num.data(), den.data(), floors.data(), out.data(), kCurvePoints);
}

void CollectCrossover(const CrossoverFilterInput& filter, bool low_pass, SectionList& list) {
  list.with_floor = true;
  if (filter.bypass == 1) return;
  for (const DesignedSection& section :
       DesignCrossoverSections(low_pass, filter.fs, filter.slope, filter.type)) {
    if (section.kind != SectionKind::kAbsent)
      list.Add(CrossoverSectionCoefficients(section, low_pass));
  }
}

struct DirectList {
  std::array<BiquadSection, kMaxBands> items;
  std::size_t count = 0;
};

void CollectBands(const ChannelResponseInput& input, SectionList& list, DirectList& direct) {
  if (input.eq_bypass) return;
  std::size_t taken = 0;
  for (const PeakingBandInput& band : input.bands) {
    if (taken++ == kMaxBands) break;
    // A zero gain designs B == A exactly, so the band is 0 dB everywhere: nothing to add.
    if (!band.enabled || band.gain_db == 0.0) continue;
    if (IsDegeneratePeakingBand(band.freq, band.gain_db, band.q)) continue;
    const BiquadSection section = DesignPeakingBand(kSampleRate, band.freq, band.gain_db, band.q);
    if (std::fabs(band.gain_db) <= kPolynomialMaxGainDb) {
      list.Add(section);
    } else {
      direct.items[direct.count++] = section;
    }
  }
}

}  // namespace

PowerPolynomial ToPowerPolynomial(const BiquadSection& sec) {
  // |c0 + c1 z + c2 z²|² on the unit circle with cos ω = 1 - s and cos 2ω = 1 - 4s + 2s².
  auto expand = [](double c0, double c1, double c2, double& k0, double& k1, double& k2) {
    const double sum = c0 + c1 + c2;
    k0 = sum * sum;
    k1 = -2.0 * c1 * (c0 + c2) - 8.0 * c0 * c2;
    k2 = 4.0 * c0 * c2;
  };
  PowerPolynomial p;
  expand(sec.b0, sec.b1, sec.b2, p.n0, p.n1, p.n2);
  expand(1.0, sec.a1, sec.a2, p.d0, p.d1, p.d2);
  return p;
}

ChannelResponseEvaluator::ChannelResponseEvaluator() {
  BuildFrequencyGrid(kSampleRate, kCurvePoints, grid_.data());
  const double rate = 2.0 * grid_[kCurvePoints - 2];
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    const double half = std::numbers::pi * grid_[i] / rate;
    const double h = std::sin(half);
    s_[i] = 2.0 * h * h;
    const double omega = 2.0 * half;
    cos1_[i] = std::cos(omega);
    sin1_[i] = std::sin(omega);
    cos2_[i] = std::cos(2.0 * omega);
    sin2_[i] = std::sin(2.0 * omega);
  }
}

void ChannelResponseEvaluator::AddDirect(const BiquadSection& sec, Curve& out) const {
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    const double b_re = sec.b0 + sec.b1 * cos1_[i] + sec.b2 * cos2_[i];
    const double b_im = -(sec.b1 * sin1_[i] + sec.b2 * sin2_[i]);
    const double a_re = 1.0 + sec.a1 * cos1_[i] + sec.a2 * cos2_[i];
    const double a_im = -(sec.a1 * sin1_[i] + sec.a2 * sin2_[i]);
    const double power = (b_re * b_re + b_im * b_im) / (a_re * a_re + a_im * a_im);
    out[i] += std::fabs(power) > kPowerFloor ? 10.0 * std::log10(power) : kFloorDb;
  }
}

void ChannelResponseEvaluator::Compute(const ChannelResponseInput& input,
                                       ChannelCurves& out) const {
  SectionList hp;
  SectionList lp;
  SectionList bands;
  DirectList direct;
  CollectCrossover(input.hp, false, hp);
  CollectCrossover(input.lp, true, lp);
  CollectBands(input, bands, direct);
  EvaluateList(hp, s_, out.hp);
  EvaluateList(lp, s_, out.lp);
  EvaluateList(bands, s_, out.eq);
  for (std::size_t k = 0; k < direct.count; ++k) AddDirect(direct.items[k], out.eq);
  for (std::size_t i = 0; i < kCurvePoints; ++i) out.total[i] = out.hp[i] + out.lp[i] + out.eq[i];
}

const ChannelResponseEvaluator& StandardEvaluator() {
  static const ChannelResponseEvaluator evaluator;
  return evaluator;
}

}  // namespace tolva::dsp
