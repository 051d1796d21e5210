#include "dsp_math/channel_response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp_math/power_kernel.h"

namespace tolva::dsp {
namespace {

using kernel::kMaxBands;
// Beyond this gain the polynomial form loses digits to terms of size G² that cancel near the
// band's flanks; such bands (file values only: the graph stops at +12/-18 dB) are evaluated
// directly instead. Within it a band's power stays inside [G², 1], far from the floor.
constexpr double kPolynomialMaxGainDb = 24.0;
const kernel::Kernels& Kernels() {
  static const kernel::Kernels kernels = kernel::SelectKernels();
  return kernels;
}

struct CrossoverTerms {
  std::array<kernel::CrossoverTerm, kernel::kMaxCrossoverSections> items;
  std::size_t count = 0;
};

// Grid points 0 … kAscending-1 run from just above 0 Hz up to half the rate; the last point
// lies at the full rate, where ω = 2π looks like 0 Hz again.
constexpr std::size_t kAscending = kCurvePoints - 1;

// An upper bound of |A|² on [lo, hi], raised past the rounding of the kernel's own evaluation.
double MaxDenominator(const kernel::CrossoverTerm& t, double lo, double hi) {
  auto at = [&t](double x) { return (t.d2 * x + t.d1) * x + t.d0; };
  double m = std::max(at(lo), at(hi));
  if (t.d2 < 0.0) {
    const double vertex = -t.d1 / (2.0 * t.d2);
    if (vertex > lo && vertex < hi) m = std::max(m, at(vertex));
  }
  return m + 1e-9 * (std::fabs(t.d0) + std::fabs(t.d1) * hi + std::fabs(t.d2) * hi * hi);
}

// The ascending points where some section might be at or below the power floor: a prefix
// [0, end) for a high-pass (its numerators grow with frequency), a suffix [begin, kAscending)
// for a low-pass. Elsewhere c·power > floor·max|A|² ≥ floor·|A|², so no section can be silent
// and the products need no test. Each round bounds |A|² over the points still in doubt only.
struct FloorRange {
  std::size_t begin = 0, end = kAscending;
};

FloorRange PossibleFloors(const CrossoverTerms& terms, bool low_pass, const Curve& s) {
  FloorRange range;
  for (int round = 0; round < 4 && range.begin < range.end; ++round) {
    FloorRange next = low_pass ? FloorRange{range.end, range.end}
                               : FloorRange{range.begin, range.begin};
    for (std::size_t k = 0; k < terms.count; ++k) {
      const kernel::CrossoverTerm& t = terms.items[k];
      const double threshold =
          kPowerFloor * MaxDenominator(t, s[range.begin], s[range.end - 1]) / t.c;
      const double* first = t.power + range.begin;
      const double* last = t.power + range.end;
      // NaN compares false either way and keeps every point in doubt.
      if (low_pass) {
        const double* audible_end =
            std::partition_point(first, last, [threshold](double p) { return p > threshold; });
        next.begin = std::min(next.begin, static_cast<std::size_t>(audible_end - t.power));
      } else {
        const double* silent_end = std::upper_bound(first, last, threshold);
        next.end = std::max(next.end, static_cast<std::size_t>(silent_end - t.power));
      }
    }
    if (next.begin == range.begin && next.end == range.end) break;
    range = next;
  }
  return range;
}

// The bands that count, side by side (arrays left uninitialised: only the first count entries
// are read, and the evaluation runs for every output on each refresh).
struct BandInputs {
  double freq[kMaxBands];
  double gain_db[kMaxBands];
  double q[kMaxBands];
  std::size_t count = 0;

