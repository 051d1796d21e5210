#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "audio/audio_interface.h"
#include "device/protocol/notifications.h"
#include "model/manager/equalizer_manager.h"
#include "model/manager/tuning_session/session_records.h"
#include "model/manager/worker.h"

// A measurement-and-tune session of the whole car, without a window: each output measured at
// the seat with every other output muted (and the unit's mutes put back exactly afterwards,
// whatever ends the run), several microphone positions per output, the crossover pairs
// measured together, each measurement judged, then a tune computed, previewed and applied as
// one step of the undo history, and compared with the tune before on the A/B sides.
//
// Window thread only, except the worker it owns: the audio plays and is analysed there, and
// what it finds reaches the window thread as notifications on the sink given (the window hands
// each one back to OnMessage). Nothing here waits on the audio or the unit.
namespace tolva::model {

class MeasurementSession {
 public:
  // Posted to the sink; the window passes every notification it gets to OnMessage.
  static constexpr std::uint32_t kMsgProgress = 0x10030;  // param: Stage, value: measurement
  static constexpr std::uint32_t kMsgMeasured = 0x10031;  // record: the run's result
  static constexpr std::uint32_t kMsgPreview = 0x10032;   // record: the computed preview

  enum class Stage : std::int64_t { kMuting, kListening, kPlaying, kAnalysing, kComputing };

  // What a handled notification changed, for the window to show.
  struct Event {
    enum class Kind { kNone, kProgress, kMeasured, kPreviewReady } kind = Kind::kNone;
    Stage stage = Stage::kMuting;
    int measurement = -1;  // kMeasured: index into Measurements(); its verdict and reason tell
  };

  // The audio and the sink are shared with the worker, which may outlive a run's last message.
  MeasurementSession(EqualizerManager& manager, std::shared_ptr<audio::AudioInterface> audio,
                     std::shared_ptr<device::NotificationSink> sink);
  // Puts the unit's mutes back at once (queued) if a run holds them, then waits for the worker:
  // a window that closes mid-run calls RequestStop and destroys the session after kMsgMeasured.
  ~MeasurementSession();
  MeasurementSession(const MeasurementSession&) = delete;
  MeasurementSession& operator=(const MeasurementSession&) = delete;

  // Refusal key, empty when taken: "${tune_busy}" while a run or computation goes on,
  // "${tune_reference_muted}" for an acoustic reference, "${tune_setup_invalid}" with
  // detail (English) from the measurement library.
  std::string SetAudio(const AudioSetup& setup, std::string* detail = nullptr);
  const AudioSetup& Audio() const { return setup_; }

  // Every output with a speaker alone, then each crossover pair of the live settings together.
  std::vector<MeasureTarget> Plan() const;

  // Mutes every output but the target's (through the live settings, not as an edit: no undo
  // step, no A/B, no question), then plays and records on the worker; the mutes are put back
  // when the run ends, fails, is stopped, the unit leaves or the session goes. Each call is the
  // target's next microphone position. Refusal key, empty when started: "${tune_busy}",
  // "${tune_no_unit}", "${tune_main_muted}", "${tune_no_audio}", "${tune_bad_target}".
  std::string StartMeasurement(const MeasureTarget& target);
  // Ends the run at its next step; the mutes are put back now. kMsgMeasured follows.
  void RequestStop();
  bool IsRunning() const { return running_; }

  // A notification from the sink, on the window thread.
  Event OnMessage(device::Notification& notification);

  const std::vector<SessionMeasurement>& Measurements() const { return measurements_; }
  // Drops one measurement (a position the installer does not trust).
  void Forget(int measurement);
  // Usable positions of a target.
  int Positions(const MeasureTarget& target) const;

  // The overlay of an output: empty until it has a usable measurement alone.
  OverlayCurve Overlay(int output) const;

  // House-curve file to target: empty on success, else "${tune_target_unreadable}" /
  // "${tune_target_invalid}" with detail (English).
  static std::string ReadHouseCurve(const std::string& path, autotune::TargetCurve& target,
                                    std::string* detail = nullptr);

  // Computes the tune from the usable measurements on the worker; kMsgPreview follows.
  // Refusal key: "${tune_busy}", "${tune_nothing_measured}".
  std::string StartPreview(const TuneChoices& choices);
  // The last preview, nullptr before the first. It is judged against the live settings at the
  // time it was computed; Apply compares again with what the unit holds then.
  const TunePreview* Preview() const { return preview_.get(); }

  // The accepted suggestions of the preview, all outputs at once, as one step of the undo
  // history sent as changes only. The first apply opens the A/B comparison so that the other
  // side holds the tune before (unless a comparison is already open).
  ApplyResult Apply(const std::array<ApplyChoice, kOutputChannels>& choices);
  // A/B: switch between the tune and the one before (the existing sides); false when refused.
  bool CompareBefore();

 private:
  struct RunReport;
  struct PreviewReport;
  // The live settings' and the unit's mutes, all six at once; no edit, nothing recorded.
  void SendMutes(const std::array<int, kOutputChannels>& mutes);
  void PutMutesBack();

  EqualizerManager& manager_;
  std::shared_ptr<audio::AudioInterface> audio_;
  std::shared_ptr<device::NotificationSink> sink_;
  AudioSetup setup_;
  std::vector<SessionMeasurement> measurements_;
  std::unique_ptr<TunePreview> preview_;
  // While a run holds them: the mutes the unit had before, to put back exactly.
  std::optional<std::array<int, kOutputChannels>> held_mutes_;
  std::optional<SessionMeasurement> pending_;  // the run under way
  bool running_ = false;
  bool computing_ = false;
  bool unit_left_ = false;             // during the run under way
  bool before_on_other_side_ = false;  // this session opened the comparison
  int presence_listener_ = -1;
  std::shared_ptr<std::atomic<bool>> run_stop_;
  std::stop_source stop_;
  Worker worker_{stop_.get_token()};
};

}  // namespace tolva::model
