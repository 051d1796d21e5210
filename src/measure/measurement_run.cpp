#include "measure/measurement_run.h"

#include <algorithm>
#include <cmath>

namespace tolva::measure {
namespace {

// The chirp: short, loud enough, over the band every speaker plays, ending well before the
// sweep file's own leading silence is over.
SweepSettings ChirpSettings(const SweepSettings& sweep) {
  SweepSettings c = sweep;
  c.start_hz = 500.0;
  c.end_hz = std::min(12000.0, sweep.rate / 2.0);
  c.seconds = 0.2;
  c.fade_in_seconds = 0.005;
  c.fade_out_seconds = 0.005;
  c.silence_before_seconds = 0.05;
  c.silence_after_seconds = 0.25;
  return c;
}

std::vector<float> Segment(const std::vector<float>& x, long from, std::size_t length) {
  std::vector<float> out(length, 0.0f);
  for (std::size_t i = 0; i < length; ++i) {
    const long j = from + static_cast<long>(i);
    if (j >= 0 && j < static_cast<long>(x.size())) out[i] = x[static_cast<std::size_t>(j)];
  }
  return out;
}

}  // namespace

std::string RunSettingsProblem(const RunSettings& s) {
  if (std::string p = SweepSettingsProblem(s.sweep); !p.empty()) return p;
  if (s.sweeps < 1 || s.sweeps > 16) return "1 … 16 sweeps";
  if (s.play_channels < 1 || s.play_channels > 32) return "1 … 32 playback channels";
  if (s.capture_channels < 1 || s.capture_channels > 32) return "1 … 32 capture channels";
  if (s.measured_channel < 0 || s.measured_channel >= s.play_channels)
    return "the measured channel is not played";
  if (s.mic_channel < 0 || s.mic_channel >= s.capture_channels)
    return "the microphone channel is not recorded";
  if (s.reference == TimingReference::kAcoustic &&
      (s.reference_channel < 0 || s.reference_channel >= s.play_channels ||
       s.reference_channel == s.measured_channel)) {
    return "the acoustic reference needs a playback channel of its own";
  }
  if (s.reference == TimingReference::kLoopback &&
      (s.loopback_channel < 0 || s.loopback_channel >= s.capture_channels ||
       s.loopback_channel == s.mic_channel)) {
    return "the loopback needs a capture channel of its own";
  }
  return {};
}

RunPlan PlanRun(const RunSettings& settings) {
  RunPlan plan;
  plan.settings = settings;
  plan.sweep = GenerateSweep(settings.sweep);
  const bool acoustic = settings.reference == TimingReference::kAcoustic;
  if (acoustic) plan.chirp = GenerateSweep(ChirpSettings(settings.sweep));
  const std::size_t repetition =
      plan.sweep.samples.size() + (acoustic ? plan.chirp.samples.size() : 0);
  const std::size_t length = repetition * static_cast<std::size_t>(settings.sweeps);
  plan.play.assign(static_cast<std::size_t>(settings.play_channels),
                   std::vector<float>(length, 0.0f));
  for (std::size_t i = 0; i < static_cast<std::size_t>(settings.sweeps); ++i) {
    std::size_t at = i * repetition;
    if (acoustic) {
      plan.chirp_offsets.push_back(at);
      auto& channel = plan.play[static_cast<std::size_t>(settings.reference_channel)];
      std::copy(plan.chirp.samples.begin(), plan.chirp.samples.end(),
                channel.begin() + static_cast<long>(at));
      at += plan.chirp.samples.size();
    }
    plan.sweep_offsets.push_back(at);
    auto& channel = plan.play[static_cast<std::size_t>(settings.measured_channel)];
    std::copy(plan.sweep.samples.begin(), plan.sweep.samples.end(),
              channel.begin() + static_cast<long>(at));
  }
  return plan;
}

RunResult AnalyzeRun(const RunPlan& plan, const std::vector<std::vector<float>>& recorded,
                     double rate, const AnalysisOptions& options, const Calibration* calibration,
                     long capture_lead) {
  RunResult result;
  const RunSettings& s = plan.settings;
  if (recorded.size() <= static_cast<std::size_t>(s.mic_channel) ||
      (s.reference == TimingReference::kLoopback &&
       recorded.size() <= static_cast<std::size_t>(s.loopback_channel))) {
    result.error = "the recording lacks a channel";
    return result;
  }
  const auto& mic = recorded[static_cast<std::size_t>(s.mic_channel)];
  if (IsClipped(mic)) {
    result.error = "the recording is clipped: lower the level or the microphone's gain";
    return result;
  }
  const Deconvolver sweep_deconvolver(plan.sweep);
  std::optional<Deconvolver> chirp_deconvolver;
  if (s.reference == TimingReference::kAcoustic) chirp_deconvolver.emplace(plan.chirp);
  std::vector<SweepCapture> captures;
  double reference_sum = 0.0;
  for (std::size_t i = 0; i < plan.sweep_offsets.size(); ++i) {
    const long from = static_cast<long>(plan.sweep_offsets[i]) + capture_lead;
    const std::vector<float> stretch = Segment(mic, from, plan.sweep.samples.size());
    if (std::string p = RecordingProblem(plan.sweep, stretch, rate); !p.empty()) {
      result.error = "sweep " + std::to_string(i + 1) + ": " + p;
      return result;
    }
    CaptureResult c = CaptureSweep(sweep_deconvolver, stretch, options);
    if (!c.capture) {
      result.error = "sweep " + std::to_string(i + 1) + ": " + c.error;
      return result;
    }
    double reference = 0.0;
    if (s.reference == TimingReference::kLoopback) {
      const auto& loop = recorded[static_cast<std::size_t>(s.loopback_channel)];
      CaptureResult l =
          CaptureSweep(sweep_deconvolver, Segment(loop, from, plan.sweep.samples.size()), options);
      if (!l.capture) {
        result.error = "sweep " + std::to_string(i + 1) + ": the loopback channel: " + l.error;
        return result;
      }
      reference = l.capture->arrival.seconds;
    } else if (s.reference == TimingReference::kAcoustic) {
      const long chirp_from = static_cast<long>(plan.chirp_offsets[i]) + capture_lead;
      CaptureResult r = CaptureSweep(*chirp_deconvolver,
                                     Segment(mic, chirp_from, plan.chirp.samples.size()), options);
      if (!r.capture) {
        result.error = "sweep " + std::to_string(i + 1) + ": the timing chirp: " + r.error;
        return result;
      }
      reference = r.capture->arrival.seconds;
    }
    result.reference_ms.push_back(reference * 1000.0);
    reference_sum += reference;
    captures.push_back(std::move(*c.capture));
  }
  result.measurement = CombineCaptures(plan.sweep, captures, options, calibration,
                                       reference_sum / static_cast<double>(captures.size()));
  return result;
}

}  // namespace tolva::measure
