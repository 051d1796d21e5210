#pragma once

#include <array>
#include <cstddef>

#include "dsp_math/channel_response.h"

// The inner loop of the channel curve, built once per instruction set. The power of a list of
// sections is kept as a numerator and a denominator: multiplying them up needs no division, and
// the one division per point left is that of the logarithm at the end. With floors, a section at
// or below the power floor is left out of the product and counted in floors[i] instead.
namespace tolva::dsp::kernel {

inline constexpr std::size_t kPairGroup = 4;
inline constexpr std::size_t kMaxBands = 31;

// Peaking bands designed side by side: |A|² = d0 + d1·x + d2·x² and |B|² = |A|² + e·y with
// y = sin²ω, where x = s = 1 - cos ω for a band in the lower half of the spectrum (high[k] = 0)
// and x = 1 + cos ω for one in the upper half (high[k] = 1): expanded around the nearer end, the
// terms stay small where the band's power dips. A band whose design is not finite has a
// non-finite entry.
struct BandTerms {
  std::array<double, kMaxBands> d0, d1, d2, e, high;
};
// Designs count bands at kSampleRate as DesignPeakingBand does, for bands it does not call
// degenerate and with |gain| ≤ 24 dB.
using BandDesignFunction = void (*)(const double* freq, const double* gain_db, const double* q,
                                    std::size_t count, BandTerms& out);

// Two peaking bands at once, on the same side of the spectrum: D = |A₁|²|A₂|² is a quartic in
// that side's x and N = |B₁|²|B₂|² = D + y·Q with Q a quadratic (y = x·(2 - x)): seven
// multiply-adds and two products per point instead of eight and four.
struct PeakingPair {
  double d0, d1, d2, d3, d4;
  double q0, q1, q2;
};

// One crossover section: |B|² = c·power[i], where power holds |1 ± e^{-iω}|² or its square on
// the grid (every crossover numerator is b0 times a power of 1 ± z), and |A|² = d0 + d1·s + d2·s².
struct CrossoverTerm {
  double c = 1.0;
  double d0 = 1.0, d1 = 0.0, d2 = 0.0;
  const double* power = nullptr;
};
inline constexpr std::size_t kMaxCrossoverSections = 4;

// Sets num[i], den[i] and floors[i] for begin ≤ i < end from up to kMaxCrossoverSections
// sections. Exact: a section at or below the power floor is left out of both products and
// counted in floors[i]. Otherwise the caller knows no section there can reach the floor, and
// floors[i] is 0. Four sections' products stay far inside the double range.
using CrossoverFunction = void (*)(const CrossoverTerm* sections, std::size_t section_count,
                                   bool exact, std::size_t begin, std::size_t end,
                                   const double* s, double* num, double* den, double* floors);

// Multiplies num[i] and den[i] by N and D of each peaking pair at x[i], y[i] (the first call of
// a list starts them from 1 instead of reading them), then scales both by one power of two so
// that den[i] lies in [1, 2) and neither leaves the range.
using PairFunction = void (*)(const PeakingPair* pairs, std::size_t pair_count, bool first,
                              const double* x, const double* y, double* num, double* den,
                              std::size_t points);

// out[i] = 10·log10(num[i] / den[i]) + kFloorDb·floors[i], to within 1e-11 dB of the library's
// log10 of the quotient.
using DecibelFunction = void (*)(const double* num, const double* den, const double* floors,
                                 double* out, std::size_t points);

// eq[i] = 10·log10(num[i] / den[i]) like DecibelFunction without floors, and in the same pass
// total[i] = hp[i] + lp[i] + eq[i].
using EqualizerFinishFunction = void (*)(const double* num, const double* den, const double* hp,
                                         const double* lp, double* eq, double* total,
                                         std::size_t points);

struct Kernels {
  BandDesignFunction design_bands;
  CrossoverFunction crossover;
  PairFunction accumulate_pairs;
  DecibelFunction to_decibels;
  EqualizerFinishFunction finish_equalizer;
};

Kernels GenericKernels();
Kernels Avx2Kernels();

// The best variant this processor runs.
Kernels SelectKernels();

}  // namespace tolva::dsp::kernel
