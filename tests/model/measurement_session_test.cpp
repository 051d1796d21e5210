// A whole measurement-and-tune session through the real manager against the emulated unit,
// with a simulated car that plays what the unit holds: what the unit holds afterwards is what
// counts (its mutes, its bands, delays and gains, what one undo takes back).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <map>
#include <thread>

#include "manager_fixture.h"
#include "model/manager/tuning_session/measurement_session.h"
#include "support/car_following_unit.h"

namespace tolva::model::testing {
namespace {

constexpr int kMuteSub = 0x09;
// The user's own mutes: output 5 muted, the rest playing.
constexpr std::array<int, kOutputChannels> kUserMutes = {0, 0, 0, 0, 0, 1};

class KeptEditsSender final : public ManagerView {
 public:
  int AskKeptEdits(const std::vector<DifferenceRow>&) override {
    ++kept_asked;
    return kSendKeptEdits;
  }
  int kept_asked = 0;
};

class Session : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    manager_->SetView(&view_);
    // A front stage, left and right linked: a mid-woofer (70-2000 Hz) and a tweeter from 2 kHz
    // on each side, no speaker on outputs 4 and 5, output 5 muted by the user; every output
    // takes input 1, which plays the sweep.
    Edit([](emulator::UnitState& u) {
      emulator::SceneState& s = u.scenes[0];
      const std::array<int, emulator::kOutputs> roles = {5, 4, 11, 10, 0, 0};
      for (int c = 0; c < emulator::kOutputs; ++c) {
        emulator::OutputState& o = s.outputs[c];
        const bool woofer = c == 0 || c == 2;
        o.role = static_cast<std::uint8_t>(roles[c]);
        o.mute = static_cast<std::uint8_t>(kUserMutes[c]);
        o.hp = {2, static_cast<std::uint16_t>(woofer ? 70 : 2000), 2};
        o.lp = {2, static_cast<std::uint16_t>(woofer ? 2000 : 20000),
                static_cast<std::uint8_t>(woofer ? 2 : 0)};
      }
      s.outputs[3].delay_us = 400;
      for (auto& routing : s.mix) routing.fill(1);
      s.link = 1;
      s.lock = 1;
    });
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    ASSERT_EQ(manager_->Editing().PartnerOf(0), 2);
    car_ = std::make_shared<CarFollowingUnit>(
        unit_, std::array<SpeakerAtSeat, emulator::kOutputs>{
                   {{3.1, 0.0}, {3.4, 4.0}, {4.2, -2.0}, {4.0, 2.0}, {3.0, 0.0}, {3.0, 0.0}}});
    session_ = std::make_unique<MeasurementSession>(*manager_, car_, queue_);
    AudioSetup setup;
    setup.play_device = setup.record_device = audio::kSimulatedDevice;
    setup.run.sweep.seconds = 1.0;
    setup.run.sweep.silence_after_seconds = 0.3;
    setup.run.sweeps = 2;
    setup.run.reference = measure::TimingReference::kLoopback;
    setup.run.capture_channels = 2;
    setup.run.loopback_channel = 1;
    setup.meter_seconds = 0.05;
    ASSERT_EQ(session_->SetAudio(setup), "");
    log_->Take();
  }
  void TearDown() override {
    session_.reset();
    ManagerOnEmulator::TearDown();
  }

