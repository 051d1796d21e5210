// The measurement window's one coupling to the tuning session (model::MeasurementSession): its
// answers turned into what the window shows, the window's choices into its calls.
#include <QObject>
#include <QString>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "audio/pipewire_audio.h"
#include "base/debug_print.h"
#include "base/language_tables.h"
#include "measure/calibration.h"
#include "model/files/profile_files.h"
#include "model/interchange/measurement.h"
#include "model/manager/tuning_session/measurement_session.h"
#include "model/profile/scene_names.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/qt/thread_hop.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/windows/measure_tune_backend.h"
#include "ui/windows/measure_tune_wnd.h"

namespace tolva::ui::tune {
namespace {

using model::MeasureTarget;
using model::MeasurementSession;

constexpr double kLevelSeconds = 1.0;

const char* StageKey(MeasurementSession::Stage stage) {
  switch (stage) {
    case MeasurementSession::Stage::kMuting:
      return "${tunewnd_stage_muting}";
    case MeasurementSession::Stage::kListening:
      return "${tunewnd_stage_listening}";
    case MeasurementSession::Stage::kPlaying:
      return "${tunewnd_stage_playing}";
    case MeasurementSession::Stage::kAnalysing:
      return "${tunewnd_stage_analysing}";
    case MeasurementSession::Stage::kComputing:
      return "${tunewnd_stage_computing}";
  }
  return "";
}

std::string CrossoverNote(const autotune::CrossoverCheck& c) {
  using V = autotune::CrossoverCheck::Verdict;
  const char* key = c.verdict == V::kInPhase    ? "${tunewnd_xover_in_phase}"
                    : c.verdict == V::kInverted ? "${tunewnd_xover_inverted}"
                    : c.verdict == V::kPhaseOff ? "${tunewnd_xover_phase_off}"
                                                : "${tunewnd_xover_not_measured}";
  return model::FillPlaceholders(
      Languages().Resolve(key),
      {std::to_string(c.pair.low_output + 1), std::to_string(c.pair.high_output + 1),
       std::to_string(static_cast<int>(std::lround(c.pair.crossover_hz))),
       QString::number(c.together_gain_db, 'f', 1).toStdString()});
}

class SessionBackend final : public QObject, public Backend {
 public:
  SessionBackend(model::EqualizerManager& manager, std::shared_ptr<audio::AudioInterface> audio)
      : manager_(manager) {
    sink_ = kit::QtWindowSink::Create(this, [this](device::Notification& n) { OnMessage(n); });
    if (audio) {
      session_ = std::make_unique<MeasurementSession>(manager_, std::move(audio), sink_);
    } else {
      // Connecting to the audio system may take its time-out: not on the window's thread.
      session_ = std::make_unique<MeasurementSession>(
          manager_,
          [](std::string& error) -> std::shared_ptr<audio::AudioInterface> {
            return audio::OpenPipeWire(error);
          },
          sink_);
    }
    // Added after the session's own: it has put the mutes back into the live settings by now.
    // Told on the next turn of the loop, as the disconnect that calls it is still under way.
    presence_listener_ = manager_.AddPresenceListener([this, post = hop_.Poster()](bool present) {
      if (present) return;
      post([this, mid_run = session_->IsRunning()] {
        if (events_.unit_left) events_.unit_left(mid_run);
      });
    });
  }
  ~SessionBackend() override {
    manager_.RemovePresenceListener(presence_listener_);
    events_ = {};
    session_->RequestStop();
  }

  void SetEvents(Events events) override { events_ = std::move(events); }

  void ListDevices() override { Refused(session_->ListDevices()); }

  void SetSetup(const Setup& setup) override {
    model::AudioSetup a = session_->Audio();
    a.play_device = setup.play_device;
    a.record_device = setup.record_device;
    a.run.measured_channel = setup.unit_input;
    // The chirp on input 2, or on input 1 when the sweep takes input 2.
    a.run.reference_channel = setup.unit_input == 1 ? 0 : 1;
    a.run.play_channels =
        std::max({a.run.play_channels, setup.unit_input + 1, a.run.reference_channel + 1});
    a.run.reference = setup.reference == Reference::kLoopback ? measure::TimingReference::kLoopback
                      : setup.reference == Reference::kAcoustic
                          ? measure::TimingReference::kAcoustic
                          : measure::TimingReference::kNone;
    a.reference_output = setup.reference_output;
    a.run.capture_channels = setup.reference == Reference::kLoopback ? 2 : 1;
    a.calibration.reset();
    if (!setup.calibration_path.empty()) {
      const auto text = model::ReadFileText(setup.calibration_path);
      const measure::CalibrationText cal =
          text ? measure::ParseCalibration(*text) : measure::CalibrationText{{}, "unreadable"};
      if (!cal.error.empty()) return Status("${tunewnd_cal_refused}", true);
      a.calibration = cal.calibration;
    }
    std::string detail;
    const std::string refused = session_->SetAudio(a, &detail);
    if (!refused.empty()) Status(refused, true);
  }

