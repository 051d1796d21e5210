// The main window while the unit misbehaves: a watchdog timer measures how late the event loop
// runs around each fault, the window says what failed, and a unit that stops answering is shown
// until it answers again. The link's time-outs run on a fake clock; the watchdog on real time.
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "support/qt_wait.h"
#include "support/tips_box_answerer.h"
#include "ui/kit/api/control_surface.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

namespace tolva::faults {
namespace {

using model::ConnectState;
using testing::TipsBoxAnswerer;
using testing::WaitFor;
namespace fs = std::filesystem;

// A timer that should fire every period: how much later than that it ran, at worst.
class EventLoopWatchdog {
 public:
  static constexpr int kPeriodMs = 5;
  EventLoopWatchdog() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      worst_ms_ = std::max(worst_ms_, now - last_ms_ - kPeriodMs);
      last_ms_ = now;
    });
    clock_.start();
    timer_.start(kPeriodMs);
  }
  qint64 LargestStallMs() const { return worst_ms_; }
  // Measures from now on: building and showing the window is not a fault scenario.
  void Restart() {
    worst_ms_ = 0;
    last_ms_ = clock_.elapsed();
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ms_ = 0;
  qint64 worst_ms_ = 0;
};

class WindowUnderFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tolva_window_faults_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    unit_ = std::make_shared<emulator::EmulatedDevice>(emulator::EmulatorOptions{}, clock_);
    binding_ = std::make_unique<ui::ManagerBinding>(
        window_, emulator::MakeEmulatorTransportFactory(unit_), clock_);
  }
  void TearDown() override {
    binding_.reset();
    fs::remove_all(folder_);
    // Reported for the closing note; a stall of seconds would be a wait on the unit.
    std::printf("[ watchdog ] %s: largest event-loop stall %lld ms\n",
                ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                static_cast<long long>(watchdog_.LargestStallMs()));
    RecordProperty("largest_stall_ms", static_cast<int>(watchdog_.LargestStallMs()));
    EXPECT_LT(watchdog_.LargestStallMs(), 1000);
  }
  model::EqualizerManager& Manager() { return binding_->Manager(); }
  void ConnectHealthy() {
    binding_->Start();
    ASSERT_TRUE(WaitFor([&] { return Manager().State() == ConnectState::kConnected; }));
    QCoreApplication::processEvents();
    watchdog_.Restart();
  }
  void SetFaults(const emulator::Faults& faults) {
    unit_->WithUnit([&](emulator::EmulatedUnit& u) {
      u.faults() = faults;
      return 0;
    });
  }
  int ReportsReceived() {
    return unit_->WithUnit([](emulator::EmulatedUnit& u) { return u.reports_received(); });
  }
  std::string ButtonText() { return window_.Surface().FindButton("btnConnect")->RawText(); }
  bool Told(const TipsBoxAnswerer& answerer, const char* placeholder) {
    const QString text = kit::Resolve(QString::fromUtf8(placeholder));
    return std::find(answerer.texts.begin(), answerer.texts.end(), text) != answerer.texts.end();
  }
  std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  FakeClock clock_;
  CMainWnd window_;
  EventLoopWatchdog watchdog_;
  std::shared_ptr<emulator::EmulatedDevice> unit_;
  std::unique_ptr<ui::ManagerBinding> binding_;
  fs::path folder_;
};

TEST_F(WindowUnderFaults, AUnitThatLeavesDuringTheConnectReadIsNeverShownConnected) {
  TipsBoxAnswerer answerer;
  emulator::Faults faults;
  faults.unplug_after = 30;
  SetFaults(faults);
  QCoreApplication::processEvents();
  watchdog_.Restart();
  binding_->Start();
  ASSERT_TRUE(WaitFor([&] { return !Manager().IsReading() && !answerer.texts.empty(); }));
  ASSERT_TRUE(WaitFor([&] { return Manager().State() == ConnectState::kDisconnected; }));
  EXPECT_EQ(ButtonText(), "${btn_disconnected}");
  EXPECT_TRUE(Told(answerer, "${device_read_fail}"));
}

TEST_F(WindowUnderFaults, AnInterruptedWholeUnitSaveKeepsTheOldFileAndSaysItFailed) {
  ConnectHealthy();
  TipsBoxAnswerer answerer;
  const fs::path file = folder_ / "backup.wpf";
  std::ofstream(file, std::ios::binary) << "the good backup";
  for (const bool leaves : {false, true}) {
    SCOPED_TRACE(leaves ? "the unit leaves" : "a reply is missing");
    answerer.texts.clear();
    emulator::Faults faults;
    if (leaves) {
      faults.unplug_after = ReportsReceived() + 250;
    } else {
      faults.no_reply = emulator::CommandKey{1, 0x07};
    }
    SetFaults(faults);
    Manager().SaveWholeConfigToFile(file.string());
    ASSERT_TRUE(WaitFor([&] { return !answerer.texts.empty(); }));
    EXPECT_TRUE(Told(answerer, "${profile_save_unit_fail}"));
    EXPECT_FALSE(Told(answerer, "${profile_save_ok}"));
    EXPECT_EQ(Slurp(file), "the good backup");
  }
}

TEST_F(WindowUnderFaults, AFileTheUnitDidNotConfirmIsToldAsNotSent) {
  ConnectHealthy();
  TipsBoxAnswerer answerer;
  const std::string file = (folder_ / "tune.spf").string();
  ASSERT_TRUE(Manager().SaveSceneProfileFile(file));
  emulator::Faults faults;
  faults.bad_checksum = emulator::CommandKey{1, 0x06};
  SetFaults(faults);
  Manager().LoadSenceConfigFromFile(file);
  ASSERT_TRUE(WaitFor([&] { return !answerer.texts.empty(); }));
  EXPECT_TRUE(Told(answerer, "${profile_send_fail}"));
}

TEST_F(WindowUnderFaults, AUnitThatStopsAnsweringIsShownAndTheLatestEditReachesIt) {
  ConnectHealthy();
  kit::ControlSurface& surface = window_.Surface();
  emulator::Faults silent;
  silent.no_reply = emulator::CommandKey{1, emulator::CommandKey::kAnySub};
  SetFaults(silent);
  for (const int volume : {-30, -31, -32}) {
    surface.FindSlider("slider_main_volume")->SetValue(volume);
    Manager().Editing().SetMainVolume(volume);
  }
  ASSERT_TRUE(WaitFor([&] { return ButtonText() == "${device_no_answer}"; }));
  EXPECT_EQ(Manager().State(), ConnectState::kConnected);

  SetFaults({});
  surface.FindSlider("slider_main_volume")->SetValue(-33);
  Manager().Editing().SetMainVolume(-33);
  ASSERT_TRUE(WaitFor([&] { return ButtonText() == "${btn_connected}"; }));
  ASSERT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
  EXPECT_EQ(unit_->Snapshot().main_volume_db, -33);
}

}  // namespace
}  // namespace tolva::faults
