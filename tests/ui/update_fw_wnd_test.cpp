// The firmware update window on real widgets against the in-process unit: a boot-loader image
// sent with its progress shown, a file the unit must never get, and a unit lost on the way.
#include "ui/windows/update_fw_wnd.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <numeric>

#include "base/clock.h"
#include "device/protocol/firmware_image.h"
#include "emulator/emulated_device.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/scratch_folder.h"
#include "test_languages.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/circle_progress.h"

namespace {

using tolva::kit::CCircleProgressUI;
using tolva::model::ConnectState;
using tolva::testing::WaitFor;

class UpdateWindow : public tolva::testing::MainWindowOnUnit {
 protected:
  QString Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    return QString::fromStdString(folder_.Write(name, bytes));
  }
  QString Tips(CUpdateFwWnd& window) {
    return window.findChild<QLabel*>(QStringLiteral("update_tips"))->text();
  }

  tolva::testing::ScratchFolder folder_{"tolva_upd"};
};

TEST_F(UpdateWindow, AnImageIsSentWithItsProgressAndTheControlsComeBack) {
  std::vector<std::uint8_t> data(200);
  std::iota(data.begin(), data.end(), 0);
  CUpdateFwWnd window(&Main(), Manager());
  window.show();
  window.SetPath(
      Write("TOLVA_ZQ5512_BL_UPG.BIN", tolva::device::BuildUpgradeImage(1, 19, {}, data)));
  window.BeginUpdate();
  EXPECT_TRUE(window.IsUpdating());
  EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("update_btn"))->isEnabled());
  EXPECT_FALSE(Manager().Link().IsCommandQueueEnabled());
  QMetaObject::invokeMethod(&window, "reject");  // Escape does nothing while it runs
  EXPECT_TRUE(window.isVisible());
  ASSERT_TRUE(WaitFor([&] { return !window.IsUpdating(); }));
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${update_ok}")));
  EXPECT_EQ(window.findChild<CCircleProgressUI*>(QStringLiteral("progress"))->Value(), 100);
  EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("update_btn"))->isEnabled());
  const auto got =
      unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) { return u.received_image(); });
  EXPECT_EQ(got.target, 3);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), got.data.begin()));
}

TEST_F(UpdateWindow, AFileForAnotherModelIsRefusedBeforeTheUnitHearsOfIt) {
  CUpdateFwWnd window(&Main(), Manager());
  window.show();
  window.SetPath(Write("OTHER_MCU_UPG.BIN", tolva::device::BuildUpgradeImage(
                                                1, 18, {}, std::vector<std::uint8_t>{1, 2, 3})));
  window.BeginUpdate();
  ASSERT_TRUE(WaitFor([&] { return !window.IsUpdating(); }));
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${load_fw_fail}")));
  EXPECT_EQ(Manager().Link().UpgradeState(), tolva::device::UPG_IDLE);
  EXPECT_EQ(
      unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) { return u.received_image().target; }),
      0);
  window.CloseUnlessUpdating();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(UpdateWindow, AUnitLostWhileSwitchingToUpgradeModeIsToldAndShownDisconnected) {
  tolva::FakeClock switching;  // the 8 s and the reopening attempts pass at once
  CUpdateFwWnd window(&Main(), Manager(), switching);
  window.show();
  window.SetPath(Write("LOST_MCU_UPG.BIN", tolva::device::BuildUpgradeImage(
                                               1, 19, {}, std::vector<std::uint8_t>(64, 7))));
  // The unit answers the enter command, then leaves the bus and never comes back.
  unit_->WithUnit(
      [](tolva::emulator::EmulatedUnit& u) { u.faults().unplug_after = u.reports_received() + 1; });
  window.BeginUpdate();
  ASSERT_TRUE(WaitFor([&] { return !window.IsUpdating(); }));
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${load_fw_unit_lost}")));
  EXPECT_FALSE(Manager().Link().IsDeviceOpen());
  EXPECT_EQ(Manager().State(), ConnectState::kDisconnected);
}

// The chooser names what it is for and the files the window asks for; cancelled, it is not
// asked again, and Update then says a file is missing rather than that one is invalid.
TEST_F(UpdateWindow, ACancelledFileDialogStaysCancelledAndUpdateAsksForAFile) {
  LanguageFile english("en");  // the question and the chooser in the words the user reads
  CUpdateFwWnd window(&Main(), Manager());
  window.show();
  int dialogs = 0;
  QString title;
  QStringList filters;
  QTimer canceller;  // the user cancels every file dialog that opens
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
        ++dialogs;
        title = d->windowTitle();
        filters = d->nameFilters();
        d->reject();
      }
    }
  });
  canceller.start(20);
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* path = window.findChild<QLineEdit*>(QStringLiteral("file_path_edt"));
  path->clearFocus();
  path->setFocus(Qt::MouseFocusReason);  // a click into the empty box asks for a file
  ASSERT_TRUE(WaitFor([&] { return dialogs == 1; }));
  // The focus coming back with the window from the cancelled dialog does not ask again.
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::qWait(200);
  EXPECT_EQ(QApplication::focusWidget(), path);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(path->text().isEmpty());
  EXPECT_EQ(title, tolva::kit::Resolve(QStringLiteral("${choose_update_file}")));
  ASSERT_FALSE(filters.isEmpty());
  for (const char* name : {"FLASH_UPG.BIN", "MCU_UPG.BIN", "BL_UPG.BIN"})
    EXPECT_TRUE(filters.front().contains(QLatin1String(name))) << filters.front().toStdString();

  QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("update_btn")), Qt::LeftButton);
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${update_no_file}")));
  EXPECT_FALSE(window.IsUpdating());
  EXPECT_TRUE(Manager().Link().IsDeviceOpen());
  EXPECT_EQ(Manager().State(), ConnectState::kConnected) << "the unit never left";
}

}  // namespace