  // Hands every notification to the session and the manager until `kind` arrives.
  MeasurementSession::Event Await(MeasurementSession::Event::Kind kind) {
    for (int guard = 0; guard < 4000; ++guard) {
      for (device::Notification& n : queue_->TakeAll(25)) {
        const MeasurementSession::Event e = session_->OnMessage(n);
        if (e.kind == kind) return e;
      }
      manager_->ProcessPendingNotifications();
    }
    ADD_FAILURE() << "the session never answered";
    return {};
  }
  const SessionMeasurement& Measure(const MeasureTarget& target, bool started = false) {
    if (!started) EXPECT_EQ(session_->StartMeasurement(target), "");
    const int i = Await(MeasurementSession::Event::Kind::kMeasured).measurement;
    return session_->Measurements().at(static_cast<std::size_t>(i));
  }
  // The timing chirp from input 2 through output 6.
  void TimeByAChirpThroughOutput6() {
    AudioSetup setup = session_->Audio();
    setup.run.reference = measure::TimingReference::kAcoustic;
    setup.run.reference_channel = 1;
    setup.run.capture_channels = 1;
    setup.reference_output = 5;
    ASSERT_EQ(session_->SetAudio(setup), "");
  }
  // A routing edit made in the main window, on the unit before the next run.
  void Route(int output, int input, bool on) {
    manager_->Editing().SetRouting(output, input, on);
    Sent();
  }
  std::vector<SentFrame> Sent() {
    EXPECT_TRUE(manager_->Link().WaitUntilQueueIdle(5000));
    while (manager_->ProcessPendingNotifications() > 0) {
    }
    return log_->Take();
  }
  // What the unit holds once the link has written everything queued.
  std::array<int, kOutputChannels> SettledUnitMutes() {
    Sent();
    return UnitMutes();
  }
  std::array<int, kOutputChannels> UnitMutes() {
    const emulator::UnitState u = unit_->Snapshot();
    std::array<int, kOutputChannels> mutes{};
    for (int c = 0; c < kOutputChannels; ++c) mutes[c] = u.scenes[0].outputs[c].mute;
    return mutes;
  }
  std::array<int, kOutputChannels> LiveMutes() {
    std::array<int, kOutputChannels> mutes{};
    for (int c = 0; c < kOutputChannels; ++c) mutes[c] = Live().channels[c].mute;
    return mutes;
  }
  static std::vector<std::uint8_t> MuteList(const std::array<int, kOutputChannels>& mutes) {
    std::vector<std::uint8_t> payload = {0, 0, 0, kOutputChannels - 1};
    payload.insert(payload.end(), mutes.begin(), mutes.end());
    return payload;
  }

  KeptEditsSender view_;
  std::shared_ptr<NotificationQueue> queue_ = std::make_shared<NotificationQueue>();
  std::shared_ptr<CarFollowingUnit> car_;
  std::unique_ptr<MeasurementSession> session_;
};

bool SameTune(const emulator::SceneState& a, const emulator::SceneState& b) {
  for (int c = 0; c < emulator::kOutputs; ++c) {
    const emulator::OutputState &x = a.outputs[c], &y = b.outputs[c];
    if (x.delay_us != y.delay_us || x.trim_db != y.trim_db || x.phase != y.phase ||
        x.bypass != y.bypass || x.mute != y.mute) {
      return false;
    }
    for (int k = 0; k < emulator::kBands; ++k) {
      if (x.bands[k].gain_tenths != y.bands[k].gain_tenths || x.bands[k].freq != y.bands[k].freq ||
          x.bands[k].q_hundredths != y.bands[k].q_hundredths) {
        return false;
      }
    }
  }
  return true;
}

