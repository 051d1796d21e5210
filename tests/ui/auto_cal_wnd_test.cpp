// The auto-calibration window on real widgets against the in-process unit: a run to its end,
// applying its result, and the outputs it leaves out.
#include "ui/auto_cal_wnd.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/dsp_link.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/equalizer_manager.h"
#include "support/qt_wait.h"
#include "ui/controls/ui_equalizer_ac.h"
#include "ui/kit/qt_text.h"
#include "ui/kit/sbutton.h"
#include "ui/main_wnd.h"
#include "ui/manager_binding.h"

namespace {

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

class AutoCalWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    binding_ = std::make_unique<tolva::ui::ManagerBinding>(
        main_, tolva::emulator::MakeEmulatorTransportFactory(unit_));
    binding_->Start();
    ASSERT_TRUE(WaitFor([&] { return binding_->Manager().State() == ConnectState::kConnected; }));
  }
  void TearDown() override { binding_.reset(); }
  QString Tips(CAutoCalWnd& w) { return w.findChild<QLabel*>(QStringLiteral("tips"))->text(); }
  QString Text(const char* key) { return tolva::kit::Resolve(QString::fromLatin1(key)); }
  void Click(CAutoCalWnd& w, const char* name) {
    QTest::mouseClick(w.findChild<QWidget*>(QString::fromLatin1(name)), Qt::LeftButton);
  }

  std::shared_ptr<tolva::emulator::EmulatedDevice> unit_ =
      std::make_shared<tolva::emulator::EmulatedDevice>();
  CMainWnd main_;
  std::unique_ptr<tolva::ui::ManagerBinding> binding_;
  QuickClock clock_;
};

TEST_F(AutoCalWindow, ARunEndsCompletedAndItsResultIsApplied) {
  CAutoCalWnd window(&main_, binding_->Manager(), clock_);
  window.show();
  // Factory roles: outputs 4 and 5 are subwoofers and are not measured.
  auto* sub = window.findChild<CSButtonUI*>(QStringLiteral("ch_checkbox_4"));
  EXPECT_FALSE(sub->isEnabled());
  EXPECT_FALSE(sub->isChecked());
  EXPECT_FALSE(sub->toolTip().isEmpty());
  EXPECT_TRUE(window.findChild<CSButtonUI*>(QStringLiteral("ch_checkbox_0"))->isChecked());

  Click(window, "start_auto_cal");
  EXPECT_TRUE(window.Calibration().IsRunning());
  EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("closebtn"))->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return window.Calibration().IsCompleted(); }, 30000));
  EXPECT_EQ(Tips(window), Text("${irc_completed}"));
  EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("closebtn"))->isEnabled());
  EXPECT_EQ(window.Calibration().channel_mask(), 0x0F);
  EXPECT_TRUE(WaitFor([&] { return !window.Calibration().IsRunning(); }));

  Click(window, "irc_save_data");
  EXPECT_EQ(Tips(window), Text("${irc_applyed}"));
  ASSERT_TRUE(binding_->Manager().Link().WaitUntilQueueIdle(5000));
  EXPECT_NE(unit_->Snapshot().scenes[0].outputs[0].bands[3].gain_tenths, 180);
  Click(window, "closebtn");
  EXPECT_EQ(window.result(), 1);
}

TEST_F(AutoCalWindow, WithoutACorrectionNothingStartsAndSaveWaitsForARun) {
  CAutoCalWnd window(&main_, binding_->Manager(), clock_);
  window.show();
  Click(window, "irc_save_data");
  EXPECT_EQ(Tips(window), Text("${irc_start_tips}"));
  for (const char* option : {"irc_eq", "irc_delay", "irc_phase"}) Click(window, option);
  EXPECT_EQ(window.Calibration().modules(), 0);
  // The warning is a modal message; answer it as the user would.
  QTimer::singleShot(100, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(w);
          dialog && dialog->isVisible() && dialog->objectName() == "msgwnd") {
        dialog->done(1);
      }
    }
  });
  Click(window, "start_auto_cal");
  EXPECT_FALSE(window.Calibration().IsRunning());
  Click(window, "closebtn");
  EXPECT_EQ(window.result(), 0);
}

}  // namespace
