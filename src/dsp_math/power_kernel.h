#pragma once

#include <cstddef>

#include "dsp_math/channel_response.h"

// The inner loop of the channel curve, built once per instruction set. The power of a list of
// sections is kept as a numerator and a denominator: multiplying them up needs no division, and
// the one division per point left is that of the logarithm at the end. With floors, a section at
// or below the power floor is left out of the product and counted in floors[i] instead.
namespace tolva::dsp::kernel {

inline constexpr std::size_t kGroup = 4;

// Multiplies num[i] and den[i] by |B|² and |A|² of up to kGroup sections at every point (the
// first group of a list starts them from 1 and floors from 0 instead of reading them), then
// scales both by one power of two so that den[i] lies in [1, 2) and neither leaves the range.
using GroupFunction = void (*)(const PowerPolynomial* sections, std::size_t section_count,
                               bool with_floor, bool first, const double* s, double* num,
                               double* den, double* floors, std::size_t points);

// out[i] = 10·log10(num[i] / den[i]) + kFloorDb·floors[i], to within 1e-11 dB of the library's
// log10 of the quotient.
using DecibelFunction = void (*)(const double* num, const double* den, const double* floors,
                                 double* out, std::size_t points);

struct Kernels {
  GroupFunction accumulate;
  DecibelFunction to_decibels;
};

Kernels GenericKernels();
Kernels Avx2Kernels();

// The best variant this processor runs.
Kernels SelectKernels();

}  // namespace tolva::dsp::kernel
