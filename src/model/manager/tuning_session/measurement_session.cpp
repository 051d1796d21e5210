#include "model/manager/tuning_session/measurement_session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <utility>

#include "base/debug_print.h"
#include "device/link/exchange_tally.h"
#include "device/protocol/protocol_codes.h"
#include "model/autotune/alignment.h"
#include "model/autotune/passband.h"
#include "model/files/profile_files.h"
#include "model/manager/editing/command_sending.h"
#include "model/manager/tuning_session/session_work.h"

namespace tolva::model {
namespace {

// How long the worker waits for the unit to take the mutes before it plays.
constexpr int kMuteWaitMs = 5000;
// The routing masks' bits: inputs 1 to 6.
constexpr int kRoutedInputs = 6;

bool ValidTarget(const MeasureTarget& t) {
  if (t.outputs.empty() || t.outputs.size() > 2) return false;
  for (int o : t.outputs) {
    if (o < 0 || o >= kOutputChannels) return false;
  }
  return t.outputs.size() == 1 || t.outputs[0] != t.outputs[1];
}

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

struct MeasurementSession::RunReport final : device::NotificationRecord {
  session_work::RunFinding finding;
};

struct MeasurementSession::PreviewReport final : device::NotificationRecord {
  TunePreview preview;
};

struct MeasurementSession::DevicesReport final : device::NotificationRecord {
  std::vector<audio::AudioDevice> devices;
  bool no_audio = false;
};

struct MeasurementSession::LevelReport final : device::NotificationRecord {
  Level level;
  bool no_audio = false;
};

// The audio once it has opened, shared by the opening thread and the worker's jobs.
struct MeasurementSession::AudioSlot {
  void Set(std::shared_ptr<audio::AudioInterface> opened, std::string why) {
    {
      std::lock_guard lock(mutex);
      audio = std::move(opened);
      error = std::move(why);
      done = true;
    }
    changed.notify_all();
  }
  // On the worker: null when it failed, or when `stopped` before it opened.
  std::shared_ptr<audio::AudioInterface> Await(const std::function<bool()>& stopped) {
    std::unique_lock lock(mutex);
    while (!done && !stopped()) changed.wait_for(lock, std::chrono::milliseconds(20));
    return done ? audio : nullptr;
  }
  std::string Error() {
    std::lock_guard lock(mutex);
    return error;
  }

