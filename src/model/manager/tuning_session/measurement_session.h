#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
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
// Window thread only, except the threads it owns: the audio opens on one, plays and is analysed
// on the worker, and what they find reaches the window thread as notifications on the sink
// given (the window hands each one back to OnMessage). Nothing here waits on the audio or the
// unit.
namespace tolva::model {

class MeasurementSession {
 public:
  // Posted to the sink; the window passes every notification it gets to OnMessage.
  static constexpr std::uint32_t kMsgProgress = 0x10030;  // param: Stage, value: measurement
  static constexpr std::uint32_t kMsgMeasured = 0x10031;  // record: the run's result
  static constexpr std::uint32_t kMsgPreview = 0x10032;   // record: the computed preview
  static constexpr std::uint32_t kMsgAudioOpened = 0x10033;  // param: 1 when it opened
  static constexpr std::uint32_t kMsgDevices = 0x10034;      // record: the device list
  static constexpr std::uint32_t kMsgLevel = 0x10035;        // record: the microphone's level

  enum class Stage : std::int64_t { kMuting, kListening, kPlaying, kAnalysing, kComputing };

  // What a handled notification changed, for the window to show.
  struct Event {
    enum class Kind {
      kNone,
      kProgress,
      kMeasured,
      kPreviewReady,
      kAudioOpened,  // refusal: "${tune_no_audio}" when it failed (detail: why)
      kDevices,      // Devices(); refusal "${tune_no_audio}" when there is no audio
      kLevel,        // LastLevel(); refusal "${tune_no_audio}" when there is no audio
    } kind = Kind::kNone;
    Stage stage = Stage::kMuting;
    int measurement = -1;  // kMeasured: index into Measurements(); its verdict and reason tell
    std::string refusal;
    std::string detail;  // the audio system's own words (English)
  };

  // The microphone heard with nothing playing (CheckLevel).
  struct Level {
    measure::InputLevel mic;
    std::string error;  // the audio system's words when it could not listen
  };

  // Opens the audio on a thread of its own; null and why when there is none.
  using AudioOpener = std::function<std::shared_ptr<audio::AudioInterface>(std::string& error)>;

  // The audio and the sink are shared with the worker, which may outlive a run's last message.
  MeasurementSession(EqualizerManager& manager, std::shared_ptr<audio::AudioInterface> audio,
                     std::shared_ptr<device::NotificationSink> sink);
  // The audio opened behind the window: kMsgAudioOpened follows. Until it has, the calls that
  // need it are taken and their work waits for it on the worker.
  MeasurementSession(EqualizerManager& manager, AudioOpener open_audio,
                     std::shared_ptr<device::NotificationSink> sink);
  // Puts the unit's mutes back at once (queued) if a run holds them, then waits for the worker:
  // a window that closes mid-run calls RequestStop and destroys the session after kMsgMeasured.
  ~MeasurementSession();
  MeasurementSession(const MeasurementSession&) = delete;
  MeasurementSession& operator=(const MeasurementSession&) = delete;

  // Refusal key, empty when taken: "${tune_busy}" while a run or computation goes on,
  // "${tune_reference_no_output}" for an acoustic reference without its output or input,
  // "${tune_setup_invalid}" with detail (English) from the measurement library.
  std::string SetAudio(const AudioSetup& setup, std::string* detail = nullptr);
  const AudioSetup& Audio() const { return setup_; }

  // The audio system's devices, on the worker; kMsgDevices follows. The level of the
  // microphone (run.mic_channel of record_device) over `seconds` with nothing playing; kMsgLevel
  // follows. Refusal key: "${tune_busy}" while the worker has work, "${tune_no_audio}".
  std::string ListDevices();
  std::string CheckLevel(double seconds = 1.0);
  const std::vector<audio::AudioDevice>& Devices() const { return devices_; }
  const Level& LastLevel() const { return level_; }
  // A run, a computation, a device list or a level check goes on, or the audio is opening.
  bool Busy() const;

