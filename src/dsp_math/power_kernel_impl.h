#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "dsp_math/power_kernel.h"

// Included only by the per-instruction-set kernel files. The unnamed namespace gives each of them
// its own copy, so the linker cannot merge an AVX2 build of the loop into the generic path.
namespace tolva::dsp::kernel {
namespace {

constexpr std::uint64_t kExponentBits = 0x7FF0000000000000ull;
constexpr std::uint64_t kMantissaBits = 0x000FFFFFFFFFFFFFull;
constexpr std::uint64_t kOneBits = 0x3FF0000000000000ull;

// 2^-k for the k with x·2^-k in [1, 2), for positive normal x: exact, and no division.
inline double InverseBinade(double x) {
  return std::bit_cast<double>(0x7FE0000000000000ull -
                               (std::bit_cast<std::uint64_t>(x) & kExponentBits));
}

template <std::size_t K, bool kWithFloor, bool kFirst>
inline void AccumulateFixed(const PowerPolynomial* p, const double* __restrict s,
                            double* __restrict num_io, double* __restrict den_io,
                            double* __restrict floors, std::size_t points) {
  for (std::size_t i = 0; i < points; ++i) {
    const double x = s[i];
    double num = kFirst ? 1.0 : num_io[i];
    double den = kFirst ? 1.0 : den_io[i];
    double floored = 0.0;
    for (std::size_t k = 0; k < K; ++k) {
      const double nb = (p[k].n2 * x + p[k].n1) * x + p[k].n0;
      const double db = (p[k].d2 * x + p[k].d1) * x + p[k].d0;
      if constexpr (kWithFloor) {
        // Same test as |B/A|² > floor without the division; NaN counts as silence too.
        const bool audible = nb > kPowerFloor * db;
        num *= audible ? nb : 1.0;
        den *= audible ? db : 1.0;
        floored += audible ? 0.0 : 1.0;
      } else {
        num *= nb;
        den *= db;
      }
    }
    const double scale = InverseBinade(den);
    num_io[i] = num * scale;
    den_io[i] = den * scale;
    if constexpr (kWithFloor || kFirst) floors[i] = kFirst ? floored : floors[i] + floored;
  }
}

template <bool kWithFloor, bool kFirst>
inline void AccumulateGroupT(const PowerPolynomial* p, std::size_t n, const double* s, double* num,
                             double* den, double* floors, std::size_t points) {
  switch (n) {
    case 1:
      return AccumulateFixed<1, kWithFloor, kFirst>(p, s, num, den, floors, points);
    case 2:
      return AccumulateFixed<2, kWithFloor, kFirst>(p, s, num, den, floors, points);
    case 3:
      return AccumulateFixed<3, kWithFloor, kFirst>(p, s, num, den, floors, points);
    case 4:
      return AccumulateFixed<4, kWithFloor, kFirst>(p, s, num, den, floors, points);
    default:
      return;
  }
}

inline void AccumulateGroupImpl(const PowerPolynomial* p, std::size_t n, bool with_floor,
                                bool first, const double* s, double* num, double* den,
                                double* floors, std::size_t points) {
  if (with_floor) {
    first ? AccumulateGroupT<true, true>(p, n, s, num, den, floors, points)
          : AccumulateGroupT<true, false>(p, n, s, num, den, floors, points);
  } else {
    first ? AccumulateGroupT<false, true>(p, n, s, num, den, floors, points)
          : AccumulateGroupT<false, false>(p, n, s, num, den, floors, points);
  }
}

// The biased exponent of a positive double, as a double (AVX2 has no int64-to-double conversion).
inline double BiasedExponent(std::uint64_t bits) {
  return std::bit_cast<double>((bits >> 52) | 0x4330000000000000ull) - 4503599627370496.0;
}

// ln(a/b) for positive normal a and b, from the exponent bits and an atanh series on the
// mantissas, written so that the compiler can vectorise it (the library's log10 is a scalar call
// and dominated the curve). The mantissas' quotient is brought into [√½, √2) without dividing,
// so t = (a' - b')/(a' + b') is the only division; |t| ≤ 0.1716, where eight terms leave an
// error below 1e-12.
inline double LogRatioPositiveNormal(double a, double b) {
  const std::uint64_t a_bits = std::bit_cast<std::uint64_t>(a);
  const std::uint64_t b_bits = std::bit_cast<std::uint64_t>(b);
  double ma = std::bit_cast<double>((a_bits & kMantissaBits) | kOneBits);
  const double mb = std::bit_cast<double>((b_bits & kMantissaBits) | kOneBits);
  double e = BiasedExponent(a_bits) - BiasedExponent(b_bits);
  constexpr double kSqrt2 = 1.4142135623730951;
  const bool high = ma > mb * kSqrt2;
  const bool low = ma * kSqrt2 < mb;
  ma = high ? ma * 0.5 : (low ? ma * 2.0 : ma);
  e = high ? e + 1.0 : (low ? e - 1.0 : e);
  const double t = (ma - mb) / (ma + mb);
  const double t2 = t * t;
  double series = 1.0 / 15.0;
  series = series * t2 + 1.0 / 13.0;
  series = series * t2 + 1.0 / 11.0;
  series = series * t2 + 1.0 / 9.0;
  series = series * t2 + 1.0 / 7.0;
  series = series * t2 + 1.0 / 5.0;
  series = series * t2 + 1.0 / 3.0;
  series = series * t2 + 1.0;
  return e * 0.69314718055994531 + 2.0 * t * series;
}

inline bool PositiveNormal(double x) {
  return x >= std::numeric_limits<double>::min() && x <= std::numeric_limits<double>::max();
}

inline void ToDecibelsImpl(const double* __restrict num, const double* __restrict den,
                           const double* __restrict floors, double* __restrict out,
                           std::size_t points) {
  constexpr double kDbPerNeper = 4.3429448190325182;  // 10 / ln 10
  std::uint64_t outside = 0;  // a branch-free flag keeps the loop vectorised
  for (std::size_t i = 0; i < points; ++i) {
    out[i] = kDbPerNeper * LogRatioPositiveNormal(num[i], den[i]) + kFloorDb * floors[i];
    outside |= static_cast<std::uint64_t>(!PositiveNormal(num[i])) |
               static_cast<std::uint64_t>(!PositiveNormal(den[i]));
  }
  if (outside == 0) return;
  // Zero, subnormal, infinite or NaN terms cannot arise from the bounded products, but if one
  // does it gets the library's answer rather than the series' garbage.
  for (std::size_t i = 0; i < points; ++i) {
    if (!PositiveNormal(num[i]) || !PositiveNormal(den[i])) {
      out[i] = 10.0 * (std::log10(num[i]) - std::log10(den[i])) + kFloorDb * floors[i];
    }
  }
}

// Each instruction-set file returns this, built with its own flags.
inline Kernels LocalKernels() {
  return {AccumulateGroupImpl, ToDecibelsImpl};
}

}  // namespace
}  // namespace tolva::dsp::kernel
