#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/analysis.h"
#include "measure/sweep.h"

// A live measurement as one continuous played stream, so that every sweep and its timing
// reference share one clock: per repetition, when the reference is acoustic, a short chirp
// through a fixed output, then the sweep file through the output measured. A USB microphone
// runs on its own clock and its stream starts whenever it starts; arrival times are therefore
// taken relative to a reference inside the same recording (the chirp, or a loopback channel
// that records the played signal electrically), never to the start of the recording.
namespace tolva::measure {

enum class TimingReference {
  kNone,      // arrival relative to the recording's start: includes the audio system's latency
  kLoopback,  // a capture channel holds the played sweep
  kAcoustic,  // a chirp through reference_channel before each sweep
};

struct RunSettings {
  SweepSettings sweep;
  int sweeps = 1;
  int play_channels = 2;
  int measured_channel = 0;  // playback channel that feeds the output measured
  TimingReference reference = TimingReference::kNone;
  int reference_channel = 1;  // acoustic: the playback channel of the fixed output
  int loopback_channel = 1;   // loopback: the capture channel holding the played signal
  int mic_channel = 0;
  int capture_channels = 1;
};

// Why the settings cannot make a run; empty when they can.
std::string RunSettingsProblem(const RunSettings& settings);

struct RunPlan {
  RunSettings settings;
  Sweep sweep;
  Sweep chirp;                             // acoustic reference only
  std::vector<std::vector<float>> play;    // per playback channel, equal lengths
  std::vector<std::size_t> sweep_offsets;  // where each sweep file starts in the stream
  std::vector<std::size_t> chirp_offsets;
  double tail_seconds = 0.5;  // recorded after the stream, for late arrivals
};

RunPlan PlanRun(const RunSettings& settings);

struct RunResult {
  std::optional<SweepMeasurement> measurement;
  std::string error;
  std::vector<double> reference_ms;  // the reference's own arrival per sweep (latency)
};

// The recording (per capture channel, from when capture started) cut into its sweeps and
// measured. capture_lead is how many samples the recording started before the stream (negative
// when after), when the audio system knows it; a reference makes it irrelevant.
RunResult AnalyzeRun(const RunPlan& plan, const std::vector<std::vector<float>>& recorded,
                     double rate, const AnalysisOptions& options, const Calibration* calibration,
                     long capture_lead = 0);

}  // namespace tolva::measure
