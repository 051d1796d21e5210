#pragma once

#include <cstddef>

#include "dsp_math/channel_response.h"

// The inner loop of the channel curve, built once per instruction set. Multiplies ratio[i] by
// the power of up to four sections at every point; with floors, a section at or below the power
// floor is left out of the product and counted in floors[i] instead.
namespace tolva::dsp::kernel {

inline constexpr std::size_t kGroup = 4;

using GroupFunction = void (*)(const PowerPolynomial* sections, std::size_t section_count,
                               bool with_floor, const double* s, double* ratio, double* floors,
                               std::size_t points);

// out[i] = 10·log10(ratio[i]) + kFloorDb·floors[i], to within 1e-11 dB of the library's log10.
using DecibelFunction = void (*)(const double* ratio, const double* floors, double* out,
                                 std::size_t points);

struct Kernels {
  GroupFunction accumulate;
  DecibelFunction to_decibels;
};

Kernels GenericKernels();
Kernels Avx2Kernels();

// The best variant this processor runs.
Kernels SelectKernels();

}  // namespace tolva::dsp::kernel