TEST_F(Session, EveryOutputMeasuredAloneThenTheTuneAppliedAsOneStepAndComparedWithTheOneBefore) {
  const std::vector<MeasureTarget> plan = session_->Plan();
  ASSERT_EQ(plan, (std::vector<MeasureTarget>{{{0}}, {{1}}, {{2}}, {{3}}, {{0, 1}}, {{2, 3}}}));

  // The first run: every other output muted in one list, the user's mutes back in one list
  // afterwards, nothing else sent, and no step of the undo history.
  const SessionMeasurement& first = Measure({{0}});
  EXPECT_TRUE(first.Usable()) << first.reason << " " << first.detail;
  EXPECT_GT(first.quality.snr_db, kMinSnrDb);
  ExpectFrames(Sent(), {{1, kMuteSub, kOpSet, MuteList({0, 1, 1, 1, 1, 1})},
                        {1, kMuteSub, kOpSet, MuteList(kUserMutes)}});
  EXPECT_EQ(UnitMutes(), kUserMutes);
  EXPECT_EQ(LiveMutes(), kUserMutes);
  EXPECT_FALSE(manager_->Tuning().Session().History().CanUndo());

  for (const MeasureTarget& t : {MeasureTarget{{1}}, MeasureTarget{{2}}, MeasureTarget{{3}},
                                 MeasureTarget{{0, 1}}, MeasureTarget{{2, 3}}, MeasureTarget{{0}}}) {
    const SessionMeasurement& m = Measure(t);
    EXPECT_TRUE(m.Usable()) << m.reason << " " << m.detail;
    EXPECT_EQ(SettledUnitMutes(), kUserMutes);
  }
  EXPECT_EQ(session_->Positions({{0}}), 2);
  // While each sweep played, exactly the measured outputs were unmuted on the unit.
  const auto at_play = car_->MutesAtPlay();
  ASSERT_EQ(at_play.size(), 7u);
  EXPECT_EQ(at_play[1], (std::array<int, 6>{1, 0, 1, 1, 1, 1}));
  EXPECT_EQ(at_play[4], (std::array<int, 6>{0, 0, 1, 1, 1, 1}));

  // A run that fails and one that clips: judged so, and the mutes back all the same.
  car_->fail_next = true;
  const SessionMeasurement& failed = Measure({{1}});
  EXPECT_EQ(failed.verdict, Verdict::kFailed);
  EXPECT_EQ(failed.reason, "${tune_audio_failed}");
  EXPECT_EQ(SettledUnitMutes(), kUserMutes);
  car_->clip_next = true;
  const SessionMeasurement& clipped = Measure({{1}});
  EXPECT_EQ(clipped.verdict, Verdict::kClipped);
  EXPECT_EQ(clipped.reason, "${tune_clipped}");
  EXPECT_EQ(SettledUnitMutes(), kUserMutes);
  EXPECT_EQ(session_->Positions({{1}}), 1);
  EXPECT_FALSE(manager_->Tuning().Session().History().CanUndo());

  // The overlay: the measurement beside the curve the settings predict.
  const OverlayCurve overlay = session_->Overlay(1);
  ASSERT_FALSE(overlay.Empty());
  EXPECT_EQ(overlay.positions, 1);
  ASSERT_EQ(overlay.played_db.size(), overlay.predicted_freq.size());
  ASSERT_EQ(overlay.at_seat_db.size(), overlay.measured_freq.size());
  for (std::size_t k = 0; k < overlay.at_seat_db.size(); ++k) {
    ASSERT_NEAR(overlay.at_seat_db[k], overlay.measured_db[k], 1e-9);  // nothing changed since
  }

  TuneChoices choices;
  choices.target = autotune::CarTarget();
  ASSERT_EQ(session_->StartPreview(choices), "");
  Await(MeasurementSession::Event::Kind::kPreviewReady);
  const TunePreview* preview = session_->Preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->outputs.size(), 4u);
  for (const OutputPreview& op : preview->outputs) {
    EXPECT_TRUE(op.problem_key.empty()) << op.output << ": " << op.fit.problem;
    EXPECT_LE(op.fit.after.rms_db, op.fit.before.rms_db) << op.output;
  }
  // Linked outputs share one band table, fitted once.
  EXPECT_EQ(preview->outputs[0].partner, 2);
  EXPECT_EQ(preview->outputs[0].fit.bands, preview->outputs[2].fit.bands);
  EXPECT_TRUE(preview->outputs[0].bands_differ);
  EXPECT_EQ(preview->crossovers.size(), 2u);
  // Nothing is sent before the apply.
  EXPECT_TRUE(Sent().empty());

  const emulator::SceneState before = unit_->Snapshot().scenes[0];
  std::array<ApplyChoice, kOutputChannels> accept{};
  for (ApplyChoice& c : accept) c.delay = c.gain = true;
  const ApplyResult applied = session_->Apply(accept);
  ASSERT_TRUE(applied.applied) << applied.reason;
  EXPECT_TRUE(applied.before_on_other_side);
  EXPECT_EQ(Sent().size(), applied.commands);
  const emulator::SceneState tuned = unit_->Snapshot().scenes[0];
  EXPECT_FALSE(SameTune(before, tuned));
  for (int k = 0; k < emulator::kBands; ++k) {
    EXPECT_EQ(tuned.outputs[0].bands[k].gain_tenths, tuned.outputs[2].bands[k].gain_tenths);
  }
  for (const OutputPreview& op : preview->outputs) {
    EXPECT_EQ(tuned.outputs[op.output].delay_us,
              static_cast<std::uint32_t>(std::lround(op.delay_suggested_ms * 1000.0f)));
  }
  EXPECT_EQ(UnitMutes(), kUserMutes);
  // The overlay now predicts the output at the seat through its new bands.
  const OverlayCurve retuned = session_->Overlay(0);
  double largest_change = 0.0;
  for (std::size_t k = 0; k < retuned.at_seat_db.size(); ++k) {
    largest_change =
        std::max(largest_change, std::fabs(retuned.at_seat_db[k] - retuned.measured_db[k]));
  }
  EXPECT_GT(largest_change, 1.0);

  // The same measurements fitted again: the unit plays the tune already, nothing is sent.
  ASSERT_EQ(session_->StartPreview(choices), "");
  Await(MeasurementSession::Event::Kind::kPreviewReady);
  for (const OutputPreview& op : session_->Preview()->outputs) EXPECT_FALSE(op.bands_differ);
  EXPECT_EQ(session_->Apply(accept).reason, "${tune_nothing_to_apply}");
  EXPECT_TRUE(Sent().empty());

  // A/B against the tune before, only the differences sent, then back.
  ASSERT_TRUE(session_->CompareBefore());
  Sent();
  EXPECT_TRUE(SameTune(before, unit_->Snapshot().scenes[0]));
  ASSERT_TRUE(session_->CompareBefore());
  Sent();
  EXPECT_TRUE(SameTune(tuned, unit_->Snapshot().scenes[0]));

  // One undo takes the whole apply back, on the unit too; redo brings it again.
  ASSERT_TRUE(manager_->Tuning().Undo());
  Sent();
  EXPECT_TRUE(SameTune(before, unit_->Snapshot().scenes[0]));
  EXPECT_FALSE(manager_->Tuning().Session().History().CanUndo());
  ASSERT_TRUE(manager_->Tuning().Redo());
  Sent();
  EXPECT_TRUE(SameTune(tuned, unit_->Snapshot().scenes[0]));
}

