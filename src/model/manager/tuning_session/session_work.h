#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_interface.h"
#include "model/manager/tuning_session/measurement_session.h"

// The session's work that needs neither the manager nor the window: one run played and
// analysed (on the worker), a measurement judged, the tune computed from the measurements.
namespace tolva::model::session_work {

struct RunFinding {
  std::optional<measure::SweepMeasurement> result;
  MeasurementQuality quality;
  std::string reason;  // a "${tune_...}" key when the run gave nothing to judge
  std::string detail;
};

// Listens to the microphone, plays the sweeps and analyses the recording. `stopped` is asked
// between the steps; `progress` is told each step.
RunFinding PlayAndAnalyse(const AudioSetup& setup, audio::AudioInterface& audio,
                          const std::function<bool()>& stopped,
                          const std::function<void(MeasurementSession::Stage)>& progress);

// The verdict and its reason from what the run found.
void Judge(SessionMeasurement& m);

// The tune from every usable measurement, judged against `live`. Delays may be suggested as
// reliable only when every output was dated against the same reference in its recording.
TunePreview ComputeTune(const std::vector<SessionMeasurement>& measurements, const Profile& live,
                        const TuneChoices& choices);

// The measured side of an output's overlay (every usable position alone, as it played), put at
// the level of `predicted` over the output's passband, and the curve of the settings it played
// with. `live` gives the output's present settings.
void MeasuredOverlay(const std::vector<SessionMeasurement>& measurements, int output,
                     const Profile& live, OverlayCurve& overlay);

}  // namespace tolva::model::session_work
