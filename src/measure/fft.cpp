#include "measure/fft.h"

#include <kiss_fft.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tolva::measure {
namespace {

static_assert(sizeof(kiss_fft_cpx) == sizeof(Complex),
              "kiss_fft_cpx and std::complex<float> share a layout");

// Plain products: std::complex's own checks for infinities on every call.
Complex Times(Complex a, Complex b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
Complex TimesConj(Complex a, Complex b) {
  return {a.real() * b.real() + a.imag() * b.imag(), a.imag() * b.real() - a.real() * b.imag()};
}

// e^{-2πij/n} from two short tables multiplied in double: as exact as a sine per entry, for a
// few hundred sines.
class UnitRoots {
 public:
  explicit UnitRoots(std::size_t n) : fine_(kFine), coarse_(n / kFine + 1) {
    const double step = -2.0 * std::numbers::pi / static_cast<double>(n);
    for (std::size_t j = 0; j < fine_.size(); ++j)
      fine_[j] = std::polar(1.0, step * static_cast<double>(j));
    for (std::size_t j = 0; j < coarse_.size(); ++j)
      coarse_[j] = std::polar(1.0, step * static_cast<double>(j * kFine));
  }
  Complex operator()(std::size_t j) const { return Complex(coarse_[j / kFine] * fine_[j % kFine]); }

 private:
  static constexpr std::size_t kFine = 512;
  std::vector<std::complex<double>> fine_, coarse_;
};

}  // namespace

struct RealFft::Plan {
  kiss_fft_cfg half = nullptr;
  ~Plan() { kiss_fft_free(half); }
};

std::size_t FastFftSize(std::size_t n) {
  // A real transform of N points is a complex one of N/2, in passes of radix 4, 2, 3 and 5.
  // Measured with KissFFT per point and pass (CPU time, one core, at about 300k points):
  // radix 3 costs least, 5 little more, and 4 and 2 almost three times as much, as their
  // strides of powers of two collide in the cache; unpacking and the products per bin come on
  // top.
  const auto cost = [](std::size_t m) {
    double passes = 0.0;
    int twos = 0;
    for (; m % 2 == 0; m /= 2) ++twos;
    for (; m % 3 == 0; m /= 3) passes += 1.25;
    for (; m % 5 == 0; m /= 5) passes += 2.1;
    return 3.0 + passes + 3.4 * (twos / 2) + 2.5 * (twos % 2);
  };
  const std::size_t half = std::max<std::size_t>(1, (n + 1) / 2);
  std::size_t best = 0;
  double best_cost = 0.0;
  // For each 3^a·5^b the smallest 2^c multiple that is long enough: a larger one costs more
  // per point as well.
  for (std::size_t five = 1; five < 2 * half; five *= 5) {
    for (std::size_t odd = five; odd < 2 * half; odd *= 3) {
      std::size_t m = odd;
      while (m < half) m *= 2;
      const double total = static_cast<double>(m) * cost(m);
      if (best == 0 || total < best_cost) best = m, best_cost = total;
    }
  }
  return 2 * best;
}

RealFft::RealFft(std::size_t size) : size_(size) {
  if (size < 2 || size % 2 != 0) throw std::invalid_argument("real FFT size must be even");
  // One complex plan of half the size serves both directions (the inverse runs it on the
  // conjugate): KissFFT takes as long for a plan's sines as for a transform.
  plan_ = std::make_unique<Plan>();
  plan_->half = kiss_fft_alloc(static_cast<int>(size / 2), 0, nullptr, nullptr);
  if (!plan_->half) throw std::bad_alloc();
  const UnitRoots roots(size);
  twiddles_.resize(size / 4 + 1);
  for (std::size_t k = 0; k < twiddles_.size(); ++k) twiddles_[k] = roots(k);
}

RealFft::~RealFft() = default;

// The even and odd samples are the real and imaginary parts of one complex transform of half
// the size; each pair of bins k and m-k is split into the two spectra and recombined.
void RealFft::Forward(std::span<const float> time, std::span<Complex> spectrum) const {
  if (time.size() != size_ || spectrum.size() != bins()) throw std::invalid_argument("FFT sizes");
  const std::size_t m = size_ / 2;
  Complex* x = spectrum.data();
  kiss_fft(plan_->half, reinterpret_cast<const kiss_fft_cpx*>(time.data()),
           reinterpret_cast<kiss_fft_cpx*>(x));
  const Complex z0 = x[0];
  x[0] = {z0.real() + z0.imag(), 0.0f};
  x[m] = {z0.real() - z0.imag(), 0.0f};
  for (std::size_t k = 1; 2 * k <= m; ++k) {
    const Complex a = x[k], b = std::conj(x[m - k]);
    const Complex even = 0.5f * (a + b), d = 0.5f * (a - b);
    const Complex odd = Times(twiddles_[k], {d.imag(), -d.real()});
    x[k] = even + odd;
    x[m - k] = std::conj(even - odd);
  }
}

void RealFft::Inverse(std::span<Complex> spectrum, std::span<float> time) const {
  if (time.size() != size_ || spectrum.size() != bins()) throw std::invalid_argument("FFT sizes");
  const std::size_t m = size_ / 2;
  Complex* x = spectrum.data();
  // The half-size spectrum of even + i·odd, conjugated: the forward transform then gives the
  // conjugate of the inverse one.
  const float first = x[0].real(), last = x[m].real();
  x[0] = {first + last, last - first};
  for (std::size_t k = 1; 2 * k <= m; ++k) {
    const Complex a = x[k], b = std::conj(x[m - k]);
    const Complex even = a + b;
    const Complex odd = TimesConj(a - b, twiddles_[k]);
    x[k] = {even.real() - odd.imag(), -(even.imag() + odd.real())};
    x[m - k] = {even.real() + odd.imag(), even.imag() - odd.real()};
  }
  auto* out = reinterpret_cast<kiss_fft_cpx*>(time.data());
  kiss_fft(plan_->half, reinterpret_cast<const kiss_fft_cpx*>(x), out);
  for (std::size_t i = 0; i < m; ++i) out[i].i = -out[i].i;
}

}  // namespace tolva::measure
