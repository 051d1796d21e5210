#pragma once

#include <bit>
#include <cstdint>

// Elementary functions as plain arithmetic on doubles, so that loops calling them vectorise (the
// library's versions are scalar calls). Included only by the per-instruction-set kernel files.
namespace tolva::dsp::kernel {
namespace {

constexpr std::uint64_t kMantissaBits = 0x000FFFFFFFFFFFFFull;
constexpr std::uint64_t kOneBits = 0x3FF0000000000000ull;
// Adding and subtracting 1.5·2^52 rounds a double of magnitude below 2^51 to an integer.
constexpr double kRoundingShift = 6755399441055744.0;

inline double RoundToInteger(double x) {
  return (x + kRoundingShift) - kRoundingShift;
}

struct SinCosPair {
  double sin, cos;
};

// sin and cos of |r| ≤ π/4 to within an ulp (the classic minimax kernels).
inline double SinKernel(double r) {
  const double z = r * r;
  const double w = z * z;
  const double p = 8.33333333332248946124e-03 +
                   z * (-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                   z * w * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10);
  return r + z * r * (-1.66666666666666324348e-01 + z * p);
}

inline double CosKernel(double r) {
  const double z = r * r;
  const double w = z * z;
  const double p = z * (4.16666666666666019037e-02 +
                        z * (-1.38888888888741095749e-03 + z * 2.48015872894767294178e-05)) +
                   w * w *
                       (-2.75573143513906633035e-07 +
                        z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11));
  const double half = 0.5 * z;
  const double head = 1.0 - half;
  // The tail recovers what rounding 1 - z/2 lost.
  return head + (((1.0 - head) - half) + z * p);
}

// sin x and cos x for 0 ≤ x ≤ π: x = k·π/2 + r with k in {0, 1, 2} and |r| ≤ π/4.
inline SinCosPair SinCosHalfTurn(double x) {
  constexpr double kTwoOverPi = 6.36619772367581382433e-01;
  constexpr double kHalfPiHead = 1.57079632673412561417e+00;  // 33 bits: k·head is exact
  constexpr double kHalfPiTail = 6.07710050650619224932e-11;
  const double k = RoundToInteger(x * kTwoOverPi);
  const double r = (x - k * kHalfPiHead) - k * kHalfPiTail;
  const double s = SinKernel(r);
  const double c = CosKernel(r);
  const bool first = k == 0.0;
  const bool second = k == 1.0;
  return {first ? s : (second ? c : -s), first ? c : (second ? -s : -c)};
}

// e^x for |x| ≤ 700: x = k·ln 2 + r with |r| ≤ ½ln 2, a degree-13 Taylor polynomial for e^r
// (truncation below 1e-17) and 2^k put into the exponent bits.
inline double Exp(double x) {
  constexpr double kInvLn2 = 1.44269504088896338700e+00;
  constexpr double kLn2Head = 6.93147180369123816490e-01;
  constexpr double kLn2Tail = 1.90821492927058770002e-10;
  const double k = RoundToInteger(x * kInvLn2);
  const double r = (x - k * kLn2Head) - k * kLn2Tail;
  double p = 1.0 / 6227020800.0;
  p = p * r + 1.0 / 479001600.0;
  p = p * r + 1.0 / 39916800.0;
  p = p * r + 1.0 / 3628800.0;
  p = p * r + 1.0 / 362880.0;
  p = p * r + 1.0 / 40320.0;
  p = p * r + 1.0 / 5040.0;
  p = p * r + 1.0 / 720.0;
  p = p * r + 1.0 / 120.0;
  p = p * r + 1.0 / 24.0;
  p = p * r + 1.0 / 6.0;
  p = p * r + 0.5;
  p = p * r + 1.0;
  p = p * r + 1.0;
  // k + 1023 sits in the low bits of k + 1.5·2^52 + 1023.
  const std::uint64_t biased = std::bit_cast<std::uint64_t>(k + (kRoundingShift + 1023.0));
  return p * std::bit_cast<double>(biased << 52);
}

// ln q for positive normal q. q = 2^k·m is split with m in [√½, √2) by integer arithmetic on its
// bits alone, and ln m = 2·atanh(t) with t = (m - 1)/(m + 1), |t| ≤ 0.1716, where eight terms
// of the series leave an error below 1e-12.
inline double LogPositiveNormal(double q) {
  constexpr std::uint64_t kSqrtHalfBits = 0x3FE6A09E667F3BCDull;
  constexpr std::uint64_t kShift = kOneBits - kSqrtHalfBits;
  const std::uint64_t q_bits = std::bit_cast<std::uint64_t>(q);
  // Adding kShift carries into the exponent exactly when the mantissa reaches √2.
  const std::uint64_t shifted = q_bits + kShift;
  const std::uint64_t k_bits = shifted & ~kMantissaBits;  // (k + 1023) << 52
  const double m = std::bit_cast<double>(q_bits - k_bits + kOneBits);
  // k as a double without an int64 conversion, which AVX2 lacks.
  const double k = std::bit_cast<double>((shifted >> 52) | 0x4330000000000000ull) -
                   (4503599627370496.0 + 1023.0);
  const double t = (m - 1.0) / (m + 1.0);
  const double t2 = t * t;
  const double t4 = t2 * t2;
  const double t8 = t4 * t4;
  // Estrin's scheme keeps the dependency chain short.
  const double p01 = (1.0 / 3.0) * t2 + 1.0;
  const double p23 = (1.0 / 7.0) * t2 + 1.0 / 5.0;
  const double p45 = (1.0 / 11.0) * t2 + 1.0 / 9.0;
  const double p67 = (1.0 / 15.0) * t2 + 1.0 / 13.0;
  const double series = (p67 * t4 + p45) * t8 + (p23 * t4 + p01);
  return k * 0.69314718055994531 + 2.0 * t * series;
}

}  // namespace
}  // namespace tolva::dsp::kernel
