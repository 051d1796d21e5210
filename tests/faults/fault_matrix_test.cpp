// Every operation that talks to the unit against every fault the emulated unit can play: the
// operation ends within its time-outs, says "done" only when the unit answered everything, and
// the file or the unit's memory is as it says. Time is a fake clock, so the ten-second
// time-outs cost nothing; the room-correction worker's pauses are where the test plays its
// window.
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "device/link/firmware_upgrade.h"
#include "device/protocol/records.h"
#include "model/manager/operations/auto_calibration.h"
#include "model/manager_fixture.h"
#include "model/files/profile_files.h"
#include "model/profile/scene_names.h"
#include "model/manager/scene_view.h"
#include "support/served_clock.h"

namespace tolva::model::testing {
namespace {

namespace fs = std::filesystem;
using emulator::CommandKey;

enum class Fault {
  kLeaveFirst,
  kLeaveThird,
  kLeaveTwoThirds,
  kLeaveBeforeLast,
  kLeaveAfterLast,
  kNoReply,
  kNotReady,
  kBadChecksum,
  kSplit,
  kLatency50,
};

std::string NameOf(Fault f) {
  switch (f) {
    case Fault::kLeaveFirst: return "LeavesAfterFirstFrame";
    case Fault::kLeaveThird: return "LeavesAtAThird";
    case Fault::kLeaveTwoThirds: return "LeavesAtTwoThirds";
    case Fault::kLeaveBeforeLast: return "LeavesBeforeLastReply";
    case Fault::kLeaveAfterLast: return "LeavesAfterLastReply";
    case Fault::kNoReply: return "NoReply";
    case Fault::kNotReady: return "NotReady";
    case Fault::kBadChecksum: return "BadChecksum";
    case Fault::kSplit: return "SplitReplies";
    case Fault::kLatency50: return "Latency50ms";
  }
  return "Unknown";
}


constexpr int kMarkedScene = 4;
constexpr int kMarkedOutput = 3;
constexpr std::uint32_t kUnitDelayUs = 4321;  // on the unit before the operation
constexpr std::uint32_t kFileDelayUs = 6500;  // in the files sent to the unit
constexpr char kOldFile[] = "an earlier backup";

class SceneWindow final : public SceneView {
 public:
  bool Confirm(const std::string&) override { return true; }
  bool AskName(std::string& name) override {
    name = "Fx";
    return true;
  }
  void ShowMessage(const std::string&) override {}
  void RefreshRows() override {}
  std::shared_ptr<device::NotificationSink> Sink() override { return queue; }
  bool Received(std::uint32_t message) {
    for (const device::Notification& n : queue->TakeAll()) taken.push_back(n.message);
    return std::find(taken.begin(), taken.end(), message) != taken.end();
  }
  std::vector<std::uint32_t> taken;
  std::shared_ptr<NotificationQueue> queue = std::make_shared<NotificationQueue>();
};

class FaultMatrix;

struct Operation {
  const char* name;
  CommandKey key;       // the command the single-command faults hit
  int key_timeout_ms;   // that command's time-out
  int fixed_waits_ms;   // the operation's own pauses
  bool connected_first;
  // Runs the operation to its end; true when it reported success.
  bool (FaultMatrix::*run)();
  // The file or the unit's memory is as the report says.
  void (FaultMatrix::*check)(bool reported_success);
  // False where the unit need not answer the key command: its silence is no failure.
  bool key_answer_promised = true;
};

class FaultMatrix : public ManagerOnEmulator,
                    public ::testing::WithParamInterface<std::tuple<int, Fault>> {
 public:
  static const std::vector<Operation>& Operations();

  // A healthy unit with marked values, connected unless the connect is under test.
  void Prepare(const Operation& op) {
    Start();
    Edit([](emulator::UnitState& s) {
      s.scenes[0].outputs[kMarkedOutput].delay_us = kUnitDelayUs;
      s.scenes[kMarkedScene].outputs[kMarkedOutput].delay_us = kUnitDelayUs;
      s.names[kMarkedScene - 1] = {'K', '4'};
    });
    if (op.connected_first) {
      ConnectAndSettle();
      ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    }
    std::ofstream(Path("old.wpf"), std::ios::binary | std::ios::trunc) << kOldFile;
    Profile p = Live();
    p.channels[kMarkedOutput].delay = kFileDelayUs / 1000.0f;
    ASSERT_TRUE(WriteSceneProfile(p, Path("in.spf")));
    auto u = std::make_unique<UnitSettings>(manager_->Unit());
    u->scenes[kMarkedScene - 1].channels[kMarkedOutput].delay = kFileDelayUs / 1000.0f;
    ASSERT_TRUE(WriteWholeProfile(*u, Path("in.wpf")));
    view_.messages.clear();
    scene_window_ = std::make_unique<SceneWindow>();
  }
  int ReportsReceived() {
    return unit_->WithUnit([](emulator::EmulatedUnit& u) { return u.reports_received(); });
  }
  void SetFaults(const emulator::Faults& f) {
    unit_->WithUnit([&](emulator::EmulatedUnit& u) {
      u.faults() = f;
      return 0;
    });
  }
  std::int64_t Now() const { return clock_.NowMs(); }

 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolva_faults_" + std::to_string(::getpid()) + "_" +
            std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(dir_);
    ManagerOnEmulator::SetUp();
  }
  void TearDown() override {
    ManagerOnEmulator::TearDown();
    fs::remove_all(dir_);
  }
  // Every worker ended, every message handled, every queued command sent.
  void Finish() {
    for (int round = 0; round < 3; ++round) {
      Settle();
      EXPECT_TRUE(manager_->Link().WaitUntilQueueIdle(30000));
    }
    Settle();
  }
  bool Told(std::string_view text) const {
    return std::find(view_.messages.begin(), view_.messages.end(), text) != view_.messages.end();
  }
  bool ToldAFailure() const {
    return std::any_of(view_.messages.begin(), view_.messages.end(),
                       [](const std::string& m) { return m.find("_fail") != std::string::npos; });
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::uint32_t UnitDelay(int scene) {
    return unit_->Snapshot().scenes[scene].outputs[kMarkedOutput].delay_us;
  }
  void ExpectFailureTold(bool ok) {
    if (!ok) EXPECT_TRUE(ToldAFailure()) << "a failed operation must say so";
  }

  // --- The operations ---
  bool ConnectRead() {
    ConnectAndSettle();
    return manager_->State() == ConnectState::kConnected;
  }
  void CheckConnectRead(bool ok) {
    ExpectFailureTold(ok);
    if (ok) EXPECT_FLOAT_EQ(Live().channels[kMarkedOutput].delay, kUnitDelayUs / 1000.0f);
  }

  bool ReadWhole() {
    manager_->SaveWholeConfigToFile(Path("old.wpf"));
    Finish();
    EXPECT_EQ(view_.busy_depth, 0);
    return Told(kProfileSaveOk);
  }
  void CheckReadWhole(bool ok) {
    if (!ok) {
      EXPECT_TRUE(Told("${profile_save_unit_fail}"));
      std::ifstream in(Path("old.wpf"), std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kOldFile);
      return;
    }
    auto back = std::make_unique<UnitSettings>();
    ASSERT_EQ(ReadWholeProfile(Path("old.wpf"), *back), ProfileReadResult::kOk);
    EXPECT_FLOAT_EQ(back->scenes[kMarkedScene - 1].channels[kMarkedOutput].delay,
                    kUnitDelayUs / 1000.0f);
    EXPECT_EQ(Utf8Of(SceneName(back->sceneName[kMarkedScene - 1])), "K4");
  }

  bool SceneWrite() {
    manager_->LoadSenceConfigFromFile(Path("in.spf"));
    Finish();
    return !ToldAFailure();
  }
  void CheckSceneWrite(bool ok) {
    if (ok) EXPECT_EQ(UnitDelay(0), kFileDelayUs);
  }

  bool WholeWrite() {
    manager_->LoadWholeConfigFromFile(Path("in.wpf"));
    Finish();
    return !ToldAFailure();
  }
  void CheckWholeWrite(bool ok) {
    if (ok) EXPECT_EQ(UnitDelay(kMarkedScene), kFileDelayUs);
  }

  bool SceneLoad() {
    Edit([](emulator::UnitState& s) {
      s.scenes[kMarkedScene].outputs[kMarkedOutput].delay_us = kFileDelayUs;
    });
    manager_->LoadSence(*scene_window_, kMarkedScene);
    Finish();
    EXPECT_TRUE(scene_window_->Received(MSG_BUSY_CLOSE));
    return !ToldAFailure();
  }
  void CheckSceneLoad(bool ok) {
    if (ok) EXPECT_FLOAT_EQ(Live().channels[kMarkedOutput].delay, kFileDelayUs / 1000.0f);
  }

  bool SceneSave() {
    manager_->SaveSence(*scene_window_, 5);
    Finish();
    const bool acknowledged = scene_window_->Received(device::MSG_SCENE_VALUE);
    // Without the acknowledgement the busy window is closed by the failure.
    if (!acknowledged) EXPECT_TRUE(scene_window_->Received(MSG_BUSY_CLOSE));
    EXPECT_EQ(acknowledged, !ToldAFailure());
    return acknowledged;
  }
  void CheckSceneSave(bool ok) {
    if (ok) EXPECT_EQ(unit_->Snapshot().names[4][0], 'F');
  }

  bool SceneDelete() {
    manager_->DeleteSence(*scene_window_, kMarkedScene);
    Finish();
    const bool acknowledged = scene_window_->Received(device::MSG_SCENE_DELETED);
    if (!acknowledged) EXPECT_TRUE(scene_window_->Received(MSG_BUSY_CLOSE));
    EXPECT_EQ(acknowledged, !ToldAFailure());
    return acknowledged;
  }
  void CheckSceneDelete(bool ok) {
    if (ok) EXPECT_NE(unit_->Snapshot().names[kMarkedScene - 1][0], 'K');
  }

  bool FactoryDefault() {
    manager_->ResetMcuFactoryDefault();
    Finish();
    EXPECT_EQ(view_.busy_depth, 0);
    EXPECT_NE(Told("${device_reboot}"), ToldAFailure());
    return Told("${device_reboot}");
  }
  void CheckFactoryDefault(bool ok) {
    if (ok) EXPECT_NE(UnitDelay(0), kUnitDelayUs);
  }

  bool Upgrade() {
    const std::vector<std::uint8_t> data(100, 0x5A);
    const std::string path = Path("TOLVA_ZQ5512_MCU_UPG.bin");
    const auto file = device::BuildUpgradeImage(1, 19, {1, 2, 3, 4}, data);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    device::FirmwareUpgrade upgrade(manager_->Link(), clock_);
    if (upgrade.UpgradeStart(path) != device::FirmwareUpgrade::kStarted) return false;
    for (int step = 0; step < 100000; ++step) {
      const std::uint8_t r = upgrade.UpgradeStep();
      if (r > 100) return r == device::FirmwareUpgrade::kFinished;
    }
    ADD_FAILURE() << "the upgrade never ended";
    return false;
  }
  void CheckUpgrade(bool ok) {
    if (!ok) return;
    const emulator::ReceivedImage got =
        unit_->WithUnit([](emulator::EmulatedUnit& u) { return u.received_image(); });
    EXPECT_TRUE(got.finished);
    ASSERT_GE(got.data.size(), 100u);
    EXPECT_TRUE(std::all_of(got.data.begin(), got.data.begin() + 100,
                            [](std::uint8_t b) { return b == 0x5A; }));
  }

  // The auto-calibration window's part: outputs 1 and 2 measured, the reports applied in the
  // worker's pauses, the apply confirmed on closing. Done when the apply was acknowledged.
  bool RoomCorrection() {
    NotificationQueue reports;
    manager_->Link().SetNotificationSink(device::TargetWindow::kCalibration, &reports);
    ::tolva::testing::ServedClock pauses(&clock_);
    std::mutex posted_mutex;
    std::vector<std::pair<std::uint32_t, std::int64_t>> posted;
    AutoCalibration::Outcome outcome;
    {
      AutoCalibration run(
          manager_->Link(),
          [&](std::uint32_t message, std::int64_t p) {
            std::lock_guard lock(posted_mutex);
            posted.emplace_back(message, p);
          },
          pauses);
      const auto apply_reports = [&] {
        for (device::Notification& n : reports.TakeAll()) {
          const std::string tips = run.OnReport(n.param, n.value, n.record.get()).tips;
          if (!tips.empty()) view_.messages.push_back(tips);
        }
      };
      EXPECT_EQ(run.StartOrStop(0, 0x3), AutoCalibration::StartResult::kStarted);
      while (pauses.ServeOne(apply_reports, [&] { return run.IsRunning(); })) {
      }
      pauses.Release();
      std::int64_t run_end = -1;
      for (int ms = 0; ms < 5000 && run_end == -1; ++ms) {
        {
          std::lock_guard lock(posted_mutex);
          if (!posted.empty() && posted.back().first == AutoCalibration::kMsgRunEnded) {
            run_end = posted.back().second;
            break;
          }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      apply_reports();
      const std::string tips = run.OnRunEnded(run_end);
      if (!tips.empty()) view_.messages.push_back(tips);
      run_completed_ = run.IsCompleted();
      outcome = run.Close([] { return true; });
    }
    manager_->Link().SetNotificationSink(device::TargetWindow::kCalibration, nullptr);
    manager_->ReadAgainAfterRoomCorrection(outcome);
    manager_->JoinWorkers();
    reports_spread_end_ = ReportsReceived();  // the read that follows is the connect read's
    Finish();
    return outcome.result == 1 && !Told("${irc_cmd_failed}");
  }
  void CheckRoomCorrection(bool ok) {
    const bool applied = unit_->Snapshot().scenes[0].outputs[1].bands[4].gain_tenths != 180;
    if (ok) {
      EXPECT_TRUE(applied);
      return;
    }
    EXPECT_TRUE(Told("${irc_cmd_failed}") || view_.plug_out_notices > 0) << "failed silently";
    if (!run_completed_) EXPECT_FALSE(applied) << "a run that failed was applied";
  }

  std::unique_ptr<SceneWindow> scene_window_;
  fs::path dir_;
  bool run_completed_ = false;

 public:
  // Where an operation's own traffic ends, when later reports are another operation's.
  int reports_spread_end_ = -1;
};

const std::vector<Operation>& FaultMatrix::Operations() {
  constexpr int k10s = device::DspLink::kDefaultTimeoutMs;
  static const std::vector<Operation> ops = {
      {"ConnectRead", {1, 0x07}, k10s, 0, false, &FaultMatrix::ConnectRead,
       &FaultMatrix::CheckConnectRead},
      {"ReadWhole", {1, 0x07}, k10s, 10 * 1000, true, &FaultMatrix::ReadWhole,
       &FaultMatrix::CheckReadWhole},
      {"SceneProfileWrite", {1, 0x07}, k10s, 0, true, &FaultMatrix::SceneWrite,
       &FaultMatrix::CheckSceneWrite},
      {"WholeUnitWrite", {1, 0x07}, k10s, 20000 + 200, true, &FaultMatrix::WholeWrite,
       &FaultMatrix::CheckWholeWrite},
      {"SceneLoad", {1, 0x07}, k10s, 0, true, &FaultMatrix::SceneLoad,
       &FaultMatrix::CheckSceneLoad},
      {"SceneSave", {2, 0x08}, k10s, 0, true, &FaultMatrix::SceneSave,
       &FaultMatrix::CheckSceneSave},
      {"SceneDelete", {2, 0x0A}, k10s, 0, true, &FaultMatrix::SceneDelete,
       &FaultMatrix::CheckSceneDelete},
      {"FactoryDefault", {3, 0x90}, device::DspLink::kFactoryDefaultTimeoutMs, 0, true,
       &FaultMatrix::FactoryDefault, &FaultMatrix::CheckFactoryDefault, false},
      // Entering upgrade mode, the 8 s the unit takes to switch, up to ten reopening attempts.
      {"McuUpgrade", {3, 0x03}, k10s, 8000 + 10 * 500, true, &FaultMatrix::Upgrade,
       &FaultMatrix::CheckUpgrade},
      // A second per poll cycle, about fifteen cycles; the spectrum requests are the key.
      {"RoomCorrection", {1, 0x1A}, k10s, 20 * 1000, true, &FaultMatrix::RoomCorrection,
       &FaultMatrix::CheckRoomCorrection},
  };
  return ops;
}

// How many reports each operation sends a healthy unit, and how many of them the key hits.
struct Traffic {
  int reports = 0;
  int key_hits = 0;
};

TEST_P(FaultMatrix, EndsInTimeAndReportsOnlyWhatWasDone) {
  const auto [index, fault] = GetParam();
  const Operation& op = Operations()[static_cast<std::size_t>(index)];
  static std::map<int, Traffic> traffic;
  if (!traffic.count(index)) {
    Prepare(op);
    log_->Take();
    reports_spread_end_ = -1;
    const int before = ReportsReceived();
    ASSERT_TRUE((this->*op.run)()) << "a healthy unit completes " << op.name;
    Traffic& t = traffic[index];
    t.reports = (reports_spread_end_ >= 0 ? reports_spread_end_ : ReportsReceived()) - before;
    for (const SentFrame& f : log_->Take()) t.key_hits += op.key.Matches(f.cmd, f.sub);
    ASSERT_GT(t.key_hits, 0);
  }
  const Traffic& healthy = traffic[index];

  Prepare(op);
  emulator::Faults faults;
  const int start = ReportsReceived();
  // Split and slow replies complete, and so does everything a unit answered before it left.
  bool must_succeed = fault == Fault::kSplit || fault == Fault::kLatency50;
  const auto leave_after = [&](int n) {
    n = std::max(n, 1);
    faults.unplug_after = start + n;
    must_succeed = n >= healthy.reports;
  };
  switch (fault) {
    case Fault::kLeaveFirst: leave_after(1); break;
    case Fault::kLeaveThird: leave_after(healthy.reports / 3); break;
    case Fault::kLeaveTwoThirds: leave_after(healthy.reports * 2 / 3); break;
    case Fault::kLeaveBeforeLast: leave_after(healthy.reports - 1); break;
    case Fault::kLeaveAfterLast: leave_after(healthy.reports); break;
    case Fault::kNoReply:
      faults.no_reply = op.key;
      must_succeed = !op.key_answer_promised;
      break;
    case Fault::kNotReady: faults.not_ready = op.key; break;
    case Fault::kBadChecksum:
      faults.bad_checksum = op.key;
      must_succeed = !op.key_answer_promised;
      break;
    case Fault::kSplit: faults.split_reply = op.key; break;
    case Fault::kLatency50: faults.latency_ms = 50; break;
  }
  SetFaults(faults);
  const std::int64_t began = Now();
  const bool ok = (this->*op.run)();
  // For the closing table: operation × fault → outcome.
  RecordProperty("reported_success", ok ? 1 : 0);
  RecordProperty("elapsed_ms", static_cast<int>(Now() - began));

  EXPECT_EQ(ok, must_succeed);
  (this->*op.check)(ok);
  // Time-outs are spent only on the commands the fault silences; a unit that left costs none.
  std::int64_t allowed = op.fixed_waits_ms + 1000;
  // A unit that says "not ready" may be waited for, as an upgrade block is.
  if (fault == Fault::kNoReply || fault == Fault::kBadChecksum || fault == Fault::kNotReady) {
    allowed += static_cast<std::int64_t>(healthy.key_hits) * op.key_timeout_ms;
  }
  if (fault == Fault::kLatency50) allowed += 50LL * 2 * healthy.reports;
  EXPECT_LE(Now() - began, allowed);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FaultMatrix,
    ::testing::Combine(::testing::Range(0, 10),
                       ::testing::Values(Fault::kLeaveFirst, Fault::kLeaveThird,
                                         Fault::kLeaveTwoThirds, Fault::kLeaveBeforeLast,
                                         Fault::kLeaveAfterLast, Fault::kNoReply,
                                         Fault::kNotReady, Fault::kBadChecksum, Fault::kSplit, Fault::kLatency50)),
    [](const ::testing::TestParamInfo<std::tuple<int, Fault>>& info) {
      return std::string(FaultMatrix::Operations()[std::get<0>(info.param)].name) + "_" +
             NameOf(std::get<1>(info.param));
    });

}  // namespace
}  // namespace tolva::model::testing