TEST_F(Session, TheUnitLeavingAndTheWindowClosingMidRunPutTheMutesBack) {
  // The unit leaves while the sweep plays: the run says so, the live settings hold the user's
  // mutes again, and the unit's return offers to send them.
  std::atomic<bool> unplugged{false};
  car_->on_play = [&] {
    while (!unplugged) std::this_thread::yield();
  };
  ASSERT_EQ(session_->StartMeasurement({{1}}), "");
  for (int guard = 0; guard < 2000 && UnitMutes() == kUserMutes; ++guard) {
    manager_->ProcessPendingNotifications(5);
  }
  ASSERT_EQ(UnitMutes(), (std::array<int, 6>{1, 0, 1, 1, 1, 1}));
  manager_->DevicePlugOut();
  EXPECT_EQ(LiveMutes(), kUserMutes);
  unplugged = true;
  const int i = Await(MeasurementSession::Event::Kind::kMeasured).measurement;
  EXPECT_EQ(session_->Measurements()[i].reason, "${tune_unit_left}");
  EXPECT_FALSE(session_->Measurements()[i].Usable());
  manager_->DevicePlugOut();  // the bus's own notice after a failed read: the unit left once
  EXPECT_EQ(UnitMutes(), (std::array<int, 6>{1, 0, 1, 1, 1, 1}));
  manager_->DevicePlugin();
  Settle();
  ASSERT_EQ(manager_->State(), ConnectState::kConnected);
  EXPECT_EQ(view_.kept_asked, 1);
  Sent();
  EXPECT_EQ(UnitMutes(), kUserMutes);
  EXPECT_EQ(LiveMutes(), kUserMutes);

  // The window closes while the sweep plays: the mutes go back at once, before the sweep ends
  // (the car waits for them), and the unit holds exactly what it held.
  std::atomic<bool> playing{false};
  car_->on_play = [&] {
    playing = true;
    for (int guard = 0; guard < 10000 && UnitMutes() != kUserMutes; ++guard) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  log_->Take();
  ASSERT_EQ(session_->StartMeasurement({{2}}), "");
  for (int guard = 0; guard < 4000 && !playing; ++guard) manager_->ProcessPendingNotifications(5);
  ASSERT_TRUE(playing);
  session_.reset();
  ExpectFrames(Sent(), {{1, kMuteSub, kOpSet, MuteList({1, 1, 0, 1, 1, 1})},
                        {1, kMuteSub, kOpSet, MuteList(kUserMutes)}});
  EXPECT_EQ(UnitMutes(), kUserMutes);
  EXPECT_EQ(LiveMutes(), kUserMutes);
}

TEST_F(Session, TheAudioOpensBehindTheWindowAndItsDevicesAndLevelComeBackAsEvents) {
  // The audio system answers only when the test lets it: nothing here may wait for it.
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  session_ = std::make_unique<MeasurementSession>(
      *manager_,
      [car = car_, answered](std::string&) -> std::shared_ptr<audio::AudioInterface> {
        answered.wait();
        return car;
      },
      queue_);
  AudioSetup setup = session_->Audio();
  setup.play_device = setup.record_device = audio::kSimulatedDevice;
  setup.run.sweep.seconds = 1.0;
  setup.meter_seconds = 0.0;
  ASSERT_EQ(session_->SetAudio(setup), "");
  EXPECT_TRUE(session_->Busy());
  // A run asked for meanwhile is taken and plays once the audio is there.
  ASSERT_EQ(session_->StartMeasurement({{0}}), "");
  EXPECT_EQ(session_->ListDevices(), "${tune_busy}");
  answer.set_value();
  const SessionMeasurement& m = Measure({{0}}, /*started=*/true);
  EXPECT_TRUE(m.Usable()) << m.reason << " " << m.detail;
  EXPECT_EQ(SettledUnitMutes(), kUserMutes);

  ASSERT_EQ(session_->ListDevices(), "");
  EXPECT_EQ(session_->CheckLevel(0.2), "${tune_busy}");
  EXPECT_EQ(Await(MeasurementSession::Event::Kind::kDevices).refusal, "");
  ASSERT_EQ(session_->Devices().size(), 1u);
  EXPECT_EQ(session_->Devices()[0].id, audio::kSimulatedDevice);
  ASSERT_EQ(session_->CheckLevel(0.2), "");
  EXPECT_EQ(session_->StartMeasurement({{1}}), "${tune_busy}");
  EXPECT_EQ(Await(MeasurementSession::Event::Kind::kLevel).refusal, "");
  const MeasurementSession::Level& level = session_->LastLevel();
  EXPECT_EQ(level.error, "");
  EXPECT_LT(level.mic.peak_dbfs, -60.0);  // the car's quiet cabin
  EXPECT_GT(level.mic.peak_dbfs, -100.0);
  EXPECT_FALSE(level.mic.clipping);
  EXPECT_FALSE(session_->Busy());

  // No audio system: said once it is known, and nothing muted for a run that cannot play.
  session_ = std::make_unique<MeasurementSession>(
      *manager_,
      [](std::string& error) -> std::shared_ptr<audio::AudioInterface> {
        error = "PipeWire is not running for this user";
        return nullptr;
      },
      queue_);
  const MeasurementSession::Event failed = Await(MeasurementSession::Event::Kind::kAudioOpened);
  EXPECT_EQ(failed.refusal, "${tune_no_audio}");
  EXPECT_EQ(failed.detail, "PipeWire is not running for this user");
  EXPECT_EQ(session_->ListDevices(), "${tune_no_audio}");
  EXPECT_EQ(session_->CheckLevel(), "${tune_no_audio}");
  EXPECT_EQ(session_->StartMeasurement({{0}}), "${tune_no_audio}");
  EXPECT_TRUE(Sent().empty());
  EXPECT_FALSE(session_->Busy());
}

TEST_F(Session, AnAcousticReferenceDatesEveryOutputByItsDistanceAndItsOutputKeepsPlaying) {
  // Output 5 (muted by the user) plays the timing chirp from input 2; the car's speakers are
  // 3.1, 3.4, 4.2, 4.0 and 3.0 ms from the seat.
  TimeByAChirpThroughOutput6();

  // Routings that would time against the wrong speaker or measure silence are refused, with
  // the output and the input named, and nothing is muted for them.
  std::vector<std::string> fill;
  EXPECT_EQ(session_->StartMeasurement({{0}}, &fill), "${tune_reference_not_routed}");
  EXPECT_EQ(fill, (std::vector<std::string>{"6", "2"}));
  Route(5, 2, true);
  EXPECT_EQ(session_->StartMeasurement({{0}}, &fill), "${tune_reference_hears_sweep}");
  EXPECT_EQ(fill, (std::vector<std::string>{"6", "1"}));
  Route(5, 1, false);
  Route(1, 2, true);
  EXPECT_EQ(session_->StartMeasurement({{1}}, &fill), "${tune_measured_hears_reference}");
  EXPECT_EQ(fill, (std::vector<std::string>{"2", "2"}));
  Route(1, 2, false);
  Route(2, 1, false);
  EXPECT_EQ(session_->StartMeasurement({{2}}, &fill), "${tune_input_not_routed}");
  EXPECT_EQ(fill, (std::vector<std::string>{"3", "1"}));
  Route(2, 1, true);
  EXPECT_EQ(session_->StartMeasurement({{3, 5}}, &fill), "${tune_reference_in_pair}");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(UnitMutes(), kUserMutes);

  for (int output : {0, 1, 2, 3, 5}) {
    // The chirp's own delay changes between runs: the arrivals must still compare.
    if (output == 3) {
      manager_->Editing().SetDelay(5, 2.0f);
      Sent();
    }
    const SessionMeasurement& m = Measure({{output}});
    EXPECT_TRUE(m.Usable()) << output << ": " << m.reason << " " << m.detail;
    EXPECT_EQ(SettledUnitMutes(), kUserMutes) << output;
  }
  // The reference output played with each output measured, and alone for its own run.
  const auto at_play = car_->MutesAtPlay();
  ASSERT_EQ(at_play.size(), 5u);
  EXPECT_EQ(at_play[0], (std::array<int, 6>{0, 1, 1, 1, 1, 0}));
  EXPECT_EQ(at_play[3], (std::array<int, 6>{1, 1, 1, 0, 1, 0}));
  EXPECT_EQ(at_play[4], (std::array<int, 6>{1, 1, 1, 1, 1, 0}));
  EXPECT_EQ(LiveMutes(), kUserMutes);

  ASSERT_EQ(session_->StartPreview({}), "");
  Await(MeasurementSession::Event::Kind::kPreviewReady);
  const TunePreview* preview = session_->Preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->outputs.size(), 5u);
  // The farthest speaker (output 2, 4.2 ms) waits for none; each other one for the difference.
  // Outputs with the same filters differ by their distances to a few µs; across the crossover
  // the woofers' low-pass puts their impulse peak up to 0.1 ms late (the crossover check's to
  // refine).
  const std::map<int, double> distance_ms = {{0, 3.1}, {1, 3.4}, {2, 4.2}, {3, 4.0}, {5, 3.0}};
  std::map<int, double> delay;
  for (const OutputPreview& op : preview->outputs) {
    EXPECT_TRUE(op.delay_reliable) << op.output << ": " << op.delay_note;
    EXPECT_NEAR(op.delay_suggested_ms, 4.2 - distance_ms.at(op.output), 0.1) << op.output;
    delay[op.output] = op.delay_suggested_ms;
  }
  EXPECT_NEAR(delay[0] - delay[2], 1.1, 0.005);
  EXPECT_NEAR(delay[1] - delay[3], 0.6, 0.005);
  EXPECT_NEAR(delay[5] - delay[3], 1.0, 0.005);
}