  std::mutex mutex;
  std::condition_variable changed;
  bool done = false;
  std::shared_ptr<audio::AudioInterface> audio;
  std::string error;
};

MeasurementSession::MeasurementSession(EqualizerManager& manager,
                                       std::shared_ptr<audio::AudioInterface> audio,
                                       std::shared_ptr<device::NotificationSink> sink)
    : MeasurementSession(manager, AudioOpener{}, std::move(sink)) {
  audio_state_ = audio ? AudioState::kOpen : AudioState::kFailed;
  audio_->Set(std::move(audio), "no audio interface");
}

MeasurementSession::MeasurementSession(EqualizerManager& manager, AudioOpener open_audio,
                                       std::shared_ptr<device::NotificationSink> sink)
    : manager_(manager), audio_(std::make_shared<AudioSlot>()), sink_(std::move(sink)) {
  setup_.run.reference = measure::TimingReference::kNone;
  presence_listener_ = manager_.AddPresenceListener([this](bool present) {
    // The manager has noted that the unit holds the mutes; put back in the live settings, they
    // are kept for its return, which offers to send them.
    if (!present && held_mutes_) {
      unit_left_ = true;
      PutMutesBack();
    }
  });
  if (!open_audio) return;
  opener_.Start([open = std::move(open_audio), slot = audio_, sink = sink_](std::stop_token) {
    std::string error;
    std::shared_ptr<audio::AudioInterface> audio = open(error);
    const bool opened = audio != nullptr;
    if (!opened && error.empty()) error = "the audio system did not open";
    slot->Set(std::move(audio), std::move(error));
    sink->Post(device::Notification{kMsgAudioOpened, opened ? 1 : 0, 0, nullptr});
  });
}

MeasurementSession::~MeasurementSession() {
  manager_.RemovePresenceListener(presence_listener_);
  if (run_stop_) *run_stop_ = true;
  PutMutesBack();
  stop_.request_stop();
  worker_.Join();
  opener_.Join();
}

bool MeasurementSession::WorkerBusy() const {
  return running_ || computing_ || listing_ || checking_;
}

bool MeasurementSession::Busy() const {
  return WorkerBusy() || audio_state_ == AudioState::kOpening;
}

std::string MeasurementSession::ListDevices() {
  if (WorkerBusy()) return "${tune_busy}";
  if (audio_state_ == AudioState::kFailed) return "${tune_no_audio}";
  listing_ = true;
  worker_.Start([slot = audio_, sink = sink_](std::stop_token stop) {
    auto report = std::make_unique<DevicesReport>();
    if (const auto audio = slot->Await([&] { return stop.stop_requested(); })) {
      report->devices = audio->Devices();
    } else {
      report->no_audio = true;
    }
    sink->Post(device::Notification{kMsgDevices, 0, 0, std::move(report)});
  });
  return {};
}

std::string MeasurementSession::CheckLevel(double seconds) {
  if (WorkerBusy()) return "${tune_busy}";
  if (audio_state_ == AudioState::kFailed) return "${tune_no_audio}";
  checking_ = true;
  worker_.Start([slot = audio_, sink = sink_, device = setup_.record_device,
                 channels = setup_.run.capture_channels, mic = setup_.run.mic_channel,
                 rate = setup_.run.sweep.rate, seconds](std::stop_token stop) {
    auto report = std::make_unique<LevelReport>();
    if (const auto audio = slot->Await([&] { return stop.stop_requested(); })) {
      measure::InputMeter meter(channels);
      report->level.error = audio->Listen(device, channels, rate, seconds, meter);
      const std::vector<measure::InputLevel> levels = meter.Levels();
      if (report->level.error.empty() && static_cast<std::size_t>(mic) < levels.size()) {
        report->level.mic = levels[static_cast<std::size_t>(mic)];
      }
    } else {
      report->no_audio = true;
    }
    sink->Post(device::Notification{kMsgLevel, 0, 0, std::move(report)});
  });
  return {};
}

std::string MeasurementSession::SetAudio(const AudioSetup& setup, std::string* detail) {
  if (running_ || computing_) return "${tune_busy}";
  if (setup.run.reference == measure::TimingReference::kAcoustic &&
      (setup.reference_output < 0 || setup.reference_output >= kOutputChannels ||
       setup.run.reference_channel < 0 || setup.run.reference_channel >= kRoutedInputs)) {
    return "${tune_reference_no_output}";
  }
  if (const std::string problem = measure::RunSettingsProblem(setup.run); !problem.empty()) {
    if (detail != nullptr) *detail = problem;
    return "${tune_setup_invalid}";
  }
  setup_ = setup;
  return {};
}

std::vector<MeasureTarget> MeasurementSession::Plan() const {
  const Profile& live = manager_.LiveProfile();
  std::vector<MeasureTarget> plan;
  for (int c = 0; c < kOutputChannels; ++c) {
    if (live.outputs[c] > 0) plan.push_back({{c}});
  }
  // Outputs without a speaker have crossovers too; they play nothing to check.
  for (const autotune::CrossoverPair& pair : autotune::CrossoverPairs(live)) {
    if (live.outputs[pair.low_output] > 0 && live.outputs[pair.high_output] > 0) {
      plan.push_back({{pair.low_output, pair.high_output}});
    }
  }
  return plan;
}

void MeasurementSession::SendMutes(const std::array<int, kOutputChannels>& mutes) {
  Profile& live = manager_.LiveProfile();
  for (int c = 0; c < kOutputChannels; ++c) live.channels[c].mute = mutes[c];
  // All six in one list, whatever the unit held: what it ends with is exactly this. Not an
  // edit: no step, no question, nothing for A/B.
  if (manager_.State() == ConnectState::kConnected && manager_.Link().IsDeviceOpen()) {
    SendCommands(manager_.Link(),
                 {ChannelListCommand{ChannelField::kMute, live.editScene, 0, 0, kOutputChannels - 1,
                                     std::vector<int>(mutes.begin(), mutes.end())}},
                 false);
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    manager_.ShowLiveValue(device::dsp_sub::kChannelMute, c);
  }
}

void MeasurementSession::PutMutesBack() {
  if (!held_mutes_) return;
  const std::array<int, kOutputChannels> mutes = *held_mutes_;
  held_mutes_.reset();
  SendMutes(mutes);
}

std::string MeasurementSession::RoutingProblem(const Profile& live, const AudioSetup& setup,
                                               const MeasureTarget& target,
                                               std::vector<std::string>* fill) {
  const int source = std::clamp(live.source, 0, kInputSources - 1);
  const auto takes = [&](int output, int channel) {
    return channel >= 0 && channel < kRoutedInputs &&
           ((live.inputs[source][output] >> channel) & 1) != 0;
  };
  const auto refuse = [&](const char* key, int output, int channel) {
    if (fill != nullptr) *fill = {std::to_string(output + 1), std::to_string(channel + 1)};
    return std::string(key);
  };
  const int sweep = setup.run.measured_channel;
  const bool acoustic = setup.run.reference == measure::TimingReference::kAcoustic;
  const int reference = setup.reference_output;
  const int chirp = setup.run.reference_channel;
  if (acoustic) {
    const double reference_top_hz = autotune::PassbandOf(live.channels[reference].crossover).high_hz;
    // Its chirp is not even found in the recording.
    if (autotune::PlaysBassOnly(live.channels[reference].crossover)) {
      if (fill != nullptr) {
        *fill = {std::to_string(reference + 1),
                 std::to_string(static_cast<int>(std::lround(reference_top_hz)))};
      }
      return "${tune_reference_bass_only}";
    }
    // Otherwise the chirp would be missing, or the reference would play every sweep too.
    if (!takes(reference, chirp)) return refuse("${tune_reference_not_routed}", reference, chirp);
    if (takes(reference, sweep)) return refuse("${tune_reference_hears_sweep}", reference, sweep);
    if (Contains(target.outputs, reference)) {
      return target.outputs.size() == 1 ? std::string()
                                        : refuse("${tune_reference_in_pair}", reference, chirp);
    }
  }
  for (int o : target.outputs) {
    if (!takes(o, sweep)) return refuse("${tune_input_not_routed}", o, sweep);
    if (acoustic && takes(o, chirp)) return refuse("${tune_measured_hears_reference}", o, chirp);
  }
  return {};
}

std::string MeasurementSession::StartMeasurement(const MeasureTarget& target,
                                                 std::vector<std::string>* fill,
                                                 bool start_over) {
  // A scene or file operation holds the link's queue: the mutes would not reach the unit.
  if (WorkerBusy() || manager_.UnitOperationRunning()) return "${tune_busy}";
  if (!ValidTarget(target)) return "${tune_bad_target}";
  if (manager_.State() != ConnectState::kConnected) return "${tune_no_unit}";
  if (manager_.LiveProfile().mainVolumeMute != 0) return "${tune_main_muted}";
  if (audio_state_ == AudioState::kFailed) return "${tune_no_audio}";
  const Profile& live = manager_.LiveProfile();
  if (std::string problem = RoutingProblem(live, setup_, target, fill); !problem.empty()) {
    return problem;
  }
  if (start_over) {
    for (std::size_t i = measurements_.size(); i-- > 0;) {
      if (measurements_[i].target == target) Erase(i);
    }
  }
  AudioSetup run_setup = setup_;
  const bool acoustic = setup_.run.reference == measure::TimingReference::kAcoustic;
  const int reference = acoustic ? setup_.reference_output : -1;
  // The reference output does not take the sweep's input: it is measured through its own,
  // the chirp before each sweep, so that its arrival is dated against itself.
  if (acoustic && target.outputs == std::vector<int>{reference}) {
    run_setup.run.measured_channel = setup_.run.reference_channel;
  }
  SessionMeasurement pending;
  pending.target = target;
  pending.position = Positions(target);
  pending.played = live.channels;
  pending.reference = setup_.run.reference;
  pending.timing_output = reference;
  std::array<int, kOutputChannels> held{}, muted{};
  for (int c = 0; c < kOutputChannels; ++c) {
    held[c] = live.channels[c].mute;
    muted[c] = Contains(target.outputs, c) || c == reference ? 0 : 1;
  }
  device::DspLink& link = manager_.Link();
  const std::uint64_t lost_before = link.QueuedCommandsLost();
  held_mutes_ = held;
  unit_left_ = false;
  SendMutes(muted);
  pending_ = std::move(pending);
  running_ = true;
  run_stop_ = std::make_shared<std::atomic<bool>>(false);
  DebugPrint(L"MeasurementSession run start\n");
  worker_.Start([slot = audio_, sink = sink_, setup = std::move(run_setup), &link, lost_before,
                 run_stop = run_stop_](std::stop_token stop) {
    const auto stopped = [&] { return stop.stop_requested() || run_stop->load(); };
    const auto progress = [&](Stage stage) {
      sink->Post(device::Notification{kMsgProgress, static_cast<std::int64_t>(stage), 0, nullptr});
    };
    auto report = std::make_unique<RunReport>();
    const std::shared_ptr<audio::AudioInterface> audio = slot->Await(stopped);
    if (!audio) {
      report->finding.reason = "${tune_no_audio}";
      report->finding.detail = slot->Error();
    } else {
      progress(Stage::kMuting);
      // The sweep plays only once the unit has taken the mutes.
      device::ExchangeTally tally;
      link.AwaitQueuedSince(lost_before, kMuteWaitMs);
      if (!tally.Complete()) {
        report->finding.reason = tally.unit_gone() ? "${tune_unit_left}" : "${tune_mutes_unconfirmed}";
      }
    }
    if (report->finding.reason.empty() && !stopped()) {
      report->finding = session_work::PlayAndAnalyse(setup, *audio, stopped, progress);
    }
    if (stopped()) {
      report->finding.result.reset();
      report->finding.reason = "${tune_stopped}";
    }
    sink->Post(device::Notification{kMsgMeasured, 0, 0, std::move(report)});
  });
  return {};
}

void MeasurementSession::RequestStop() {
  if (run_stop_) *run_stop_ = true;
  PutMutesBack();
}

void MeasurementSession::SayNoAudio(Event& e) const {
  e.refusal = "${tune_no_audio}";
  e.detail = audio_->Error();
}

MeasurementSession::Event MeasurementSession::OnMessage(device::Notification& n) {
  Event e;
  if (n.message == kMsgProgress) {
    e.kind = Event::Kind::kProgress;
    e.stage = static_cast<Stage>(n.param);
    return e;
  }
  if (n.message == kMsgMeasured) {
    auto* report = dynamic_cast<RunReport*>(n.record.get());
    if (report == nullptr || !pending_) return e;
    PutMutesBack();
    running_ = false;
    SessionMeasurement m = std::move(*pending_);
    pending_.reset();
    m.result = std::move(report->finding.result);
    m.quality = report->finding.quality;
    m.reason = std::move(report->finding.reason);
    m.detail = std::move(report->finding.detail);
    // A run the unit left part-way measured outputs that stopped playing.
    if (std::exchange(unit_left_, false)) {
      m.result.reset();
      m.reason = "${tune_unit_left}";
    }
    session_work::Judge(m);
    DebugPrint(L"MeasurementSession run end: %hs %hs\n", m.reason.c_str(), m.detail.c_str());
    // A new position changes the tune: the preview before it is not applied.
    if (m.Usable()) preview_.reset();
    measurements_.push_back(std::move(m));
    e.kind = Event::Kind::kMeasured;
    e.measurement = static_cast<int>(measurements_.size()) - 1;
    return e;
  }
  if (n.message == kMsgAudioOpened) {
    opener_.Join();  // it has posted its last message
    audio_state_ = n.param != 0 ? AudioState::kOpen : AudioState::kFailed;
    e.kind = Event::Kind::kAudioOpened;
    if (audio_state_ == AudioState::kFailed) SayNoAudio(e);
    return e;
  }
  if (n.message == kMsgDevices) {
    auto* report = dynamic_cast<DevicesReport*>(n.record.get());
    if (report == nullptr || !listing_) return e;
    listing_ = false;
    devices_ = std::move(report->devices);
    e.kind = Event::Kind::kDevices;
    if (report->no_audio) SayNoAudio(e);
    return e;
  }
  if (n.message == kMsgLevel) {
    auto* report = dynamic_cast<LevelReport*>(n.record.get());
    if (report == nullptr || !checking_) return e;
    checking_ = false;
    level_ = std::move(report->level);
    e.kind = Event::Kind::kLevel;
    if (report->no_audio) SayNoAudio(e);
    return e;
  }
  if (n.message == kMsgPreview) {
    auto* report = dynamic_cast<PreviewReport*>(n.record.get());
    if (report == nullptr) return e;
    computing_ = false;
    preview_ = std::make_unique<TunePreview>(std::move(report->preview));
    e.kind = Event::Kind::kPreviewReady;
    return e;
  }
  return e;
}

bool MeasurementSession::Forget(int measurement) {
  // The preview under way is computed from it.
  if (computing_ || measurement < 0 || measurement >= static_cast<int>(measurements_.size())) {
    return false;
  }
  Erase(static_cast<std::size_t>(measurement));
  return true;
}

void MeasurementSession::Erase(std::size_t measurement) {
  if (measurements_[measurement].Usable()) preview_.reset();
  measurements_.erase(measurements_.begin() + static_cast<std::ptrdiff_t>(measurement));
}

int MeasurementSession::Positions(const MeasureTarget& target) const {
  return static_cast<int>(std::count_if(measurements_.begin(), measurements_.end(),
                                        [&](const SessionMeasurement& m) {
                                          return m.target == target && m.Usable();
                                        }));
}

OverlayCurve MeasurementSession::Overlay(int output) const {
  OverlayCurve overlay;
  if (output < 0 || output >= kOutputChannels) return overlay;
  const ChannelSettings& ch = manager_.LiveProfile().channels[output];
  manager_.ComputeChannelResponse(output);
  const dsp::Curve& grid = manager_.Grid();
  const dsp::Curve& total = manager_.ChannelCurvesOf(output).total;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (grid[i] < 20.0 || grid[i] > 20000.0) continue;
    overlay.predicted_freq.push_back(grid[i]);
    overlay.predicted_db.push_back(total[i] + ch.gain);
  }
  session_work::MeasuredOverlay(measurements_, output, manager_.LiveProfile(), overlay);
  return overlay;
}

std::string MeasurementSession::ReadHouseCurve(const std::string& path,
                                               autotune::TargetCurve& target,
                                               std::string* detail) {
  const auto text = ReadFileText(path);
  if (!text) return "${tune_target_unreadable}";
  autotune::TargetText parsed = autotune::ParseHouseCurve(*text, path);
  if (!parsed.error.empty()) {
    if (detail != nullptr) *detail = English(parsed.error);
    return "${tune_target_invalid}";
  }
  target = std::move(parsed.target);
  return {};
}

std::string MeasurementSession::StartPreview(const TuneChoices& choices) {
  if (WorkerBusy()) return "${tune_busy}";
  if (std::none_of(measurements_.begin(), measurements_.end(),
                   [](const SessionMeasurement& m) { return m.Usable(); })) {
    return "${tune_nothing_measured}";
  }
  computing_ = true;
  worker_.Start([sink = sink_, measurements = measurements_,
                 live = std::make_shared<Profile>(manager_.LiveProfile()),
                 choices](std::stop_token) {
    sink->Post(device::Notification{kMsgProgress, static_cast<std::int64_t>(Stage::kComputing), 0,
                                    nullptr});
    auto report = std::make_unique<PreviewReport>();
    report->preview = session_work::ComputeTune(measurements, *live, choices);
    sink->Post(device::Notification{kMsgPreview, 0, 0, std::move(report)});
  });
  return {};
}

}  // namespace tolva::model
