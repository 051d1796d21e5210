// The auto-calibration window on real widgets against the in-process unit: a run to its end,
// applying its result before the unit is read again, stopping, unplugging, and the outputs it
// leaves out.
#include "ui/windows/auto_cal_wnd.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/link/dsp_link.h"
#include "emulator/emulated_device.h"
#include "support/forwarding_transport.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "ui/controls/ui_equalizer_ac.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"

namespace {

using tolva::curves::UIEqualizerAc;
using tolva::kit::CSButtonUI;
using tolva::model::ConnectState;
using tolva::testing::WaitFor;

// The run's half-second pauses, fifty times faster.
class QuickClock final : public tolva::Clock {
 public:
  std::int64_t NowMs() const override { return tolva::SystemClock().NowMs(); }
  void SleepMs(std::int64_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<std::int64_t>(1, ms / 50)));
  }
};

// Pauses that last until the test opens the gate.
class GateClock final : public tolva::Clock {
 public:
  std::int64_t NowMs() const override { return tolva::SystemClock().NowMs(); }
  void SleepMs(std::int64_t) override {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [this] { return open_; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

// What the host wrote, as "cmd:sub:first payload byte" in hex, in order.
struct WriteLog {
  std::mutex mutex;
  std::vector<std::string> writes;
  std::vector<std::string> Take() {
    std::lock_guard lock(mutex);
    return std::exchange(writes, {});
  }
};

class LoggingTransport final : public tolva::testing::ForwardingTransport {
 public:
  LoggingTransport(std::unique_ptr<tolva::device::Transport> inner, std::shared_ptr<WriteLog> log)
      : ForwardingTransport(std::move(inner)), log_(std::move(log)) {}
  int Write(std::span<const std::uint8_t> report) override {
    {
      std::lock_guard lock(log_->mutex);
      log_->writes.push_back(QString::asprintf("%x:%x:%x", report[4], report[5], report[7])
                                 .toStdString());
    }
    return inner().Write(report);
  }

 private:
  std::shared_ptr<WriteLog> log_;
};

class AutoCalWindow : public tolva::testing::MainWindowOnUnit {
 protected:
  // The transport is made once the fixture is whole.
  AutoCalWindow()
      : MainWindowOnUnit({.wrap = [this](std::unique_ptr<tolva::device::Transport> inner) {
          return std::make_unique<LoggingTransport>(std::move(inner), log_);
        }}) {}
  QString Tips(CAutoCalWnd& w) { return w.findChild<QLabel*>(QStringLiteral("tips"))->text(); }
  QString Text(const char* key) { return tolva::kit::Resolve(QString::fromLatin1(key)); }
  void Click(CAutoCalWnd& w, const char* name) {
    QTest::mouseClick(w.findChild<QWidget*>(QString::fromLatin1(name)), Qt::LeftButton);
  }

  // Answers the next message window with result, as the user would.
  void AnswerNextMessage(int result) {
    QTimer::singleShot(100, [result] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w);
            dialog && dialog->isVisible() && dialog->objectName() == "msgwnd") {
          dialog->done(result);
        }
      }
    });
  }
  bool IsEnabled(CAutoCalWnd& w, const char* name) {
    return w.findChild<QWidget*>(QString::fromLatin1(name))->isEnabled();
  }

  std::shared_ptr<WriteLog> log_ = std::make_shared<WriteLog>();
  QuickClock clock_;
};

TEST_F(AutoCalWindow, AResultKeptOnClosingReachesTheUnitBeforeItIsReadAgain) {
  CAutoCalWnd window(&Main(), Manager(), clock_);
  window.show();
  // Factory roles: outputs 4 and 5 are subwoofers and are not measured.
  auto* sub = window.findChild<CSButtonUI*>(QStringLiteral("ch_checkbox_4"));
  EXPECT_FALSE(sub->isEnabled());
  EXPECT_FALSE(sub->isChecked());
  EXPECT_FALSE(sub->toolTip().isEmpty());

  Click(window, "start_auto_cal");
  EXPECT_TRUE(window.Calibration().IsRunning());
  EXPECT_FALSE(IsEnabled(window, "closebtn"));
  EXPECT_FALSE(IsEnabled(window, "irc_save_data")) << "Apply during a run";
  EXPECT_FALSE(IsEnabled(window, "irc_cancel_data")) << "Discard during a run";
  ASSERT_TRUE(WaitFor([&] { return window.Calibration().IsCompleted(); }, 30000));
  EXPECT_EQ(Tips(window), Text("${irc_completed}"));
  EXPECT_EQ(window.Calibration().channel_mask(), 0x0F);
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(window, "start_auto_cal"); }));
  EXPECT_FALSE(window.Calibration().IsRunning());
  EXPECT_TRUE(IsEnabled(window, "irc_save_data"));
  EXPECT_TRUE(IsEnabled(window, "irc_cancel_data"));

  AnswerNextMessage(tolva::kit::kResultConfirm);  // "${irc_apply_tips}": keep it
  Click(window, "closebtn");
  ASSERT_EQ(window.result(), 1);
  EXPECT_TRUE(window.Result().apply_owed);
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[0].bands[3].gain_tenths, 180);  // not yet

  // What the menu does with the result: the apply, then disconnect and connect.
  log_->Take();
  tolva::model::EqualizerManager& manager = Manager();
  manager.ReadAgainAfterRoomCorrection(window.Result());
  std::vector<std::string> writes;
  const auto index_of = [&writes](const std::string& w) {
    return std::find(writes.begin(), writes.end(), w) - writes.begin();
  };
  ASSERT_TRUE(WaitFor([&] {
    for (auto& w : log_->Take()) writes.push_back(w);
    return index_of("3:1f:1") < static_cast<long>(writes.size()) &&
           manager.State() == ConnectState::kConnected && !manager.IsReading();
  }));
  // IRC_Ctrl 2 (apply) went out and was answered before PC_Connect 0 closed the link.
  EXPECT_LT(index_of("1:13:2"), index_of("3:1f:0"));
  EXPECT_LT(index_of("3:1f:0"), index_of("3:1f:1"));
  const int applied = unit_->Snapshot().scenes[0].outputs[0].bands[3].gain_tenths;
  EXPECT_NE(applied, 180);
  // The read after the reconnect brought the corrected band.
  EXPECT_NEAR(manager.LiveProfile().channels[0].eqArray[3].eqGain, applied / 10.0 - 18.0, 1e-4);
}

