#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Exponential sine sweeps whose harmonics land at known times: the start frequency is lowered
// until start·L is a whole number (L the sweep's time per e-fold of frequency), so the k-th
// harmonic's impulse response sits exactly L·ln k before the linear one, in phase.
namespace tolva::measure {

struct SweepSettings {
  double rate = 48000.0;
  double start_hz = 10.0;
  double end_hz = 24000.0;
  double seconds = 5.0;       // the sweep itself, silences and fades aside
  double level_dbfs = -12.0;  // peak
  double fade_in_seconds = 0.1;
  double fade_out_seconds = 0.005;
  double silence_before_seconds = 0.5;
  double silence_after_seconds = 1.0;
};

// Why settings cannot make a sweep; empty when they can.
std::string SweepSettingsProblem(const SweepSettings& settings);

struct Sweep {
  double rate = 48000.0;
  double start_hz = 10.0;  // after synchronisation (at most the requested start)
  double end_hz = 24000.0;
  double time_constant = 0.0;   // L in seconds: the frequency grows by e every L seconds
  std::size_t sweep_start = 0;  // first sweep sample in `samples`, after the leading silence
  std::size_t sweep_length = 0;
  std::vector<float> samples;  // the file that is played: silence, sweep, silence

  // How far before the linear impulse response the k-th harmonic's lands, in seconds.
  double HarmonicLead(int k) const;
};

// Throws std::invalid_argument when SweepSettingsProblem is not empty.
Sweep GenerateSweep(const SweepSettings& settings);

// A sweep played before: its band and timing recovered from the samples alone (the file the
// sweep command wrote), by the envelope and the instantaneous frequency at both ends. The
// samples are kept as they were, so deconvolution never depends on the recovered figures
// beyond the band edges and the harmonic times.
std::optional<Sweep> RecognizeSweep(std::vector<float> samples, double rate);

}  // namespace tolva::measure

namespace tolva::measure {

// The sweep's figures as one line, kept in the file's comment so that analysis knows the band
// and timing exactly; Parse fills them into `sweep` (samples untouched) or returns false.
std::string DescribeSweep(const Sweep& sweep);
bool ParseSweepDescription(std::string_view text, Sweep& sweep);

}  // namespace tolva::measure
