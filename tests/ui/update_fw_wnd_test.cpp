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

#include <filesystem>
#include <fstream>
#include <numeric>

#include "base/clock.h"
#include "device/protocol/firmware_image.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "support/qt_wait.h"
#include "test_languages.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

namespace {

using tolva::kit::CCircleProgressUI;

namespace fs = std::filesystem;
using tolva::model::ConnectState;
using tolva::testing::WaitFor;

class UpdateWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tolva_upd_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    binding_ = std::make_unique<tolva::ui::ManagerBinding>(
        main_, tolva::emulator::MakeEmulatorTransportFactory(unit_));
    binding_->Start();
    ASSERT_TRUE(WaitFor([&] { return binding_->Manager().State() == ConnectState::kConnected; }));
  }
  void TearDown() override {
    binding_.reset();
    fs::remove_all(dir_);
  }
  QString Write(const char* name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return QString::fromStdString(path.string());
  }
  QString Tips(CUpdateFwWnd& window) {
    return window.findChild<QLabel*>(QStringLiteral("update_tips"))->text();
  }

  fs::path dir_;
  std::shared_ptr<tolva::emulator::EmulatedDevice> unit_ =
      std::make_shared<tolva::emulator::EmulatedDevice>();
  CMainWnd main_;
  std::unique_ptr<tolva::ui::ManagerBinding> binding_;
};

TEST_F(UpdateWindow, AnImageIsSentWithItsProgressAndTheControlsComeBack) {
  std::vector<std::uint8_t> data(200);
  std::iota(data.begin(), data.end(), 0);
  CUpdateFwWnd window(&main_, binding_->Manager());
  window.show();
  window.SetPath(
      Write("TOLVA_ZQ5512_BL_UPG.BIN", tolva::device::BuildUpgradeImage(1, 19, {}, data)));
  window.BeginUpdate();
  EXPECT_TRUE(window.IsUpdating());
  EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("update_btn"))->isEnabled());
  EXPECT_FALSE(binding_->Manager().Link().IsCommandQueueEnabled());
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
  CUpdateFwWnd window(&main_, binding_->Manager());
  window.show();
  window.SetPath(Write("OTHER_MCU_UPG.BIN", tolva::device::BuildUpgradeImage(
                                                1, 18, {}, std::vector<std::uint8_t>{1, 2, 3})));
  window.BeginUpdate();
  ASSERT_TRUE(WaitFor([&] { return !window.IsUpdating(); }));
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${load_fw_fail}")));
  EXPECT_EQ(binding_->Manager().Link().UpgradeState(), tolva::device::UPG_IDLE);
  EXPECT_EQ(
      unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) { return u.received_image().target; }),
      0);
  window.CloseUnlessUpdating();
  EXPECT_FALSE(window.isVisible());
}

TEST_F(UpdateWindow, AUnitLostWhileSwitchingToUpgradeModeIsToldAndShownDisconnected) {
  tolva::FakeClock switching;  // the 8 s and the reopening attempts pass at once
  CUpdateFwWnd window(&main_, binding_->Manager(), switching);
  window.show();
  window.SetPath(Write("LOST_MCU_UPG.BIN", tolva::device::BuildUpgradeImage(
                                               1, 19, {}, std::vector<std::uint8_t>(64, 7))));
  // The unit answers the enter command, then leaves the bus and never comes back.
  unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) {
    u.faults().unplug_after = u.reports_received() + 1;
  });
  window.BeginUpdate();
  ASSERT_TRUE(WaitFor([&] { return !window.IsUpdating(); }));
  EXPECT_EQ(Tips(window), tolva::kit::Resolve(QStringLiteral("${load_fw_unit_lost}")));
  EXPECT_FALSE(binding_->Manager().Link().IsDeviceOpen());
  EXPECT_EQ(binding_->Manager().State(), ConnectState::kDisconnected);
}

// The chooser names what it is for and the files the window asks for; cancelled, it is not
// asked again, and Update then says a file is missing rather than that one is invalid.
TEST_F(UpdateWindow, ACancelledFileDialogStaysCancelledAndUpdateAsksForAFile) {
  LanguageFile english("en");  // the question and the chooser in the words the user reads
  CUpdateFwWnd window(&main_, binding_->Manager());
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
  EXPECT_TRUE(binding_->Manager().Link().IsDeviceOpen());
  EXPECT_EQ(binding_->Manager().State(), ConnectState::kConnected) << "the unit never left";
}

}  // namespace
