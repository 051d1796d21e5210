#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/protocol/notifications.h"
#include "dsp_math/channel_response.h"
#include "model/profile/profile.h"

// The room-correction run of the auto-calibration window, free of any window: what is measured,
// the worker that starts the run and follows it, what each report changes, and apply, cancel
// and close. The window calls everything here on its thread; only the worker runs beside it.
namespace tolva::model {

class AutoCalibration {
 public:
  static constexpr int kCorrectionBands = kEqBands;
  static constexpr int kSpectrumPoints = 121;
  static constexpr std::uint32_t kMsgProgress = 1268;
  // The worker has ended; its parameter is a RunEnd.
  static constexpr std::uint32_t kMsgRunEnded = 1269;
  enum RunEnd : int {
    kEndedByUnit = -1,     // a final status, no stop needed
    kStopUnanswered = 0,   // the stop asked for went unanswered
    kStopAnswered = 1,
    kUnitUnanswered = 2,   // the unit left a request of the run unanswered or has gone
  };
  // Polls in a row the unit may leave unanswered before the run counts as failed.
  static constexpr int kMaxUnansweredPolls = 3;
  static constexpr int kAllModules = 7;  // EQ 1, delay 2, phase 4

  struct SpectrumPoint {
    float gain = 0;
    int freq = 0;
  };
  // What the window shows after a report.
  struct Reaction {
    std::string tips;         // empty: unchanged; a "${...}" key or a literal text
    int progress = -1;        // -1: unchanged
    bool run_ended = false;   // the start button and the close button come back
    int eq_curve = -1;        // that output's EQ curve was recomputed
    int spectrum_curve = -1;  // that output's spectrum curve was rebuilt
    int distance_channel = -1;
    float distance = 0;
  };
  // kStopping: the worker sends the stop and ends; kWindingDown: the run is ending anyway, the
  // click changes nothing.
  enum class StartResult { kNoModule, kStarted, kStopping, kWindingDown };
  // How the window closed: result 1 when the correction is to be kept. apply_owed: confirmed
  // on closing, so the apply still has to reach the unit (before the unit is read again).
  struct Outcome {
    int result = 0;
    bool apply_owed = false;
    int channel_mask = 0;
    int eq_mode = 0;
  };

  // post: how the worker reaches the window (the progress message, from the worker's thread).
  AutoCalibration(device::DspLink& link, std::function<void(std::uint32_t, std::int64_t)> post,
                  Clock& clock = SystemClock());
  // Stops and waits for the worker.
  ~AutoCalibration();
  AutoCalibration(const AutoCalibration&) = delete;
  AutoCalibration& operator=(const AutoCalibration&) = delete;

  // Outputs without a speaker or with a subwoofer role are not measured.
  static bool IsMeasurable(int role);

  int modules() const { return modules_; }
  void SetModule(int bit, bool on);
  int channel_mask() const { return mask_; }

  // The start button: starts a run, or asks the running one to stop: its worker sends the stop
  // itself at its next pause and then ends, so the window never waits for the unit.
  StartResult StartOrStop(int eq_mode, int channel_mask);
  // Asks the worker to end without the window having to wait (closing on a disconnect).
  void RequestStop() { stop_ = true; }
  bool IsRunning() const { return running_.load(); }
  // The worker still runs, but the run has ended or was told to stop.
  bool IsWindingDown() const;
  bool IsCompleted() const { return completed_; }
  // Applied or discarded already (by its button): closing asks nothing more.
  bool IsDecided() const { return decided_; }

  // kMsgRunEnded on the window thread: the tips to show, empty for none. A run the unit did
  // not answer in full is not completed, whatever it reported before.
  std::string OnRunEnded(std::int64_t run_end);
  // MSG_IRC_VALUE on the window thread; the record, if any, is the report's.
  Reaction OnReport(std::int64_t kind, std::int64_t value,
                    const device::NotificationRecord* record);

  // The save and cancel buttons, queued on the link: the tips to show ("${irc_cmd_failed}"
  // when the link takes no commands now).
  std::string Save();
  std::string Cancel();
  // The close button, once the worker has ended: an undecided completed run asks whether to
  // keep it (the apply is then owed, see Outcome); any other undecided run is cancelled.
  Outcome Close(const std::function<bool()>& ask_apply);

  const dsp::Curve& EqCurve(int output) const { return eq_curves_[Clamp(output)]; }
  const std::array<SpectrumPoint, kSpectrumPoints>& Spectrum(int output) const {
    return spectrum_[Clamp(output)];
  }
  const EqBand& CorrectionBand(int output, int band) const {
    return correction_[Clamp(output)][static_cast<std::size_t>(std::clamp(band, 0, kEqBands - 1))];
  }

 private:
  // What a run was started with; the worker keeps its own copy.
  struct RunSettings {
    int modules = 0;
    int mask = 0;
    int eq_mode = 0;
  };
  static int Clamp(int output) { return std::clamp(output, 0, kOutputChannels - 1); }
  void Run(RunSettings run);
  // The spectrum or correction requests a status asks for; false when one went unanswered.
  bool FetchMeasurements(int status);
  void ComputeEqCurve(int output);

  device::DspLink& link_;
  std::function<void(std::uint32_t, std::int64_t)> post_;
  Clock& clock_;
  int modules_ = kAllModules;
  int mask_ = 0;
  int eq_mode_ = 0;
  bool completed_ = false;
  bool decided_ = false;
  std::atomic<int> status_{0};
  std::atomic<int> report_channel_{0};
  std::atomic<bool> skip_test_data_{false};
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::atomic<int> progress_{0};
  std::thread worker_;
  std::array<std::array<EqBand, kEqBands>, kOutputChannels> correction_{};
  std::array<std::array<SpectrumPoint, kSpectrumPoints>, kOutputChannels> spectrum_{};
  std::array<dsp::Curve, kOutputChannels> eq_curves_{};
};

// The window text of a run status (1 … 6, 9, 10, 12) or of a failure code (0 … 5).
std::string IrcStatusText(int status);
std::string IrcFailureText(int code);

}  // namespace tolva::model
