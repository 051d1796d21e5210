#include "measure/fft.h"

#include <kiss_fftr.h>

#include <stdexcept>

namespace tolva::measure {

static_assert(sizeof(kiss_fft_cpx) == sizeof(Complex),
              "kiss_fft_cpx and std::complex<float> share a layout");

struct RealFft::Plans {
  kiss_fftr_cfg forward = nullptr;
  kiss_fftr_cfg inverse = nullptr;
};

std::size_t FastFftSize(std::size_t n) {
  if (n < 2) return 2;
  for (std::size_t m = n + (n & 1);; m += 2) {
    std::size_t r = m;
    for (const std::size_t p : {2, 3, 5}) {
      while (r % p == 0) r /= p;
    }
    if (r == 1) return m;
  }
}

RealFft::RealFft(std::size_t size) : size_(size), plans_(std::make_unique<Plans>()) {
  if (size < 2 || size % 2 != 0) throw std::invalid_argument("real FFT size must be even");
  plans_->forward = kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr);
  plans_->inverse = kiss_fftr_alloc(static_cast<int>(size), 1, nullptr, nullptr);
  if (!plans_->forward || !plans_->inverse) {
    kiss_fftr_free(plans_->forward);
    kiss_fftr_free(plans_->inverse);
    throw std::bad_alloc();
  }
}

RealFft::~RealFft() {
  kiss_fftr_free(plans_->forward);
  kiss_fftr_free(plans_->inverse);
}

void RealFft::Forward(std::span<const float> time, std::span<Complex> spectrum) const {
  if (time.size() != size_ || spectrum.size() != bins()) throw std::invalid_argument("FFT sizes");
  kiss_fftr(plans_->forward, time.data(), reinterpret_cast<kiss_fft_cpx*>(spectrum.data()));
}

void RealFft::Inverse(std::span<const Complex> spectrum, std::span<float> time) const {
  if (time.size() != size_ || spectrum.size() != bins()) throw std::invalid_argument("FFT sizes");
  kiss_fftri(plans_->inverse, reinterpret_cast<const kiss_fft_cpx*>(spectrum.data()), time.data());
}

}  // namespace tolva::measure
