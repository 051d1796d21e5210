#include "dsp_math/power_kernel_impl.h"

namespace tolva::dsp::kernel {

namespace {
void AccumulateGroup(const PowerPolynomial* p, std::size_t n, bool with_floor, const double* s,
                     double* ratio, double* floors, std::size_t points) {
  AccumulateGroupImpl(p, n, with_floor, s, ratio, floors, points);
}
}  // namespace

Kernels GenericKernels() {
  return {AccumulateGroup, ToDecibelsImpl};
}

Kernels SelectKernels() {
#if defined(TOLVA_HAVE_AVX2_KERNEL)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return Avx2Kernels();
#endif
  return GenericKernels();
}

}  // namespace tolva::dsp::kernel