TEST_F(Session, APreviewGoesWithANewPositionAndARefusedRunKeepsTheOldOnes) {
  EXPECT_TRUE(Measure({{0}}).Usable());
  EXPECT_TRUE(Measure({{1}}).Usable());
  ASSERT_EQ(session_->StartPreview({}), "");
  Await(MeasurementSession::Event::Kind::kPreviewReady);
  ASSERT_NE(session_->Preview(), nullptr);
  // A failed position changes nothing the tune is computed from.
  car_->fail_next = true;
  EXPECT_FALSE(Measure({{0}}).Usable());
  EXPECT_NE(session_->Preview(), nullptr);
  // A usable one does: the tune before it is not sent.
  EXPECT_TRUE(Measure({{0}}).Usable());
  EXPECT_EQ(session_->Preview(), nullptr);
  Sent();
  EXPECT_EQ(session_->Apply({}).reason, "${tune_no_preview}");
  EXPECT_TRUE(Sent().empty());

  // Measuring output 2 over again, refused: its earlier position stays, and so does the preview.
  ASSERT_EQ(session_->StartPreview({}), "");
  Await(MeasurementSession::Event::Kind::kPreviewReady);
  Route(1, 1, false);
  EXPECT_EQ(session_->StartMeasurement({{1}}, nullptr, /*start_over=*/true),
            "${tune_input_not_routed}");
  EXPECT_EQ(session_->Positions({{1}}), 1);
  EXPECT_NE(session_->Preview(), nullptr);
  Route(1, 1, true);
  ASSERT_EQ(session_->StartMeasurement({{1}}, nullptr, /*start_over=*/true), "");
  EXPECT_EQ(session_->Positions({{1}}), 0);
  EXPECT_EQ(session_->Preview(), nullptr);
  EXPECT_TRUE(Measure({{1}}, /*started=*/true).Usable());
  EXPECT_EQ(session_->Positions({{1}}), 1);
}

