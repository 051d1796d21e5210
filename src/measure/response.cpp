#include "measure/response.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "measure/fft.h"

namespace tolva::measure {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRadToDeg = 180.0 / kPi;
// Levels below this count as silence rather than as -inf dB.
constexpr double kFloorPower = 1e-30;

// 1 for i < flat, then a half-Hann down to 0 at length.
double Taper(std::size_t i, std::size_t length, double taper_share) {
  const auto fade =
      static_cast<std::size_t>(static_cast<double>(length) * std::clamp(taper_share, 0.0, 1.0));
  const std::size_t flat = length - fade;
  if (i < flat) return 1.0;
  if (i >= length) return 0.0;
  return 0.5 + 0.5 * std::cos(kPi * static_cast<double>(i - flat) / static_cast<double>(fade));
}

std::size_t Samples(double ms, double rate) {
  return static_cast<std::size_t>(std::max(0LL, std::llround(ms * rate / 1000.0)));
}

// ∫₀ˣ of the piecewise-linear function through values, per unit bin.
class PrefixIntegral {
 public:
  explicit PrefixIntegral(std::vector<double> values)
      : values_(std::move(values)), sums_(values_.size(), 0.0) {
    for (std::size_t k = 1; k < values_.size(); ++k) {
      sums_[k] = sums_[k - 1] + 0.5 * (values_[k - 1] + values_[k]);
    }
  }
  double At(double x) const {
    const double last = static_cast<double>(values_.size() - 1);
    x = std::clamp(x, 0.0, last);
    const auto k = std::min(static_cast<std::size_t>(x), values_.size() - 2);
    const double t = x - static_cast<double>(k);
    return sums_[k] + t * values_[k] + 0.5 * t * t * (values_[k + 1] - values_[k]);
  }
  double ValueAt(double x) const {
    const double last = static_cast<double>(values_.size() - 1);
    x = std::clamp(x, 0.0, last);
    const auto k = std::min(static_cast<std::size_t>(x), values_.size() - 2);
    const double t = x - static_cast<double>(k);
    return values_[k] + t * (values_[k + 1] - values_[k]);
  }
  // The mean over [lo, hi]; the value itself when the band is narrower than a hair.
  double Mean(double lo, double hi) const {
    if (hi - lo < 1e-6) return ValueAt(0.5 * (lo + hi));
    return (At(hi) - At(lo)) / (hi - lo);
  }

 private:
  std::vector<double> values_;
  std::vector<double> sums_;
};

double ToDb(double power) {
  return 10.0 * std::log10(std::max(power, kFloorPower));
}

double PhaseDeg(double re, double im) {
  if (re == 0.0 && im == 0.0) return 0.0;
  return std::atan2(im, re) * kRadToDeg;
}

}  // namespace

DenseSpectrum WindowedSpectrum(const ImpulseResponse& ir, const Arrival& arrival,
                               const FixedWindow& window) {
  const std::size_t left = Samples(window.left_ms, ir.rate);
  const std::size_t right = std::max<std::size_t>(1, Samples(window.right_ms, ir.rate));
  // Twice the window, so the bins sample the spectrum finer than its detail.
  const std::size_t size = FastFftSize(2 * (left + right));
  std::vector<float> buffer(size, 0.0f);
  const auto origin = static_cast<long>(std::floor(arrival.index));
  const auto sample = [&](long i) -> double {
    return i >= 0 && i < static_cast<long>(ir.samples.size())
               ? ir.samples[static_cast<std::size_t>(i)]
               : 0.0;
  };
  for (std::size_t j = 0; j < right; ++j) {
    buffer[j] = static_cast<float>(sample(origin + static_cast<long>(j)) *
                                   Taper(j, right, window.right_taper));
  }
  for (std::size_t j = 1; j <= left; ++j) {
    buffer[size - j] = static_cast<float>(sample(origin - static_cast<long>(j)) *
                                          Taper(j - 1, left, window.left_taper));
  }
  RealFft fft(size);
  std::vector<Complex> bins(fft.bins());
  fft.Forward(buffer, bins);

  DenseSpectrum out;
  out.bin_hz = ir.rate / static_cast<double>(size);
  out.bins.resize(bins.size());
  // The arrival lies `fraction` of a sample after the window's time zero: undo its phase.
  const double fraction = arrival.index - static_cast<double>(origin);
  for (std::size_t k = 0; k < bins.size(); ++k) {
    const double angle = 2.0 * kPi * static_cast<double>(k) * fraction / static_cast<double>(size);
    const std::complex<double> limit = ir.BandLimit(static_cast<double>(k) * out.bin_hz);
    out.bins[k] = std::abs(limit) > 1e-9
                      ? std::complex<double>(bins[k]) * std::polar(1.0, angle) / limit
                      : 0.0;
  }
  return out;
}

std::vector<double> LogGrid(double low_hz, double high_hz, int per_octave) {
  std::vector<double> grid;
  if (!(low_hz > 0.0) || !(high_hz >= low_hz) || per_octave < 1) return grid;
  // Anchored at 1 kHz, so that grids of different ranges share their points.
  const auto first = static_cast<long>(std::ceil(std::log2(low_hz / 1000.0) * per_octave - 1e-9));
  const auto last = static_cast<long>(std::floor(std::log2(high_hz / 1000.0) * per_octave + 1e-9));
  for (long i = first; i <= last; ++i)
    grid.push_back(1000.0 * std::exp2(static_cast<double>(i) / per_octave));
  return grid;
}

