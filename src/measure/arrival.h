#pragma once

#include "measure/deconvolution.h"

// When the sound arrived and how loud its impulse is: the largest magnitude of the impulse
// response, located between samples by band-limited interpolation.
namespace tolva::measure {

struct Arrival {
  double index = 0.0;    // fractional position in ImpulseResponse::samples
  double seconds = 0.0;  // lag relative to the played file's start
  double peak = 0.0;     // the impulse's value there (negative: inverted polarity)
  bool inverted = false;
};

// The peak among lags [first_lag_s, last_lag_s] (clamped to the response).
Arrival FindArrival(const ImpulseResponse& ir, double first_lag_s, double last_lag_s);
Arrival FindArrival(const ImpulseResponse& ir);

// The impulse response between samples (windowed sinc over 32 neighbours).
double InterpolateAt(const ImpulseResponse& ir, double index);

// The peak over the RMS of the response away from it (outside [peak - before_s, peak + after_s]),
// in dB: how far the impulse stands out of the deconvolved noise.
double PeakToNoiseDb(const ImpulseResponse& ir, const Arrival& arrival, double before_s,
                     double after_s);

}  // namespace tolva::measure
