#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>

#include "dsp_math/power_kernel.h"
#include "dsp_math/vector_math_impl.h"

// Included only by the per-instruction-set kernel files. The unnamed namespace gives each of them
// its own copy, so the linker cannot merge an AVX2 build of the loop into the generic path.
namespace tolva::dsp::kernel {
namespace {

constexpr std::uint64_t kExponentBits = 0x7FF0000000000000ull;

// 2^-k for the k with x·2^-k in [1, 2), for positive normal x: exact, and no division.
inline double InverseBinade(double x) {
  return std::bit_cast<double>(0x7FE0000000000000ull -
                               (std::bit_cast<std::uint64_t>(x) & kExponentBits));
}

template <std::size_t K, bool kExact>
inline void CrossoverFixed(const CrossoverTerm* p, std::size_t begin, std::size_t end,
                           const double* __restrict s, double* __restrict num_out,
                           double* __restrict den_out, double* __restrict floors) {
  for (std::size_t i = begin; i < end; ++i) {
    const double x = s[i];
    double num = 1.0;
    double den = 1.0;
    double floored = 0.0;
    for (std::size_t k = 0; k < K; ++k) {
      const double nb = p[k].c * p[k].power[i];
      const double db = (p[k].d2 * x + p[k].d1) * x + p[k].d0;
      if constexpr (kExact) {
        // Same test as |B/A|² > floor without the division; NaN counts as silence too. A
        // silent section multiplies both products alike, so their quotient is untouched.
        const bool audible = nb > kPowerFloor * db;
        num *= audible ? nb : db;
        floored += audible ? 0.0 : 1.0;
      } else {
        num *= nb;
      }
      den *= db;
    }
    num_out[i] = num;
    den_out[i] = den;
    floors[i] = floored;
  }
}

template <bool kExact>
inline void CrossoverT(const CrossoverTerm* p, std::size_t n, std::size_t begin, std::size_t end,
                       const double* s, double* num, double* den, double* floors) {
  switch (n) {
    case 1:
      return CrossoverFixed<1, kExact>(p, begin, end, s, num, den, floors);
    case 2:
      return CrossoverFixed<2, kExact>(p, begin, end, s, num, den, floors);
    case 3:
      return CrossoverFixed<3, kExact>(p, begin, end, s, num, den, floors);
    case 4:
      return CrossoverFixed<4, kExact>(p, begin, end, s, num, den, floors);
    default:
      return;
  }
}

inline void CrossoverImpl(const CrossoverTerm* p, std::size_t n, bool exact, std::size_t begin,
                          std::size_t end, const double* s, double* num, double* den,
                          double* floors) {
  exact ? CrossoverT<true>(p, n, begin, end, s, num, den, floors)
        : CrossoverT<false>(p, n, begin, end, s, num, den, floors);
}

inline void DesignBandsImpl(const double* __restrict freq, const double* __restrict gain_db,
                            const double* __restrict q, std::size_t count, BandTerms& out) {
  for (std::size_t i = 0; i < count; ++i) {
    const double gain = Exp(gain_db[i] * (std::numbers::ln10 / 20.0));
    const double w0 = 2.0 * std::numbers::pi * freq[i] / kSampleRate;
    const double wl = w0 * (std::sqrt(4.0 * q[i] * q[i] + 1.0) - 1.0) / (2.0 * q[i]);
    const SinCosPair at_w0 = SinCosHalfTurn(w0);
    const SinCosPair at_wl = SinCosHalfTurn(wl);
    double r = at_wl.sin * at_w0.sin / (2.0 * (at_wl.cos - at_w0.cos));
    r = gain < 1.0 ? r * gain : r;
    const double u = 2.0 * r + at_w0.sin;
    const double a1 = -4.0 * r * at_w0.cos / u;
    const double a2 = (2.0 * r - at_w0.sin) / u;
    const double b0 = (2.0 * r + gain * at_w0.sin) / u;
    const double b2 = (2.0 * r - gain * at_w0.sin) / u;
    // |c0 + c1·z + c2·z²|² = (c0 ± c1 + c2)² ∓ (2·c1·(c0 + c2) ± 8·c0·c2)·x + 4·c0·c2·x², the
    // lower signs for x = 1 + cos ω.
    const bool high = w0 > 0.5 * std::numbers::pi;
    const double a1x = high ? -a1 : a1;
    const double d_sum = 1.0 + a1x + a2;
    out.d0[i] = d_sum * d_sum;
    out.d1[i] = -2.0 * a1x * (1.0 + a2) - 8.0 * a2;
    out.d2[i] = 4.0 * a2;
    // b1 == a1 leaves |B|² - |A|² = e·sin²ω + ε·(σ - 2·a1·x), where ε = b0 + b2 - 1 - a2 is zero
    // but for the rounding of the coefficients; near a sharp low band's centre that rounding
    // still moves the curve, so e absorbs the ε term there, exactly at the centre x0.
    const double e = 4.0 * std::fma(-b0, b2, a2);
    const double epsilon = (b0 - 1.0) + (b2 - a2);
    const double sigma = (b0 + a1x + b2) + d_sum;
    const double sin2 = at_w0.sin * at_w0.sin;  // = x0·(2 - x0)
    const double x0 = sin2 / (1.0 + (high ? -at_w0.cos : at_w0.cos));
    out.e[i] = e + epsilon * (sigma - 2.0 * a1x * x0) / sin2;
    out.high[i] = high ? 1.0 : 0.0;
  }
}

template <std::size_t K, bool kFirst>
inline void AccumulatePairsFixed(const PeakingPair* p, const double* __restrict xs,
                                 const double* __restrict ys, double* __restrict num_io,
                                 double* __restrict den_io, std::size_t points) {
  for (std::size_t i = 0; i < points; ++i) {
    const double x = xs[i];
    double n[K];
    double d[K];
    for (std::size_t k = 0; k < K; ++k) {
      d[k] = (((p[k].d4 * x + p[k].d3) * x + p[k].d2) * x + p[k].d1) * x + p[k].d0;
      n[k] = ys[i] * ((p[k].q2 * x + p[k].q1) * x + p[k].q0) + d[k];
    }
    // A tree of products keeps the chain of dependent multiplications short.
    for (std::size_t width = 1; width < K; width *= 2) {
      for (std::size_t k = 0; k + width < K; k += 2 * width) {
        n[k] *= n[k + width];
        d[k] *= d[k + width];
      }
    }
    const double num = kFirst ? n[0] : n[0] * num_io[i];
    const double den = kFirst ? d[0] : d[0] * den_io[i];
    const double scale = InverseBinade(den);
    num_io[i] = num * scale;
    den_io[i] = den * scale;
  }
}

template <bool kFirst>
inline void AccumulatePairsT(const PeakingPair* p, std::size_t n, const double* x,
                             const double* y, double* num, double* den, std::size_t points) {
  switch (n) {
    case 1:
      return AccumulatePairsFixed<1, kFirst>(p, x, y, num, den, points);
    case 2:
      return AccumulatePairsFixed<2, kFirst>(p, x, y, num, den, points);
    case 3:
      return AccumulatePairsFixed<3, kFirst>(p, x, y, num, den, points);
    case 4:
      return AccumulatePairsFixed<4, kFirst>(p, x, y, num, den, points);
    default:
      return;
  }
}

inline void AccumulatePairsImpl(const PeakingPair* p, std::size_t n, bool first, const double* x,
                                const double* y, double* num, double* den, std::size_t points) {
  first ? AccumulatePairsT<true>(p, n, x, y, num, den, points)
        : AccumulatePairsT<false>(p, n, x, y, num, den, points);
}

inline bool PositiveNormal(double x) {
  return x >= std::numeric_limits<double>::min() && x <= std::numeric_limits<double>::max();
}

// dB of num/den plus kFloorDb per floor, optionally with total[i] = hp[i] + lp[i] + out[i].
template <bool kFloors, bool kTotal>
inline void ToDecibelsT(const double* __restrict num, const double* __restrict den,
                        const double* __restrict floors, const double* __restrict hp,
                        const double* __restrict lp, double* __restrict out,
                        double* __restrict total, std::size_t points) {
  constexpr double kDbPerNeper = 4.3429448190325182;  // 10 / ln 10
  std::uint64_t outside = 0;  // a branch-free flag keeps the loop vectorised
  for (std::size_t i = 0; i < points; ++i) {
    // The quotient is correctly rounded even from a subnormal term, so only it needs checking,
    // and the denominator's sign for two negative terms.
    const double q = num[i] / den[i];
    double db = kDbPerNeper * LogPositiveNormal(q);
    if constexpr (kFloors) db += kFloorDb * floors[i];
    out[i] = db;
    if constexpr (kTotal) total[i] = hp[i] + lp[i] + db;
    outside |= static_cast<std::uint64_t>(!PositiveNormal(q)) |
               static_cast<std::uint64_t>(!(den[i] > 0.0));
  }
  if (outside == 0) return;
  // Zero, infinite or NaN terms cannot arise from the bounded products, but if one does it gets
  // the library's answer rather than the series' garbage.
  for (std::size_t i = 0; i < points; ++i) {
    const double q = num[i] / den[i];
    if (!PositiveNormal(q) || !(den[i] > 0.0)) {
      double db = 10.0 * (std::log10(num[i]) - std::log10(den[i]));
      if constexpr (kFloors) db += kFloorDb * floors[i];
      out[i] = db;
      if constexpr (kTotal) total[i] = hp[i] + lp[i] + db;
    }
  }
}

inline void ToDecibelsImpl(const double* num, const double* den, const double* floors,
                           double* out, std::size_t points) {
  ToDecibelsT<true, false>(num, den, floors, nullptr, nullptr, out, nullptr, points);
}

inline void FinishEqualizerImpl(const double* num, const double* den, const double* hp,
                                const double* lp, double* eq, double* total,
                                std::size_t points) {
  ToDecibelsT<false, true>(num, den, nullptr, hp, lp, eq, total, points);
}

// Each instruction-set file returns this, built with its own flags.
inline Kernels LocalKernels() {
  return {DesignBandsImpl, CrossoverImpl, AccumulatePairsImpl, ToDecibelsImpl, FinishEqualizerImpl};
}

}  // namespace
}  // namespace tolva::dsp::kernel
