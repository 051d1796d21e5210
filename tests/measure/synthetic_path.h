#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "dsp_math/response_math.h"
#include "measure/fft.h"

// A known path for recordings made up in tests: biquad sections, a gain and a delay, applied in
// the frequency domain with plenty of padding, and the same path's exact response.
namespace tolva::measure::testing {

struct KnownPath {
  std::vector<dsp::BiquadSection> sections;
  double gain_db = 0.0;
  double delay_s = 0.0;

  std::complex<double> At(double f, double rate) const {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
    std::complex<double> h = std::pow(10.0, gain_db / 20.0);
    for (const auto& s : sections) {
      h *= (s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (s.a0 + s.a1 * z1 + s.a2 * z1 * z1);
    }
    return h;
  }
  double Db(double f, double rate) const { return 20.0 * std::log10(std::abs(At(f, rate))); }
};

// input through the path; `lead` samples of the path's output are cut from the front (a
// recording that started late) or, when negative, added as silence (one that started early);
// the result is `length` samples long.
inline std::vector<float> Record(const std::vector<float>& input, const KnownPath& path,
                                 double rate, long lead, std::size_t length) {
  const std::size_t n =
      FastFftSize(input.size() + length + static_cast<std::size_t>(std::abs(lead)) +
                  static_cast<std::size_t>(rate));
  RealFft fft(n);
  std::vector<float> buffer(n, 0.0f);
  std::copy(input.begin(), input.end(), buffer.begin());
  std::vector<Complex> spectrum(fft.bins());
  fft.Forward(buffer, spectrum);
  for (std::size_t k = 0; k < spectrum.size(); ++k) {
    const double f = static_cast<double>(k) * rate / static_cast<double>(n);
    const std::complex<double> delay = std::polar(1.0, -2.0 * std::numbers::pi * f * path.delay_s);
    spectrum[k] = Complex(std::complex<double>(spectrum[k]) * path.At(f, rate) * delay /
                          static_cast<double>(n));
  }
  fft.Inverse(spectrum, buffer);
  std::vector<float> out(length, 0.0f);
  for (std::size_t i = 0; i < length; ++i) {
    const long source = static_cast<long>(i) + lead;
    if (source >= 0 && source < static_cast<long>(n))
      out[i] = buffer[static_cast<std::size_t>(source)];
  }
  return out;
}

// White noise `below_db` under the RMS of the reference stretch.
inline void AddNoise(std::vector<float>& x, double rms, double below_db, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0.0, rms * std::pow(10.0, -below_db / 20.0));
  for (float& v : x) v += static_cast<float>(normal(random));
}

inline double Rms(const std::vector<float>& x, std::size_t from, std::size_t count) {
  double sum = 0.0;
  for (std::size_t i = from; i < from + count && i < x.size(); ++i)
    sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(count));
}

}  // namespace tolva::measure::testing