  // Every output with a speaker alone, then each crossover pair of the live settings together.
  std::vector<MeasureTarget> Plan() const;

  // Mutes every output but the target's (and an acoustic reference's; through the live
  // settings, not as an edit: no undo step, no A/B, no question), then plays and records on the
  // worker; the mutes are put back when the run ends, fails, is stopped, the unit leaves or the
  // session goes. Each call is the target's next microphone position; start_over: its first,
  // the earlier ones dropped once the run is taken (a refused one keeps them). Refusal key,
  // empty when started: "${tune_busy}", "${tune_no_unit}", "${tune_main_muted}",
  // "${tune_no_audio}", "${tune_bad_target}", or one of the routing keys (see RoutingProblem),
  // whose `fill` receives the numbers (from 1) for the key's placeholders.
  std::string StartMeasurement(const MeasureTarget& target,
                               std::vector<std::string>* fill = nullptr, bool start_over = false);
  // Ends the run at its next step; the mutes are put back now. kMsgMeasured follows.
  void RequestStop();
  bool IsRunning() const { return running_; }

  // Why the live settings cannot make a run of `target` with `setup`, empty when they can: each
  // measured output must take the sweep's input; an acoustic reference's output must play more
  // than bass (a low-pass above 200 Hz: a bass-only chirp dates nothing), take the chirp's input
  // and not the sweep's, no measured output the chirp's, and it cannot be one of a pair
  // ("${tune_input_not_routed}", "${tune_reference_bass_only}" with the output and its low-pass
  // in Hz, "${tune_reference_not_routed}", "${tune_reference_hears_sweep}",
  // "${tune_measured_hears_reference}", "${tune_reference_in_pair}"; the others with the output
  // and the input). The reference output alone is measured through its own input, the chirp
  // before each sweep on the same output.
  static std::string RoutingProblem(const Profile& live, const AudioSetup& setup,
                                    const MeasureTarget& target, std::vector<std::string>* fill);

  // A notification from the sink, on the window thread.
  Event OnMessage(device::Notification& notification);

  const std::vector<SessionMeasurement>& Measurements() const { return measurements_; }
  // Drops one measurement (a position the installer does not trust); false while a preview is
  // computed, or for one it does not have.
  bool Forget(int measurement);
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
  // The last preview, nullptr before the first and once a usable measurement was added or
  // dropped since: Apply then sends nothing of it. It is judged against the live settings at
  // the time it was computed; Apply compares again with what the unit holds then.
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
  struct DevicesReport;
  struct LevelReport;
  struct AudioSlot;
  // The live settings' and the unit's mutes, all six at once; no edit, nothing recorded.
  void SendMutes(const std::array<int, kOutputChannels>& mutes);
  bool WorkerBusy() const;
  void SayNoAudio(Event& e) const;
  void PutMutesBack();
  // Drops a measurement; the preview goes with a usable one.
  void Erase(std::size_t measurement);

  EqualizerManager& manager_;
  std::shared_ptr<AudioSlot> audio_;
  enum class AudioState { kOpening, kOpen, kFailed } audio_state_ = AudioState::kOpening;
  std::shared_ptr<device::NotificationSink> sink_;
  std::vector<audio::AudioDevice> devices_;
  Level level_;
  AudioSetup setup_;
  std::vector<SessionMeasurement> measurements_;
  std::unique_ptr<TunePreview> preview_;
  // While a run holds them: the mutes the unit had before, to put back exactly.
  std::optional<std::array<int, kOutputChannels>> held_mutes_;
  std::optional<SessionMeasurement> pending_;  // the run under way
  bool running_ = false;
  bool computing_ = false;
  bool listing_ = false;
  bool checking_ = false;
  bool unit_left_ = false;             // during the run under way
  bool before_on_other_side_ = false;  // this session opened the comparison
  int presence_listener_ = -1;
  std::shared_ptr<std::atomic<bool>> run_stop_;
  std::stop_source stop_;
  Worker worker_{stop_.get_token()};
  Worker opener_{stop_.get_token()};
};

}  // namespace tolva::model