  void CheckLevel() override {
    if (!queue_.empty()) return;
    Refused(session_->CheckLevel(kLevelSeconds));
  }

  // The earlier runs of an output measured again go once its new run is taken: a refused one
  // leaves them.
  void Measure(const std::vector<int>& outputs, bool add_position) override {
    for (int output : outputs) queue_.push_back({{{output}}, !add_position});
    StartNext();
  }

  std::vector<Pair> Pairs() const override {
    std::vector<Pair> pairs;
    for (const autotune::CrossoverPair& p : autotune::CrossoverPairs(manager_.LiveProfile())) {
      const MeasureTarget target{{p.low_output, p.high_output}};
      Pair pair{p.low_output, p.high_output, p.crossover_hz, session_->Positions(target) > 0, {}};
      for (const model::SessionMeasurement& m : session_->Measurements()) {
        if (m.target == target) pair.runs.push_back(RunOf(m));
      }
      pairs.push_back(std::move(pair));
    }
    return pairs;
  }

  void MeasurePairs() override {
    for (const Pair& p : Pairs()) queue_.push_back({{{p.low_output, p.high_output}}, true});
    StartNext();
  }

  bool Busy() const override { return session_->Busy() || !queue_.empty(); }

  std::optional<OutputState> Forget(int output, int run) override {
    if (Busy() || run < 0) return std::nullopt;
    const MeasureTarget target{{output}};
    const auto& all = session_->Measurements();
    for (int i = 0, seen = 0; i < static_cast<int>(all.size()); ++i) {
      if (all[static_cast<std::size_t>(i)].target != target || seen++ != run) continue;
      if (!session_->Forget(i)) return std::nullopt;
      return StateOf(output);
    }
    return std::nullopt;
  }

  bool ForgetPair(int low_output, int high_output) override {
    if (Busy()) return false;
    const MeasureTarget target{{low_output, high_output}};
    const auto& all = session_->Measurements();
    bool dropped = false;
    for (int i = static_cast<int>(all.size()) - 1; i >= 0; --i) {
      if (all[static_cast<std::size_t>(i)].target == target) dropped = session_->Forget(i) || dropped;
    }
    return dropped;
  }

  void Stop() override {
    queue_.clear();
    session_->RequestStop();
  }

  void ComputePreview(const Target& t) override {
    model::TuneChoices c;
    if (t.kind == Target::Kind::kCar) {
      autotune::CarShape shape;
      shape.bass_shelf_db = t.bass_shelf_db;
      shape.bass_corner_hz = t.bass_corner_hz;
      shape.treble_tilt_db = t.treble_tilt_db;
      c.target = autotune::CarTarget(shape);
    } else if (t.kind == Target::Kind::kFile) {
      const std::string refused = MeasurementSession::ReadHouseCurve(t.file_path, c.target);
      if (!refused.empty()) return Status(refused, true);
    }
    c.max_boost_db = t.max_boost_db;
    Refused(session_->StartPreview(c));
  }
  bool HasPreview() const override { return session_->Preview() != nullptr; }

  bool Apply(const std::vector<Accept>& accepted) override {
    std::array<model::ApplyChoice, model::kOutputChannels> choices{};
    for (auto& c : choices) c = {false, false, false, false};
    for (const Accept& a : accepted) {
      if (a.output < 0 || a.output >= model::kOutputChannels) continue;
      choices[static_cast<std::size_t>(a.output)] = {a.eq, a.delay, a.gain, a.polarity};
    }
    const model::ApplyResult r = session_->Apply(choices);
    if (!r.applied) {
      if (!r.reason.empty()) Status(r.reason, true);
      return false;
    }
    applied_ = true;
    playing_before_ = false;
    return true;
  }
  bool Applied() const override { return applied_; }

  bool SwitchAB() override {
    if (session_->CompareBefore()) playing_before_ = !playing_before_;
    return playing_before_;
  }
  bool PlayingBefore() const override { return playing_before_; }

  void Close() override {
    queue_.clear();
    session_->RequestStop();  // the mutes go back now, whatever runs
  }

