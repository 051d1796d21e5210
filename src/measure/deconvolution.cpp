#include "measure/deconvolution.h"

#include <algorithm>
#include <cmath>

namespace tolva::measure {
namespace {

// Regularisation relative to the sweep's own power at each frequency: negligible inside the
// band (1e-6 changes the level by 4e-6 dB), equal to it outside, where the sweep has next to
// no power and dividing would only lift noise. The change takes a sixth of an octave.
constexpr double kInBand = 1e-6;
constexpr double kOutOfBand = 1.0;
constexpr double kTransitionOctaves = 0.5;
// The causal high-pass's corner over the sweep's start; it is a fourth-order Butterworth, of
// the polynomial s⁴ + b1·s³ + b2·s² + b1·s + 1 (two sections of Q 0.541 and 1.307).
constexpr double kBandLimitOverStart = 1.5;
constexpr double kButterworthQ1 = 0.54119610014619701, kButterworthQ2 = 1.3065629648763766;
constexpr double kButterworthB1 = 1.0 / kButterworthQ1 + 1.0 / kButterworthQ2;
constexpr double kButterworthB2 = 2.0 + 1.0 / (kButterworthQ1 * kButterworthQ2);

// B(s) at s = jx and x⁴ (|s⁴|): the band limit is s⁴/B(s).
struct Butterworth {
  double re, im, x4;
};
Butterworth ButterworthAt(double x) {
  const double x2 = x * x;
  return {x2 * x2 - kButterworthB2 * x2 + 1.0, kButterworthB1 * x * (1.0 - x2), x2 * x2};
}

double RegularisationWeight(double f, double start, double end) {
  const auto blend = [](double octaves_outside) {
    const double t = std::clamp(octaves_outside / kTransitionOctaves, 0.0, 1.0);
    return kInBand * std::pow(kOutOfBand / kInBand, t);
  };
  if (f < start) return f <= 0.0 ? kOutOfBand : blend(std::log2(start / f));
  if (f > end) return blend(std::log2(f / end));
  return kInBand;
}

}  // namespace

std::complex<double> ImpulseResponse::BandLimit(double f) const {
  if (band_limit_hz <= 0.0) return 1.0;
  const Butterworth b = ButterworthAt(f / band_limit_hz);
  const double g = b.x4 / (b.re * b.re + b.im * b.im);
  return {b.re * g, -b.im * g};
}

struct Deconvolver::Plan {
  std::size_t size = 0;
  RealFft fft;
  std::vector<Complex> inverse;
  std::vector<Complex> spectrum;  // the recording's, kept for the next
  explicit Plan(std::size_t n) : size(n), fft(n), inverse(fft.bins()), spectrum(fft.bins()) {}
};

Deconvolver::Deconvolver(const Sweep& sweep) : sweep_(sweep) {
  // Only the sounding part is divided by: the silences around it hold no lag worth a longer
  // transform.
  const auto sounding = [](float v) { return v != 0.0f; };
  const auto first = std::find_if(sweep_.samples.begin(), sweep_.samples.end(), sounding);
  const auto last = std::find_if(sweep_.samples.rbegin(), sweep_.samples.rend(), sounding);
  if (first != sweep_.samples.end()) {
    sounding_begin_ = static_cast<std::size_t>(first - sweep_.samples.begin());
    sounding_end_ = static_cast<std::size_t>(sweep_.samples.rend() - last);
  }
}
Deconvolver::~Deconvolver() = default;
Deconvolver::Deconvolver(Deconvolver&&) noexcept = default;

Deconvolver::Plan& Deconvolver::PlanFor(std::size_t size, std::span<float> work) const {
  if (plan_ && plan_->size == size) return *plan_;
  auto plan = std::make_unique<Plan>(size);
  const std::size_t length = std::min(size, sounding_end_ - sounding_begin_);
  std::fill(std::copy_n(sweep_.samples.begin() + static_cast<std::ptrdiff_t>(sounding_begin_),
                        length, work.begin()),
            work.end(), 0.0f);
  std::vector<Complex>& spectrum = plan->inverse;
  plan->fft.Forward(work, spectrum);

  // An exponential sweep's power falls as 1/f: its in-band level is measured as the mean of
  // f·|S|², and the regularisation follows that slope.
  const double bin_hz = sweep_.rate / static_cast<double>(size);
  const std::size_t low =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(sweep_.start_hz / bin_hz)));
  const std::size_t high =
      std::min(spectrum.size() - 1, static_cast<std::size_t>(sweep_.end_hz / bin_hz));
  double sum = 0.0;
  for (std::size_t b = low; b <= high; ++b)
    sum += std::norm(std::complex<double>(spectrum[b])) * static_cast<double>(b);
  const double pink = high >= low ? sum * bin_hz / static_cast<double>(high - low + 1) : 1.0;
  // conj(S)/(|S|² + ε) with ε = pink·weight/f, times the band limit s⁴/B(s) and the 1/size of
  // the unnormalised inverse transform: one division per bin, as it runs for every one.
  const double scale = 1.0 / static_cast<double>(size);
  const double x_per_bin = bin_hz / BandLimitHz();
  Complex* const bins = spectrum.data();
  const auto invert = [&](std::size_t b, double weight) {
    const double f = std::max(static_cast<double>(b), 1.0) * bin_hz;
    const double re = bins[b].real(), im = bins[b].imag();
    const Butterworth h = ButterworthAt(static_cast<double>(b) * x_per_bin);
    const double g = scale * f * h.x4 /
                     (((re * re + im * im) * f + pink * weight) * (h.re * h.re + h.im * h.im));
    // conj(B)·conj(S)·g
    bins[b] = Complex(static_cast<float>((h.re * re - h.im * im) * g),
                      static_cast<float>(-(h.re * im + h.im * re) * g));
  };
  const auto outside = [&](std::size_t b) {
    invert(b, RegularisationWeight(std::max(static_cast<double>(b), 1.0) * bin_hz, sweep_.start_hz,
                                   sweep_.end_hz));
  };
  // Below the band, the band itself (most of the bins, without a branch), above it.
  for (std::size_t b = 0; b < std::min(low, spectrum.size()); ++b) outside(b);
  for (std::size_t b = low; b <= high; ++b) invert(b, kInBand);
  for (std::size_t b = std::max(low, high + 1); b < spectrum.size(); ++b) outside(b);
  plan_ = std::move(plan);
  return *plan_;
}

