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

template <std::size_t K, bool kWithFloor>
inline void AccumulateFixed(const PowerPolynomial* p, const double* s, double* ratio,
                            double* floors, std::size_t points) {
  for (std::size_t i = 0; i < points; ++i) {
    const double x = s[i];
    double num = 1.0;
    double den = 1.0;
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
    ratio[i] *= num / den;
    if constexpr (kWithFloor) floors[i] += floored;
  }
}

template <bool kWithFloor>
inline void AccumulateGroupT(const PowerPolynomial* p, std::size_t n, const double* s,
                             double* ratio, double* floors, std::size_t points) {
  switch (n) {
    case 1:
      return AccumulateFixed<1, kWithFloor>(p, s, ratio, floors, points);
    case 2:
      return AccumulateFixed<2, kWithFloor>(p, s, ratio, floors, points);
    case 3:
      return AccumulateFixed<3, kWithFloor>(p, s, ratio, floors, points);
    case 4:
      return AccumulateFixed<4, kWithFloor>(p, s, ratio, floors, points);
    default:
      return;
  }
}

inline void AccumulateGroupImpl(const PowerPolynomial* p, std::size_t n, bool with_floor,
                                const double* s, double* ratio, double* floors,
                                std::size_t points) {
  if (with_floor) {
    AccumulateGroupT<true>(p, n, s, ratio, floors, points);
  } else {
    AccumulateGroupT<false>(p, n, s, ratio, floors, points);
  }
}

// Natural logarithm from the exponent bits and an atanh series on the mantissa, written so that
// the compiler can vectorise it (the library's log10 is a scalar call and dominated the curve).
// Only for positive normal x; m in [√½, √2) keeps |t| ≤ 0.1716, where eight terms leave an
// error below 1e-12.
inline double LogPositiveNormal(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
  // The biased exponent as a double without an int-to-double conversion (AVX2 has none).
  double e =
      std::bit_cast<double>((bits >> 52) | 0x4330000000000000ull) - 4503599627370496.0 - 1023.0;
  const bool high = m > 1.4142135623730951;
  m = high ? m * 0.5 : m;
  e = high ? e + 1.0 : e;
  const double t = (m - 1.0) / (m + 1.0);
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

inline void ToDecibelsImpl(const double* ratio, const double* floors, double* out,
                           std::size_t points) {
  constexpr double kDbPerNeper = 4.3429448190325182;  // 10 / ln 10
  for (std::size_t i = 0; i < points; ++i) {
    out[i] = kDbPerNeper * LogPositiveNormal(ratio[i]) + kFloorDb * floors[i];
  }
  // Zero, subnormal, infinite or NaN ratios cannot arise from the bounded products, but if one
  // does it gets the library's answer rather than the series' garbage.
  for (std::size_t i = 0; i < points; ++i) {
    const double r = ratio[i];
    if (!(r >= std::numeric_limits<double>::min() && r <= std::numeric_limits<double>::max())) {
      out[i] = 10.0 * std::log10(r) + kFloorDb * floors[i];
    }
  }
}

// Each instruction-set file returns this, built with its own flags.
inline Kernels LocalKernels() {
  return {AccumulateGroupImpl, ToDecibelsImpl};
}

}  // namespace
}  // namespace tolva::dsp::kernel
