// Built with -mavx2 -mfma; only called after the processor was seen to support both.
#include "dsp_math/power_kernel_impl.h"

namespace tolva::dsp::kernel {

Kernels Avx2Kernels() {
  return LocalKernels();
}

}  // namespace tolva::dsp::kernel
