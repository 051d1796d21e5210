// Built with -mavx2 -mfma; only called after the processor was seen to support both.
#include "dsp_math/power_kernel_impl.h"

namespace tolva::dsp::kernel {

namespace {
void AccumulateGroup(const PowerPolynomial* p, std::size_t n, bool with_floor, const double* s,
                     double* ratio, double* floors, std::size_t points) {
  AccumulateGroupImpl(p, n, with_floor, s, ratio, floors, points);
}
}  // namespace

Kernels Avx2Kernels() {
  return {AccumulateGroup, ToDecibelsImpl};
}

}  // namespace tolva::dsp::kernel