  void Add(const PeakingBandInput& band) {
    freq[count] = band.freq;
    gain_db[count] = band.gain_db;
    q[count] = band.q;
    ++count;
  }
};

void CollectBands(const ChannelResponseInput& input, BandInputs& polynomial, BandInputs& direct) {
  if (input.eq_bypass) return;
  std::size_t taken = 0;
  for (const PeakingBandInput& band : input.bands) {
    if (taken++ == kMaxBands) break;
    // A zero gain designs B == A exactly, so the band is 0 dB everywhere: nothing to add.
    if (!band.enabled || band.gain_db == 0.0) continue;
    if (IsDegeneratePeakingBand(band.freq, band.gain_db, band.q)) continue;
    (std::fabs(band.gain_db) <= kPolynomialMaxGainDb ? polynomial : direct).Add(band);
  }
}

struct BandTerm {
  double d0 = 1.0, d1 = 0.0, d2 = 0.0, e = 0.0;  // a flat band
};

BandTerm TermOf(const kernel::BandTerms& terms, std::size_t k) {
  const BandTerm t{terms.d0[k], terms.d1[k], terms.d2[k], terms.e[k]};
  // A Q so large that the band edges coincide divides by zero: show such a band as flat.
  const bool finite = std::isfinite(t.d0) && std::isfinite(t.d1) && std::isfinite(t.d2) &&
                      std::isfinite(t.e);
  return finite ? t : BandTerm{};
}

kernel::PeakingPair ToPeakingPair(const BandTerm& a, const BandTerm& b) {
  kernel::PeakingPair p;
  p.d0 = a.d0 * b.d0;
  p.d1 = a.d0 * b.d1 + a.d1 * b.d0;
  p.d2 = a.d0 * b.d2 + a.d1 * b.d1 + a.d2 * b.d0;
  p.d3 = a.d1 * b.d2 + a.d2 * b.d1;
  p.d4 = a.d2 * b.d2;
  // Q = e₁|A₂|² + e₂|A₁|² + e₁e₂·y, with y = 2x - x².
  const double ee = a.e * b.e;
  p.q0 = a.e * b.d0 + b.e * a.d0;
  p.q1 = a.e * b.d1 + b.e * a.d1 + 2.0 * ee;
  p.q2 = a.e * b.d2 + b.e * a.d2 - ee;
  return p;
}

// The pairs of one side of the spectrum.
struct PairList {
  std::array<kernel::PeakingPair, (kMaxBands + 1) / 2> items;
  std::size_t count = 0;
};

void Accumulate(const PairList& pairs, const Curve& x, const Curve& y, bool& first, Curve& num,
                Curve& den) {
  for (std::size_t k = 0; k < pairs.count; k += kernel::kPairGroup) {
    const std::size_t n = std::min(kernel::kPairGroup, pairs.count - k);
    Kernels().accumulate_pairs(&pairs.items[k], n, first, x.data(), y.data(), num.data(),
                               den.data(), kCurvePoints);
    first = false;
  }
}


// Sets out.eq from the bands and out.total from it and the crossovers' curves. s, c and y are the
// grid's 1 - cos ω, 1 + cos ω and sin²ω.
void EvaluateBands(const BandInputs& bands, const Curve& s, const Curve& c, const Curve& y,
                   ChannelCurves& out) {
  if (bands.count == 0) {
    out.eq.fill(0.0);
    for (std::size_t i = 0; i < kCurvePoints; ++i) out.total[i] = out.hp[i] + out.lp[i];
    return;
  }
  kernel::BandTerms terms;
  Kernels().design_bands(bands.freq, bands.gain_db, bands.q, bands.count, terms);
  PairList sides[2];
  std::size_t waiting[2] = {kMaxBands, kMaxBands};  // a band still without its partner
  for (std::size_t k = 0; k < bands.count; ++k) {
    const int side = terms.high[k] != 0.0 ? 1 : 0;
    if (waiting[side] == kMaxBands) {
      waiting[side] = k;
      continue;
    }
    PairList& list = sides[side];
    list.items[list.count++] = ToPeakingPair(TermOf(terms, waiting[side]), TermOf(terms, k));
    waiting[side] = kMaxBands;
  }
  for (int side = 0; side < 2; ++side) {
    if (waiting[side] == kMaxBands) continue;
    PairList& list = sides[side];
    list.items[list.count++] = ToPeakingPair(TermOf(terms, waiting[side]), BandTerm{});
  }
  Curve num;
  Curve den;
  bool first = true;
  Accumulate(sides[0], s, y, first, num, den);
  Accumulate(sides[1], c, y, first, num, den);
  Kernels().finish_equalizer(num.data(), den.data(), out.hp.data(), out.lp.data(), out.eq.data(),
                             out.total.data(), kCurvePoints);
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
    c_[i] = 2.0 * std::cos(half) * std::cos(half);
    y_[i] = std::sin(2.0 * half) * std::sin(2.0 * half);
    // |1 - z|² = 4·sin²(ω/2) and |1 + z|² = 4·cos²(ω/2).
    hp_power1_[i] = 2.0 * s_[i];
    hp_power2_[i] = hp_power1_[i] * hp_power1_[i];
    lp_power1_[i] = 4.0 * std::cos(half) * std::cos(half);
    lp_power2_[i] = lp_power1_[i] * lp_power1_[i];
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

void ChannelResponseEvaluator::EvaluateCrossover(const CrossoverFilterInput& filter,
                                                 bool low_pass, Curve& out) const {
  if (filter.bypass == 1) {
    out.fill(0.0);
    return;
  }
  CrossoverTerms terms;
  for (const DesignedSection& section :
       DesignCrossoverSections(low_pass, filter.fs, filter.slope, filter.type)) {
    if (section.kind == SectionKind::kAbsent) continue;
    const BiquadSection coefficients = CrossoverSectionCoefficients(section, low_pass);
    const PowerPolynomial p = ToPowerPolynomial(coefficients);
    const bool second = section.kind == SectionKind::kSecondOrder;
    const Curve& power = low_pass ? (second ? lp_power2_ : lp_power1_)
                                  : (second ? hp_power2_ : hp_power1_);
    terms.items[terms.count++] = {coefficients.b0 * coefficients.b0, p.d0, p.d1, p.d2,
                                  power.data()};
  }
  const FloorRange doubt = PossibleFloors(terms, low_pass, s_);
  Curve num;
  Curve den;
  Curve floors;
  auto run = [&](bool exact, std::size_t begin, std::size_t end) {
    if (begin < end) {
      Kernels().crossover(terms.items.data(), terms.count, exact, begin, end, s_.data(),
                          num.data(), den.data(), floors.data());
    }
  };
  run(false, low_pass ? 0 : doubt.end, low_pass ? doubt.begin : kAscending);
  run(true, doubt.begin, doubt.end);
  run(true, kAscending, kCurvePoints);
  // The quotient is bounded: sections that count lie in [1e-8, ~1] and there are at most four.
  Kernels().to_decibels(num.data(), den.data(), floors.data(), out.data(), kCurvePoints);
}

void ChannelResponseEvaluator::Compute(const ChannelResponseInput& input,
                                       ChannelCurves& out) const {
  BandInputs bands;
  BandInputs direct;
  CollectBands(input, bands, direct);
  if (out.hp_from != input.hp) {
    EvaluateCrossover(input.hp, false, out.hp);
    out.hp_from = input.hp;
  }
  if (out.lp_from != input.lp) {
    EvaluateCrossover(input.lp, true, out.lp);
    out.lp_from = input.lp;
  }
  EvaluateBands(bands, s_, c_, y_, out);
  if (direct.count == 0) return;
  for (std::size_t k = 0; k < direct.count; ++k) {
    AddDirect(DesignPeakingBand(kSampleRate, direct.freq[k], direct.gain_db[k], direct.q[k]),
              out.eq);
  }
  for (std::size_t i = 0; i < kCurvePoints; ++i) out.total[i] = out.hp[i] + out.lp[i] + out.eq[i];
}

const ChannelResponseEvaluator& StandardEvaluator() {
  static const ChannelResponseEvaluator evaluator;
  return evaluator;
}

}  // namespace tolva::dsp
