// The room-correction run against the emulated unit. The worker's pauses are where the window
// thread applies the reports, so the test plays the window thread in those pauses.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "device/link/dsp_link.h"
#include "emulator/emulator_transport.h"
#include "model/manager/operations/auto_calibration.h"
#include "model/manager/notification_queue.h"
#include "support/served_clock.h"

namespace tolva::model {
namespace {

using tolva::testing::ServedClock;

class RoomCorrection : public ::testing::Test {
 protected:
  void Start(emulator::Faults faults = {}) {
    emulator::EmulatorOptions options;
    options.faults = faults;
    unit_ = std::make_shared<emulator::EmulatedDevice>(options, link_clock_);
    link_ = std::make_unique<device::DspLink>(emulator::MakeEmulatorTransportFactory(unit_),
                                              link_clock_);
    link_->SetNotificationSink(device::TargetWindow::kCalibration, &reports_);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
    link_->EnableCommandQueue();  // as when connected
    calibration_ = std::make_unique<AutoCalibration>(
        *link_,
        [this](std::uint32_t message, std::int64_t p) {
          std::lock_guard lock(posted_mutex_);
          posted_.push_back({message, p});
        },
        worker_clock_);
  }
  void SetUp() override { Start(); }
  std::vector<std::pair<std::uint32_t, std::int64_t>> Posted() {
    std::lock_guard lock(posted_mutex_);
    return posted_;
  }
  void TearDown() override {
    worker_clock_.Release();
    calibration_.reset();
    link_.reset();
  }
  void Apply() {
    for (device::Notification& n : reports_.TakeAll()) {
      reactions_.push_back(calibration_->OnReport(n.param, n.value, n.record.get()));
    }
  }
  // Plays the window thread until the run's worker has ended.
  void RunToEnd() {
    for (int guard = 0; guard < 2000 && calibration_->IsRunning(); ++guard) {
      if (!worker_clock_.ServeOne([this] { Apply(); },
                                  [this] { return calibration_->IsRunning(); })) {
        break;
      }
    }
    worker_clock_.Release();
    WaitForWorkerEnd();
    Apply();
  }
  // Until the worker has posted its last message.
  void WaitForWorkerEnd() {
    for (int i = 0; i < 5000; ++i) {
      const auto posted = Posted();
      if (!posted.empty() && posted.back().first == AutoCalibration::kMsgRunEnded) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "the worker never ended";
  }
  std::vector<std::string> Tips() const {
    std::vector<std::string> tips;
    for (const auto& r : reactions_) {
      if (!r.tips.empty()) tips.push_back(r.tips);
    }
    return tips;
  }
  std::vector<int> Redrawn(bool spectrum) const {
    std::vector<int> outputs;
    for (const auto& r : reactions_) {
      const int ch = spectrum ? r.spectrum_curve : r.eq_curve;
      if (ch >= 0) outputs.push_back(ch);
    }
    return outputs;
  }
  emulator::IrcSimulation Simulation() {
    return unit_->WithUnit([](emulator::EmulatedUnit& u) { return u.room_correction(); });
  }

  FakeClock link_clock_;
  ServedClock worker_clock_;
  std::shared_ptr<emulator::EmulatedDevice> unit_;
  std::unique_ptr<device::DspLink> link_;
  NotificationQueue reports_;
  std::mutex posted_mutex_;  // the worker posts
  std::vector<std::pair<std::uint32_t, std::int64_t>> posted_;
  std::vector<AutoCalibration::Reaction> reactions_;
  std::unique_ptr<AutoCalibration> calibration_;
};

TEST_F(RoomCorrection, ARunMeasuresTheChosenOutputsAndDrawsTheirCurves) {
  ASSERT_EQ(calibration_->StartOrStop(3, 0x13), AutoCalibration::StartResult::kStarted);
  RunToEnd();
  EXPECT_EQ(Simulation().channel_mask(), 0x13);  // outputs 0, 1 and 4
  EXPECT_EQ(Simulation().modules(), 7);
  EXPECT_TRUE(calibration_->IsCompleted());
  const auto tips = Tips();
  ASSERT_FALSE(tips.empty());
  EXPECT_EQ(tips.front(), "${detect_speaker}");
  EXPECT_EQ(tips.back(), "${irc_completed}");
  // Every spectrum arrived whole (14 requests cover points 0 … 120) and every EQ to band 10.
  EXPECT_EQ(Redrawn(true), (std::vector{0, 1, 4}));
  EXPECT_EQ(Redrawn(false), (std::vector{0, 1, 4}));
  EXPECT_NE(calibration_->Spectrum(1)[120].gain, 0.0f);
  EXPECT_EQ(calibration_->Spectrum(1)[120].freq, 20 + 19980 * 120 / 121);
  EXPECT_EQ(calibration_->Spectrum(2)[60].gain, 0.0f);  // not measured
  const double lowest =
      *std::min_element(calibration_->EqCurve(4).begin(), calibration_->EqCurve(4).end());
  EXPECT_LT(lowest, -2.0);
  EXPECT_EQ(Posted().front().first, AutoCalibration::kMsgProgress);
  EXPECT_EQ(Posted().back(), std::make_pair(AutoCalibration::kMsgRunEnded, std::int64_t{-1}));

  // Applying keeps the correction on the unit, once.
  EXPECT_EQ(calibration_->Save(), "${irc_applyed}");
  EXPECT_EQ(calibration_->Save(), "${irc_start_tips}");
  EXPECT_EQ(calibration_->Cancel(), "${irc_start_tips}");
  ASSERT_TRUE(link_->WaitUntilQueueIdle(5000));
  const auto unit = unit_->Snapshot();
  EXPECT_NE(unit.scenes[0].outputs[4].bands[4].gain_tenths, 180);
  EXPECT_EQ(unit.scenes[0].outputs[2].bands[4].gain_tenths, 180);
  EXPECT_EQ(calibration_->Close([] { return false; }).result, 1);
}

TEST_F(RoomCorrection, NoCorrectionChosenSendsNothing) {
  for (int bit : {1, 2, 4}) calibration_->SetModule(bit, false);
  EXPECT_EQ(calibration_->StartOrStop(0, 0x3), AutoCalibration::StartResult::kNoModule);
  EXPECT_FALSE(calibration_->IsRunning());
  EXPECT_FALSE(Simulation().running());
  calibration_->SetModule(2, true);
  EXPECT_EQ(calibration_->modules(), 2);
}

TEST_F(RoomCorrection, AFailedRunSaysWhyAndClosingCancels) {
  emulator::Faults f;
  f.irc_fail_code = 1;
  Start(f);
  calibration_->StartOrStop(0, 0x1);
  RunToEnd();
  EXPECT_FALSE(calibration_->IsCompleted());
  EXPECT_EQ(Tips().back(), "${irc_failed_mic}");
  EXPECT_TRUE(reactions_.back().run_ended);
  EXPECT_EQ(calibration_->Save(), "${irc_start_tips}");
  bool asked = false;
  EXPECT_EQ(calibration_->Close([&] { return asked = true; }).result, 0);
  EXPECT_FALSE(asked);
}

TEST_F(RoomCorrection, ClosingACompletedUndecidedRunAsksWhetherToApply) {
  calibration_->StartOrStop(4, 0x2);
  RunToEnd();
  bool asked = false;
  const AutoCalibration::Outcome out = calibration_->Close([&] { return asked = true; });
  EXPECT_TRUE(asked);
  EXPECT_EQ(out.result, 1);
  // The apply is left to whoever reads the unit again afterwards, so it lands before that read.
  EXPECT_TRUE(out.apply_owed);
  EXPECT_EQ(out.channel_mask, 0x2);
  EXPECT_EQ(out.eq_mode, 4);
}

TEST_F(RoomCorrection, AStoppedRunSendsItsStopFromTheWorkerAndIgnoresClicksWhileItEnds) {
  calibration_->StartOrStop(0, 0x1);
  ASSERT_TRUE(
      worker_clock_.ServeOne([this] { Apply(); }, [this] { return calibration_->IsRunning(); }));
  EXPECT_EQ(calibration_->StartOrStop(0, 0x1), AutoCalibration::StartResult::kStopping);
  EXPECT_TRUE(calibration_->IsWindingDown());
  // A second click on start while the worker winds down is neither a stop nor a new run.
  EXPECT_EQ(calibration_->StartOrStop(0, 0x1), AutoCalibration::StartResult::kWindingDown);
  worker_clock_.Release();
  WaitForWorkerEnd();
  EXPECT_FALSE(calibration_->IsRunning());
  EXPECT_FALSE(calibration_->IsCompleted());
  EXPECT_FALSE(Simulation().running());  // the stop reached the unit
  EXPECT_EQ(Posted().back(), std::make_pair(AutoCalibration::kMsgRunEnded, std::int64_t{1}));
}

TEST_F(RoomCorrection, AUnitThatStopsAnsweringEndsTheRunAsFailedWithinItsTimeOuts) {
  calibration_->StartOrStop(0, 0x3);
  for (int pause = 0; pause < 4; ++pause) {
    ASSERT_TRUE(
        worker_clock_.ServeOne([this] { Apply(); }, [this] { return calibration_->IsRunning(); }));
  }
  const std::int64_t silent_from = link_clock_.NowMs();
  unit_->WithUnit([](emulator::EmulatedUnit& u) {
    u.faults().no_reply = emulator::CommandKey{1, emulator::CommandKey::kAnySub};
    return 0;
  });
  RunToEnd();
  EXPECT_EQ(Posted().back(), std::make_pair(AutoCalibration::kMsgRunEnded,
                                            std::int64_t{AutoCalibration::kUnitUnanswered}));
  // The unanswered polls and the stop sent after them, each its full wait, and no more.
  EXPECT_LE(link_clock_.NowMs() - silent_from,
            (AutoCalibration::kMaxUnansweredPolls + 1) * device::DspLink::kDefaultTimeoutMs + 2000);
  EXPECT_EQ(calibration_->OnRunEnded(Posted().back().second), "${irc_cmd_failed}");
  EXPECT_FALSE(calibration_->IsCompleted());
  EXPECT_EQ(calibration_->Save(), "${irc_start_tips}");
}

TEST_F(RoomCorrection, ApplyAndCancelThatTheLinkCannotTakeSaySo) {
  calibration_->StartOrStop(0, 0x1);
  RunToEnd();
  link_->DisableCommandQueue();  // a connect read has started meanwhile
  EXPECT_EQ(calibration_->Save(), "${irc_cmd_failed}");
  EXPECT_EQ(calibration_->Cancel(), "${irc_cmd_failed}");
  link_->EnableCommandQueue();
  EXPECT_EQ(calibration_->Cancel(), "${irc_canceled}");  // still undecided, so it can be sent now
}

TEST(RoomCorrectionTables, WhatIsMeasuredAndTheStartingCurves) {
  EXPECT_FALSE(AutoCalibration::IsMeasurable(0));
  for (int role : {22, 23, 24}) EXPECT_FALSE(AutoCalibration::IsMeasurable(role));
  EXPECT_TRUE(AutoCalibration::IsMeasurable(6));
  EXPECT_EQ(IrcStatusText(4), "${adjust_ch_volume}");
  EXPECT_EQ(IrcFailureText(5), "${irc_failed_eq}");
  EXPECT_EQ(IrcFailureText(6), "");
}

}  // namespace
}  // namespace tolva::model