 private:
  void Status(const std::string& key, bool failed) {
    if (events_.status) events_.status(key, failed);
  }
  // A refusal of the session in the window's words; nothing when it was taken.
  void Refused(const std::string& key, const std::vector<std::string>& fill = {}) {
    if (key.empty()) return;
    if (key == "${tune_no_audio}") return Status("${tunewnd_no_audio_system}", true);
    if (fill.empty()) return Status(key, true);
    Status(model::FillPlaceholders(Languages().Resolve(key), fill), true);
  }
  void Idle() {
    if (!Busy() && events_.idle) events_.idle();
  }

  static Run RunOf(const model::SessionMeasurement& m) {
    return {m.quality.snr_db, m.quality.coherence, m.quality.clipped, m.Usable(), m.reason};
  }

  void StartNext() {
    while (!session_->IsRunning() && !queue_.empty()) {
      const QueuedRun run = queue_.front();
      queue_.pop_front();
      std::vector<std::string> fill;
      const std::string refused = session_->StartMeasurement(run.target, &fill, run.start_over);
      if (refused.empty()) return;
      queue_.clear();
      Refused(refused, fill);
    }
    Idle();
  }

  void OnMessage(device::Notification& n) {
    const MeasurementSession::Event e = session_->OnMessage(n);
    if (!e.detail.empty()) DebugPrint("measure window: %s\n", e.detail.c_str());
    switch (e.kind) {
      case MeasurementSession::Event::Kind::kAudioOpened:
        Refused(e.refusal);
        Idle();
        break;
      case MeasurementSession::Event::Kind::kDevices:
        Devices(e.refusal);
        Idle();
        break;
      case MeasurementSession::Event::Kind::kLevel:
        if (events_.meter) events_.meter(MeterOf(session_->LastLevel(), e.refusal));
        Idle();
        break;
      case MeasurementSession::Event::Kind::kProgress:
        Status(StageKey(e.stage), false);
        break;
      case MeasurementSession::Event::Kind::kMeasured:
        Measured(e.measurement);
        StartNext();
        break;
      case MeasurementSession::Event::Kind::kPreviewReady:
        if (events_.preview) events_.preview(PreviewOf(session_->Preview()));
        Idle();
        break;
      case MeasurementSession::Event::Kind::kNone:
        break;
    }
  }

  void Devices(const std::string& refusal) {
    if (!events_.devices) return;
    if (!refusal.empty()) return events_.devices({}, {}, "${tunewnd_no_audio_system}");
    std::vector<Device> playback, capture;
    for (const audio::AudioDevice& d : session_->Devices()) {
      if (d.playback) playback.push_back({d.id, d.description});
      if (d.capture) capture.push_back({d.id, d.description});
    }
    events_.devices(std::move(playback), std::move(capture), {});
  }

  static Meter MeterOf(const MeasurementSession::Level& level, const std::string& refusal) {
    Meter m;
    m.error = refusal.empty() ? level.error : "${tunewnd_no_audio_system}";
    if (!m.error.empty()) return m;
    m.peak_dbfs = level.mic.peak_dbfs;
    m.rms_dbfs = level.mic.rms_dbfs;
    m.clipping = level.mic.clipping;
    return m;
  }

  void Measured(int index) {
    const auto& all = session_->Measurements();
    if (index < 0 || index >= static_cast<int>(all.size())) return;
    const model::SessionMeasurement& latest = all[static_cast<std::size_t>(index)];
    if (!latest.Usable()) Status(latest.reason.empty() ? "${tune_failed}" : latest.reason, true);
    if (latest.target.outputs.size() == 2) {
      if (events_.pair_measured) {
        events_.pair_measured({latest.target.outputs[0], latest.target.outputs[1], 0.0,
                               latest.Usable(), {}});
      }
      return;
    }
    if (latest.target.outputs.size() != 1 || !events_.measured) return;
    events_.measured(StateOf(latest.target.outputs[0]));
  }