TEST_F(AutoCalWindow, WhileAStoppedRunWindsDownStartStaysOffAndCloseStillCloses) {
  GateClock gate;
  CAutoCalWnd window(&Main(), Manager(), gate);
  window.show();
  Click(window, "start_auto_cal");  // the worker now waits in its first pause
  Click(window, "start_auto_cal");  // stop
  EXPECT_EQ(Tips(window), Text("${irc_stoped}"));
  EXPECT_FALSE(IsEnabled(window, "start_auto_cal"));
  EXPECT_TRUE(IsEnabled(window, "closebtn"));
  Click(window, "closebtn");
  EXPECT_TRUE(window.isVisible());  // closes once the worker has sent the stop and ended
  gate.Open();
  ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(window.result(), 0);
  EXPECT_FALSE(window.Calibration().IsRunning());
  EXPECT_FALSE(unit_->WithUnit(
      [](tolva::emulator::EmulatedUnit& u) { return u.room_correction().running(); }));
}

TEST_F(AutoCalWindow, UnpluggingTheUnitClosesTheWindowAndEndsTheRun) {
  GateClock gate;
  CAutoCalWnd window(&Main(), Manager(), gate);
  window.show();
  Click(window, "start_auto_cal");
  Manager().DevicePlugOut();
  gate.Open();
  ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }));
  EXPECT_EQ(window.result(), 0);
  EXPECT_FALSE(window.Calibration().IsRunning());
}

TEST_F(AutoCalWindow, WithoutACorrectionNothingStartsAndSaveWaitsForARun) {
  CAutoCalWnd window(&Main(), Manager(), clock_);
  window.show();
  EXPECT_FALSE(IsEnabled(window, "irc_save_data")) << "nothing to apply before a run";
  EXPECT_FALSE(IsEnabled(window, "irc_cancel_data"));
  for (const char* option : {"irc_eq", "irc_delay", "irc_phase"}) Click(window, option);
  EXPECT_EQ(window.Calibration().modules(), 0);
  // The warning is a modal message with one button.
  QTimer::singleShot(100, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w);
          dialog && dialog->isVisible() && dialog->objectName() == "msgwnd") {
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("cancel_btn"))->isVisible());
        dialog->done(1);
      }
    }
  });
  Click(window, "start_auto_cal");
  EXPECT_FALSE(window.Calibration().IsRunning());
  Click(window, "closebtn");
  EXPECT_EQ(window.result(), 0);
}

// Cancel on "Apply the results?" is a third answer: the window stays, the result undecided and
// untouched on the unit; Discard then cancels it there. The legend names each output drawn.
TEST_F(AutoCalWindow, CancellingTheApplyQuestionKeepsTheResultAndTheLegendNamesTheCurves) {
  CAutoCalWnd window(&Main(), Manager(), clock_);
  window.show();
  auto* graph = window.findChild<UIEqualizerAc*>(QStringLiteral("equalizer_ac"));
  Click(window, "start_auto_cal");
  ASSERT_TRUE(WaitFor([&] { return window.Calibration().IsCompleted(); }, 30000));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(window, "start_auto_cal"); }));
  EXPECT_EQ(graph->LegendOutputs(), (std::vector<int>{0, 1, 2, 3})) << "the subwoofers are not measured";
  log_->Take();

  int buttons = 0;
  QTimer::singleShot(100, [&buttons] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w);
          dialog && dialog->isVisible() && dialog->objectName() == "msgwnd") {
        for (const char* b : {"confirm_btn", "cancel_btn", "third_btn"})
          buttons += dialog->findChild<QWidget*>(QString::fromLatin1(b))->isVisible() ? 1 : 0;
        dialog->done(tolva::kit::kResultCancel);
      }
    }
  });
  Click(window, "closebtn");
  EXPECT_EQ(buttons, 3) << "apply, cancel and discard";
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.Calibration().IsDecided());
  QTest::qWait(200);
  const auto after_cancel = log_->Take();
  EXPECT_EQ(std::count(after_cancel.begin(), after_cancel.end(), "1:13:3"), 0)
      << "the unit was told to discard";
  EXPECT_TRUE(IsEnabled(window, "irc_save_data"));

  AnswerNextMessage(tolva::kit::kResultThird);  // Discard
  Click(window, "closebtn");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), 0);
  EXPECT_FALSE(window.Result().apply_owed);
  std::vector<std::string> writes;
  ASSERT_TRUE(WaitFor([&] {
    for (auto& w : log_->Take()) writes.push_back(w);
    return std::count(writes.begin(), writes.end(), "1:13:3") == 1;
  }));
}

}  // namespace
