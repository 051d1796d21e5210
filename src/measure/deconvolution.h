#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "measure/fft.h"
#include "measure/sweep.h"

// A recording turned into the impulse response of the path it went through, by dividing its
// spectrum by the played file's with a regularised inverse: exact inside the sweep's band,
// quiet outside it. The recording may start before or after the played file and be longer.
//
// Cutting the band off below the sweep's start with a zero-phase inverse would spread a slow
// wave of the path's lowest frequencies to both sides of the impulse, which the window around
// the arrival then cuts, bending the response an octave or two above the start. The inverse
// therefore also holds a causal (Butterworth) high-pass just above the start: what it removes
// rings after the impulse, inside the window, and the spectra divide it out again.
namespace tolva::measure {

struct ImpulseResponse {
  double rate = 48000.0;
  std::vector<float> samples;
  // Index of lag 0: a path without delay, recorded from the moment the file started playing,
  // has its peak here. Earlier indices are negative lags (the harmonics, a late recording).
  std::size_t zero = 0;
  double band_limit_hz = 0.0;  // corner of the high-pass held in the response; 0: none

  // The high-pass the response holds, at f; responses are divided by it.
  std::complex<double> BandLimit(double f) const;
  double LagSeconds(double index) const { return (index - static_cast<double>(zero)) / rate; }
};

class Deconvolver {
 public:
  explicit Deconvolver(const Sweep& sweep);
  ~Deconvolver();
  Deconvolver(Deconvolver&&) noexcept;

  const Sweep& sweep() const { return sweep_; }
  // Every lag at which the sweep's sounding part meets the recording. Not thread-safe: the
  // inverse filter for the FFT size is computed on first use and kept, with a spectrum the
  // calls share.
  ImpulseResponse Deconvolve(std::span<const float> recording) const;
  double BandLimitHz() const;

 private:
  struct Plan;
  // `work`: size samples the plan may use while it is built.
  Plan& PlanFor(std::size_t size, std::span<float> work) const;

  Sweep sweep_;
  std::size_t sounding_begin_ = 0;  // the played file's first and past its last sample not 0
  std::size_t sounding_end_ = 0;
  mutable std::unique_ptr<Plan> plan_;
};

}  // namespace tolva::measure
