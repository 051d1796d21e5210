#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "measure/calibration.h"
#include "measure/deconvolution.h"
#include "measure/response.h"

// One measurement from one or more recordings of the same sweep: checks on the recording, the
// impulse response, arrival, the response on a log grid with smoothing and calibration, the
// level and the quality figures (signal-to-noise ratio, coherence across sweeps).
namespace tolva::measure {

struct AnalysisOptions {
  FixedWindow window;
  std::optional<FrequencyDependentWindow> frequency_dependent;
  Smoothing smoothing{Smoothing::Kind::kFraction, 48};
  int points_per_octave = 96;
  // The band the level is the mean of: where every full-range output plays.
  double level_low_hz = 300.0;
  double level_high_hz = 3000.0;
};

// Why the recording cannot be measured against the sweep (another rate, shorter than the
// sweep, clipped, silent); empty when it can.
std::string RecordingProblem(const Sweep& sweep, std::span<const float> recording, double rate);

// True when the recording holds a run of samples at full scale, or beyond it.
bool IsClipped(std::span<const float> recording);

// One recorded sweep, deconvolved.
struct SweepCapture {
  ImpulseResponse ir;
  Arrival arrival;
  DenseSpectrum spectrum;  // fixed window
  double snr_db = 0.0;     // signal during the sweep against the recording's quiet part; NaN: none
  double peak_to_noise_db = 0.0;
};

// Empty error and the capture, or the reason no sweep was found in the recording.
struct CaptureResult {
  std::optional<SweepCapture> capture;
  std::string error;
};
CaptureResult CaptureSweep(const Deconvolver& deconvolver, std::span<const float> recording,
                           const AnalysisOptions& options);

struct SweepMeasurement {
  Response response;        // calibrated, smoothed; phase relative to the arrival
  double arrival_ms = 0.0;  // relative to the reference (or to the played file's timeline)
  double level_db = 0.0;
  double snr_db = 0.0;     // the worst of the sweeps
  double coherence = 1.0;  // mean over the level band; 1 with one sweep
  bool inverted = false;
  int sweeps = 0;
};

// Several captures of one position: complex average aligned on each one's arrival, so that a
// microphone's drifting clock does not smear them. reference_s is subtracted from the arrival.
SweepMeasurement CombineCaptures(const Sweep& sweep, std::span<const SweepCapture> captures,
                                 const AnalysisOptions& options, const Calibration* calibration,
                                 double reference_s = 0.0);

// Several positions: power average of the levels on a common grid; arrival and SNR averaged.
SweepMeasurement AveragePositions(std::span<const SweepMeasurement> positions);

}  // namespace tolva::measure
