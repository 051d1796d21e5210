#pragma once

#include <complex>
#include <vector>

#include "measure/arrival.h"
#include "measure/smoothing.h"

// From an impulse response to magnitude and phase on a log-frequency grid: the impulse is
// windowed around its arrival (a fixed window, or one that shortens with frequency), its
// spectrum is taken with the arrival as time zero, then sampled and smoothed on the grid.
namespace tolva::measure {

struct FixedWindow {
  double left_ms = 20.0;    // before the arrival: room for filters whose peak trails their onset
  double right_ms = 500.0;  // after it: the low-frequency ringing of crossovers and the cabin
  double left_taper = 0.5;  // share of each side that fades (half-Hann)
  double right_taper = 0.2;
};

// The window shortens to `cycles` periods of each frequency, between min_ms and max_ms, so that
// reflections count less as frequency rises (their comb would be noise there).
struct FrequencyDependentWindow {
  double cycles = 15.0;
  double min_ms = 1.0;
  double max_ms = 500.0;
  double left_ms = 2.0;
};

// The windowed impulse's spectrum on the bins of its transform, with the arrival as time zero
// (so the phase holds no delay). bins[k] lies at k·bin_hz.
struct DenseSpectrum {
  double bin_hz = 1.0;
  std::vector<std::complex<double>> bins;
  // Set by averaging: the mean of |H|² per bin, for the coherence.
  std::vector<double> mean_power;
};

DenseSpectrum WindowedSpectrum(const ImpulseResponse& ir, const Arrival& arrival,
                               const FixedWindow& window);

struct Response {
  std::vector<double> freq;       // Hz, ascending
  std::vector<double> db;         // 20·log10|H|
  std::vector<double> phase_deg;  // relative to the arrival, within (-180, 180]
  std::vector<double> coherence;  // 0 … 1 when sweeps were averaged, else empty
};

// `per_octave` points per octave within [low, high], on a lattice through 1 kHz.
std::vector<double> LogGrid(double low_hz, double high_hz, int per_octave);

Response ResponseOnGrid(const DenseSpectrum& spectrum, const std::vector<double>& grid,
                        const Smoothing& smoothing);

// The frequency-dependent window evaluated directly at each grid frequency; smoothing then
// runs over neighbouring grid points.
Response FrequencyDependentResponse(const ImpulseResponse& ir, const Arrival& arrival,
                                    const FrequencyDependentWindow& window,
                                    const std::vector<double>& grid, const Smoothing& smoothing);

// Smoothing over neighbouring points of a response that is already on a log grid.
Response SmoothOnGrid(const Response& response, const Smoothing& smoothing);

// 10·log10 of the mean |H|² over the grid points in [low_hz, high_hz]; NaN when none lies there.
double LevelDb(const Response& response, double low_hz, double high_hz);

}  // namespace tolva::measure