  // The output's runs so far, judged by the latest; the overlay from every usable one.
  OutputState StateOf(int output) const {
    OutputState s;
    s.output = output;
    const MeasureTarget target{{output}};
    s.positions = session_->Positions(target);
    const model::SessionMeasurement* latest = nullptr;
    const model::SessionMeasurement* last_usable = nullptr;
    for (const model::SessionMeasurement& m : session_->Measurements()) {
      if (m.target != target) continue;
      s.runs.push_back(RunOf(m));
      latest = &m;
      if (m.Usable()) last_usable = &m;
    }
    if (latest == nullptr) return s;  // nothing left: not measured
    s.snr_db = latest->quality.snr_db;
    s.coherence = latest->quality.coherence;
    s.clipped = latest->quality.clipped;
    for (const model::SessionMeasurement& m : session_->Measurements()) {
      if (m.target != target || !m.Usable()) continue;
      s.snr_db = std::min(s.snr_db, m.quality.snr_db);
      s.coherence = std::min(s.coherence, m.quality.coherence);
    }
    s.usable = latest->Usable();
    s.why = latest->reason;
    const model::OverlayCurve overlay = session_->Overlay(output);
    if (!overlay.Empty() && last_usable != nullptr) {
      const model::Measurement m{overlay.measured_freq, overlay.measured_db};
      const dsp::Curve levels = model::MeasurementAtGraphLevel(m, manager_.Grid());
      s.graph_levels.assign(levels.begin(), levels.end());
      // What the output played then (at the last usable position, as the overlay takes it), on
      // the graph's grid, so that the overlay's prediction follows what changed since; without
      // its gain, as the graph draws an output's curve.
      const double gain = last_usable->played[static_cast<std::size_t>(output)].gain;
      const dsp::Curve& grid = manager_.Grid();
      s.played_curve.assign(grid.size(), std::numeric_limits<double>::quiet_NaN());
      std::size_t j = 0;
      for (std::size_t i = 0; i < grid.size() && j < overlay.predicted_freq.size(); ++i) {
        if (grid[i] != overlay.predicted_freq[j] || j >= overlay.played_db.size()) continue;
        s.played_curve[i] = overlay.played_db[j++] - gain;
      }
    }
    return s;
  }

  static Preview PreviewOf(const model::TunePreview* p) {
    Preview out;
    if (p == nullptr) {
      out.problem = "${tune_no_preview}";
      return out;
    }
    for (const model::OutputPreview& o : p->outputs) {
      OutputPreview v;
      v.output = o.output;
      if (!o.fit.problem.empty()) v.problem = o.problem_key.empty() ? "${tune_fit_failed}" : o.problem_key;
      v.eq_changes = o.bands_differ;
      v.bands_used = o.fit.bands_used;
      v.before = {o.fit.before.rms_db, o.fit.before.max_db, o.fit.before.worst_hz,
                  o.fit.before.within_1db};
      v.after = {o.fit.after.rms_db, o.fit.after.max_db, o.fit.after.worst_hz,
                 o.fit.after.within_1db};
      v.freq = o.fit.freq;
      v.before_db = o.fit.before_db;
      v.after_db = o.fit.after_db;
      v.target_db = o.fit.target_db;
      v.mask = o.fit.mask;
      v.target_level_db = o.fit.target_level_db;
      v.delay_now_ms = o.delay_now_ms;
      v.delay_ms = o.delay_suggested_ms;
      v.delay_reliable = o.delay_reliable;
      v.delay_note = o.delay_note;
      v.gain_now_db = o.gain_now_db;
      v.gain_db = o.gain_suggested_db;
      v.invert_suggested = o.inverted_suggested != o.inverted_now;
      out.outputs.push_back(std::move(v));
    }
    for (const autotune::CrossoverCheck& c : p->crossovers) {
      out.crossover_notes.push_back(CrossoverNote(c));
    }
    if (out.outputs.empty()) out.problem = "${tune_nothing_measured}";
    return out;
  }

  model::EqualizerManager& manager_;
  std::shared_ptr<kit::QtWindowSink> sink_;
  std::unique_ptr<MeasurementSession> session_;
  Events events_;
  struct QueuedRun {
    MeasureTarget target;
    bool start_over = false;  // its earlier runs go once this one is taken
  };
  std::deque<QueuedRun> queue_;  // the runs still to make after this one
  bool applied_ = false;
  bool playing_before_ = false;
  kit::ThreadHop hop_{this};
  int presence_listener_ = -1;
};

}  // namespace

std::unique_ptr<Backend> MakeSessionBackend(model::EqualizerManager& manager,
                                            std::shared_ptr<audio::AudioInterface> audio) {
  return std::make_unique<SessionBackend>(manager, std::move(audio));
}

}  // namespace tolva::ui::tune

void ShowMeasureTuneWindow(QWidget* owner, tolva::model::EqualizerManager& manager,
                           std::shared_ptr<tolva::audio::AudioInterface> audio) {
  using tolva::curves::UIEqualizer;
  UIEqualizer* graph =
      owner != nullptr ? owner->findChild<UIEqualizer*>(QStringLiteral("equalizer")) : nullptr;
  CMeasureTuneWnd window(owner, manager,
                         tolva::ui::tune::MakeSessionBackend(manager, std::move(audio)), graph);
  window.Run();
}