Response ResponseOnGrid(const DenseSpectrum& spectrum, const std::vector<double>& grid,
                        const Smoothing& smoothing) {
  Response out;
  if (spectrum.bins.size() < 2) return out;
  const int exponent = smoothing.Exponent();
  std::vector<double> magnitude(spectrum.bins.size()), re(spectrum.bins.size()),
      im(spectrum.bins.size());
  for (std::size_t k = 0; k < spectrum.bins.size(); ++k) {
    const double a = std::abs(spectrum.bins[k]);
    magnitude[k] = exponent == 3 ? a * a * a : a * a;
    re[k] = spectrum.bins[k].real();
    im[k] = spectrum.bins[k].imag();
  }
  const PrefixIntegral level(std::move(magnitude)), real(std::move(re)), imaginary(std::move(im));
  std::optional<PrefixIntegral> mean_power, mean_power_of_mean;
  if (spectrum.mean_power.size() == spectrum.bins.size()) {
    std::vector<double> squared(spectrum.bins.size());
    for (std::size_t k = 0; k < squared.size(); ++k) squared[k] = std::norm(spectrum.bins[k]);
    mean_power.emplace(spectrum.mean_power);
    mean_power_of_mean.emplace(std::move(squared));
  }
  for (const double f : grid) {
    const double half = 0.5 * smoothing.OctavesAt(f);
    const double lo = f * std::exp2(-half) / spectrum.bin_hz;
    const double hi = f * std::exp2(half) / spectrum.bin_hz;
    const double mean = std::max(0.0, level.Mean(lo, hi));
    const double power = exponent == 3 ? std::pow(mean, 2.0 / 3.0) : mean;
    out.freq.push_back(f);
    out.db.push_back(ToDb(power));
    out.phase_deg.push_back(PhaseDeg(real.Mean(lo, hi), imaginary.Mean(lo, hi)));
    if (mean_power) {
      const double all = mean_power->Mean(lo, hi);
      out.coherence.push_back(
          all > 0.0 ? std::clamp(mean_power_of_mean->Mean(lo, hi) / all, 0.0, 1.0) : 0.0);
    }
  }
  return out;
}

Response FrequencyDependentResponse(const ImpulseResponse& ir, const Arrival& arrival,
                                    const FrequencyDependentWindow& window,
                                    const std::vector<double>& grid, const Smoothing& smoothing) {
  Response out;
  const auto origin = static_cast<long>(std::floor(arrival.index));
  const double fraction = arrival.index - static_cast<double>(origin);
  const std::size_t left = Samples(window.left_ms, ir.rate);
  const auto sample = [&](long i) -> double {
    return i >= 0 && i < static_cast<long>(ir.samples.size())
               ? ir.samples[static_cast<std::size_t>(i)]
               : 0.0;
  };
  for (const double f : grid) {
    const double ms = std::clamp(window.cycles / f * 1000.0, window.min_ms, window.max_ms);
    const std::size_t right = std::max<std::size_t>(1, Samples(ms, ir.rate));
    const double w = 2.0 * kPi * f / ir.rate;
    std::complex<double> sum = 0.0;
    // e^{-iω(j - fraction)} by a rotating phasor, renormalised now and then.
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> phasor = std::polar(1.0, w * fraction);
    for (std::size_t j = 0; j < right; ++j) {
      const double taper =
          0.5 + 0.5 * std::cos(kPi * static_cast<double>(j) / static_cast<double>(right));
      sum += sample(origin + static_cast<long>(j)) * taper * phasor;
      phasor *= step;
      if ((j & 1023) == 1023) phasor /= std::abs(phasor);
    }
    phasor = std::polar(1.0, w * fraction);
    for (std::size_t j = 1; j <= left; ++j) {
      phasor /= step;
      sum += sample(origin - static_cast<long>(j)) * Taper(j - 1, left, 0.5) * phasor;
    }
    sum /= ir.BandLimit(f);
    out.freq.push_back(f);
    out.db.push_back(ToDb(std::norm(sum)));
    out.phase_deg.push_back(PhaseDeg(sum.real(), sum.imag()));
  }
  return SmoothOnGrid(out, smoothing);
}

Response SmoothOnGrid(const Response& response, const Smoothing& smoothing) {
  if (smoothing.kind == Smoothing::Kind::kNone) return response;
  const int exponent = smoothing.Exponent();
  Response out = response;
  const std::size_t n = response.freq.size();
  for (std::size_t i = 0; i < n; ++i) {
    const double half = 0.5 * smoothing.OctavesAt(response.freq[i]);
    const double lo = response.freq[i] * std::exp2(-half);
    const double hi = response.freq[i] * std::exp2(half);
    double level = 0.0, re = 0.0, im = 0.0;
    std::size_t count = 0;
    const auto first = std::lower_bound(response.freq.begin(), response.freq.end(), lo);
    for (auto j = static_cast<std::size_t>(first - response.freq.begin());
         j < n && response.freq[j] <= hi; ++j) {
      const double a = std::pow(10.0, response.db[j] / 20.0);
      level += std::pow(a, exponent);
      const double phase = j < response.phase_deg.size() ? response.phase_deg[j] / kRadToDeg : 0.0;
      re += a * std::cos(phase);
      im += a * std::sin(phase);
      ++count;
    }
    if (count == 0) continue;
    const double mean = level / static_cast<double>(count);
    out.db[i] = ToDb(exponent == 3 ? std::pow(mean, 2.0 / 3.0) : mean);
    if (i < out.phase_deg.size()) out.phase_deg[i] = PhaseDeg(re, im);
  }
  return out;
}

double LevelDb(const Response& response, double low_hz, double high_hz) {
  double sum = 0.0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < response.freq.size(); ++i) {
    if (response.freq[i] < low_hz || response.freq[i] > high_hz) continue;
    sum += std::pow(10.0, response.db[i] / 10.0);
    ++count;
  }
  if (count == 0) return std::numeric_limits<double>::quiet_NaN();
  return ToDb(sum / static_cast<double>(count));
}

}  // namespace tolva::measure
