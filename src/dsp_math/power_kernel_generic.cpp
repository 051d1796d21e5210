#include "dsp_math/power_kernel_impl.h"

namespace tolva::dsp::kernel {

Kernels GenericKernels() {
  return LocalKernels();
}

Kernels SelectKernels() {
#if defined(TOLVA_HAVE_AVX2_KERNEL)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return Avx2Kernels();
#endif
  return GenericKernels();
}

}  // namespace tolva::dsp::kernel
