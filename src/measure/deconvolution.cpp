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
// The causal high-pass's corner over the sweep's start, and the Q of its two sections (a
// fourth-order Butterworth).
constexpr double kBandLimitOverStart = 1.5;
constexpr double kBandLimitQ[] = {0.54119610014619701, 1.3065629648763766};

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
  // Each section s²/(s² + s/q + 1) at s = jx, in real arithmetic: it runs for every bin.
  const double x = f / band_limit_hz, x2 = x * x;
  std::complex<double> h = 1.0;
  for (const double q : kBandLimitQ) {
    const double re = 1.0 - x2, im = x / q;
    h *= std::complex<double>(-x2 * re, x2 * im) / (re * re + im * im);
  }
  return h;
}

struct Deconvolver::Plan {
  std::size_t size = 0;
  RealFft fft;
  std::vector<Complex> inverse;
  explicit Plan(std::size_t n) : size(n), fft(n), inverse(fft.bins()) {}
};

Deconvolver::Deconvolver(const Sweep& sweep) : sweep_(sweep) {}
Deconvolver::~Deconvolver() = default;
Deconvolver::Deconvolver(Deconvolver&&) noexcept = default;

const Deconvolver::Plan& Deconvolver::PlanFor(std::size_t size) const {
  if (plan_ && plan_->size == size) return *plan_;
  auto plan = std::make_unique<Plan>(size);
  std::vector<float> played(size, 0.0f);
  std::copy_n(sweep_.samples.begin(), std::min(size, sweep_.samples.size()), played.begin());
  std::vector<Complex> spectrum(plan->fft.bins());
  plan->fft.Forward(played, spectrum);

  // An exponential sweep's power falls as 1/f: its in-band level is measured as the mean of
  // f·|S|², and the regularisation follows that slope.
  const double bin_hz = sweep_.rate / static_cast<double>(size);
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t b = 1; b < spectrum.size(); ++b) {
    const double f = static_cast<double>(b) * bin_hz;
    if (f < sweep_.start_hz || f > sweep_.end_hz) continue;
    sum += std::norm(std::complex<double>(spectrum[b])) * f;
    ++count;
  }
  const double pink = count > 0 ? sum / static_cast<double>(count) : 1.0;
  ImpulseResponse limit;
  limit.band_limit_hz = BandLimitHz();
  for (std::size_t b = 0; b < spectrum.size(); ++b) {
    const double f = static_cast<double>(b) * bin_hz;
    const std::complex<double> s(spectrum[b]);
    const double expected = pink / std::max(f, bin_hz);
    const double eps = expected * RegularisationWeight(f, sweep_.start_hz, sweep_.end_hz);
    // The 1/size of the unnormalised inverse transform is folded in here.
    plan->inverse[b] = Complex(limit.BandLimit(f) * std::conj(s) /
                               ((std::norm(s) + eps) * static_cast<double>(size)));
  }
  plan_ = std::move(plan);
  return *plan_;
}

double Deconvolver::BandLimitHz() const {
  return sweep_.start_hz * kBandLimitOverStart;
}

std::span<const Complex> Deconvolver::InverseSpectrum(std::size_t size) const {
  return PlanFor(size).inverse;
}

ImpulseResponse Deconvolver::Deconvolve(std::span<const float> recording) const {
  const std::size_t played = sweep_.samples.size();
  const std::size_t size = FastFftSize(recording.size() + played);
  const Plan& plan = PlanFor(size);
  std::vector<float> buffer(size, 0.0f);
  std::copy(recording.begin(), recording.end(), buffer.begin());
  std::vector<Complex> spectrum(plan.fft.bins());
  plan.fft.Forward(buffer, spectrum);
  for (std::size_t b = 0; b < spectrum.size(); ++b) spectrum[b] *= plan.inverse[b];
  plan.fft.Inverse(spectrum, buffer);

  // Circular lags: 0 … recording-1 at the front, the negative ones at the back.
  ImpulseResponse ir;
  ir.rate = sweep_.rate;
  const std::size_t negative = played > 0 ? played - 1 : 0;
  ir.zero = negative;
  ir.band_limit_hz = BandLimitHz();
  ir.samples.resize(negative + recording.size());
  std::copy(buffer.end() - static_cast<std::ptrdiff_t>(negative), buffer.end(), ir.samples.begin());
  std::copy_n(buffer.begin(), recording.size(),
              ir.samples.begin() + static_cast<std::ptrdiff_t>(negative));
  return ir;
}

}  // namespace tolva::measure
