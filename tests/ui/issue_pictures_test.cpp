// Pictures for the docs of two windows an installer found wanting, written when
// TOLVA_SCREENSHOT_DIR names a folder: the import warning at 200 % on the screen it opens on,
// and the auto-calibration window after a run. TOLVA_SHOT_TAG ends their names.
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/clock.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "support/qt_wait.h"
#include "test_languages.h"
#include "ui/windows/auto_cal_wnd.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"
#include "ui/windows/msg_wnd.h"

namespace {

using tolva::testing::WaitFor;
using tolva::ui::CMsgWnd;
using tolva::ui::ShowChoiceDialog;

class FastClock final : public tolva::Clock {
 public:
  std::int64_t NowMs() const override { return tolva::SystemClock().NowMs(); }
  void SleepMs(std::int64_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<std::int64_t>(1, ms / 50)));
  }
};

QString ShotPath(const char* name) {
  const QString tag = qEnvironmentVariable("TOLVA_SHOT_TAG", QStringLiteral("after"));
  return qEnvironmentVariable("TOLVA_SCREENSHOT_DIR") +
         QStringLiteral("/%1_%2.png").arg(QLatin1String(name), tag);
}

TEST(IssuePictures, ImportWarningOnItsScreenAndAutoCalibrationAfterARun) {
  if (qEnvironmentVariable("TOLVA_SCREENSHOT_DIR").isEmpty()) {
    GTEST_SKIP() << "TOLVA_SCREENSHOT_DIR not set";
  }
  LanguageFile english("en");
  auto unit = std::make_shared<tolva::emulator::EmulatedDevice>();
  CMainWnd main;
  main.show();
  tolva::ui::ManagerBinding binding(main, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  ASSERT_TRUE(WaitFor(
      [&] { return binding.Manager().State() == tolva::model::ConnectState::kConnected; }));

  // The screen as the user sees it: what of the dialog lies outside it is not there.
  main.SetDisplayScale(200);
  QString text = QStringLiteral("Import 31 filters onto output 1?\n");
  for (int i = 1; i <= 12; ++i) {
    text += QStringLiteral("\nFilter %1: peaking %2 Hz, Q 1.41 (taken as 1.4), -3.0 dB").arg(i).arg(20 * i * i);
  }
  text += QStringLiteral("\n… (19)");
  QTimer::singleShot(300, [&main] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<CMsgWnd*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      const QRect screen = main.screen()->geometry();
      QImage picture(screen.size(), QImage::Format_RGB32);
      picture.fill(QColor(0x30, 0x30, 0x38));
      QPainter painter(&picture);
      painter.drawPixmap(dialog->frameGeometry().topLeft() - screen.topLeft(), dialog->grab());
      painter.end();
      picture.save(ShotPath("import_warning_200"));
      dialog->done(0);
    }
  });
  ShowChoiceDialog(&main, QStringLiteral("${tips}"), text,
                   {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")});
  main.SetDisplayScale(100);

  FastClock clock;
  CAutoCalWnd window(&main, binding.Manager(), clock);
  window.show();
  QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("start_auto_cal")), Qt::LeftButton);
  QTest::qWait(300);
  window.grab().save(ShotPath("auto_cal_running"));
  ASSERT_TRUE(WaitFor([&] { return window.Calibration().IsCompleted(); }, 30000));
  ASSERT_TRUE(WaitFor([&] {
    return window.findChild<QWidget*>(QStringLiteral("start_auto_cal"))->isEnabled();
  }));
  window.grab().save(ShotPath("auto_cal_result"));
  window.hide();
}

}  // namespace