double Deconvolver::BandLimitHz() const {
  return sweep_.start_hz * kBandLimitOverStart;
}

ImpulseResponse Deconvolver::Deconvolve(std::span<const float> recording) const {
  const std::size_t sounding = sounding_end_ - sounding_begin_;
  const std::size_t negative = sounding > 0 ? sounding - 1 : 0;
  const std::size_t size = FastFftSize(recording.size() + sounding);
  std::vector<float> buffer(size);
  Plan& plan = PlanFor(size, buffer);
  // The recording goes in `negative` samples late, so that the circular lags come out in
  // order, from minus the sounding length on, and the buffer becomes the impulse response.
  std::fill(buffer.begin(), buffer.end(), 0.0f);
  std::copy(recording.begin(), recording.end(),
            buffer.begin() + static_cast<std::ptrdiff_t>(negative));
  std::vector<Complex>& spectrum = plan.spectrum;
  plan.fft.Forward(buffer, spectrum);
  for (std::size_t b = 0; b < spectrum.size(); ++b) {
    const Complex r = spectrum[b], h = plan.inverse[b];
    spectrum[b] = {r.real() * h.real() - r.imag() * h.imag(),
                   r.real() * h.imag() + r.imag() * h.real()};
  }
  plan.fft.Inverse(spectrum, buffer);

  ImpulseResponse ir;
  ir.rate = sweep_.rate;
  // Lag 0 of the played file lies sounding_begin_ after lag 0 of its sounding part.
  ir.zero = negative + sounding_begin_;
  ir.band_limit_hz = BandLimitHz();
  buffer.resize(negative + recording.size());
  ir.samples = std::move(buffer);
  return ir;
}

}  // namespace tolva::measure