TEST_F(Session, ABassOnlyTimingOutputIsRefusedBeforeAnythingIsMuted) {
  // Output 6 becomes a subwoofer (no high-pass, low-pass at 200 Hz) playing the chirp of input 2.
  TimeByAChirpThroughOutput6();
  Route(5, 2, true);
  Route(5, 1, false);
  manager_->Editing().SetCorner(5, true, 20);
  manager_->Editing().SetFilterCode(5, true, true, 0);
  manager_->Editing().SetFilterCode(5, false, true, 2);
  manager_->Editing().SetCorner(5, false, 200);
  Sent();

  // Its chirp would not even be found: every run would mute, play and fail.
  for (const MeasureTarget& t : {MeasureTarget{{0}}, MeasureTarget{{5}}}) {
    std::vector<std::string> fill;
    EXPECT_EQ(session_->StartMeasurement(t, &fill), "${tune_reference_bass_only}");
    EXPECT_EQ(fill, (std::vector<std::string>{"6", "200"}));
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(car_->MutesAtPlay().empty());
  EXPECT_EQ(UnitMutes(), kUserMutes);

  // Above the bass it dates the others.
  manager_->Editing().SetCorner(5, false, 400);
  Sent();
  const SessionMeasurement& m = Measure({{0}});
  EXPECT_TRUE(m.Usable()) << m.reason << " " << m.detail;
}

}  // namespace
}  // namespace tolva::model::testing
