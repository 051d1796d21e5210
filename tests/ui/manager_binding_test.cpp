// The main window against the in-process emulated unit: the connect read reaches the screen.
#include "ui/screen/manager_binding.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "emulator/device_factory.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "model/files/profile_files.h"
#include "support/dialog_answer.h"
#include "support/qt_wait.h"
#include "support/tips_box_answerer.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/main/main_wnd.h"
#include "ui/windows/update_fw_wnd.h"

namespace {

using tolva::model::ConnectState;
using tolva::testing::DialogAnswer;
using tolva::testing::TipsBoxAnswerer;
using tolva::testing::WaitFor;

TEST(ManagerBinding, ConnectsAndShowsTheUnitThenTogglesOffFromTheButton) {
  CMainWnd window;
  auto selection = tolva::emulator::SelectDevice(std::string("emulator"));
  ASSERT_TRUE(selection.factory) << selection.error;
  {
    tolva::ui::ManagerBinding binding(window, selection.factory);
    binding.Start();
    ASSERT_TRUE(WaitFor([&] { return binding.Manager().State() == ConnectState::kConnected; }));

    tolva::kit::ControlSurface& surface = window.Surface();
    ASSERT_NE(surface.FindButton("btnConnect"), nullptr);
    EXPECT_EQ(surface.FindButton("btnConnect")->RawText(), "${btn_connected}");
    EXPECT_TRUE(surface.FindButton("btnConnect")->IsSelected());
    // The screen shows the live profile the read filled.
    const auto& live = binding.Manager().LiveProfile();
    ASSERT_NE(surface.FindSlider("slider_main_volume"), nullptr);
    EXPECT_EQ(surface.FindSlider("slider_main_volume")->Value(), static_cast<int>(live.mainVolume));
    EXPECT_EQ(binding.Manager().Link().Model(), 19);

    // Clicking the connect button while connected disconnects.
    QWidget* button = window.findChild<QWidget*>(QStringLiteral("btnConnect"));
    ASSERT_NE(button, nullptr);
    window.show();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return binding.Manager().State() == ConnectState::kDisconnected; }));
    EXPECT_EQ(surface.FindButton("btnConnect")->RawText(), "${btn_disconnected}");
    EXPECT_FALSE(binding.Manager().Link().IsDeviceOpen());
  }
}

std::shared_ptr<tolva::emulator::EmulatedDevice> UnitWith(tolva::emulator::Faults faults) {
  tolva::emulator::EmulatorOptions options;
  options.faults = faults;
  return std::make_shared<tolva::emulator::EmulatedDevice>(options);
}

TEST(ManagerBinding, UnplugNoticeLeavesTheWindowRunningAndReplugReadsAgain) {
  CMainWnd window;
  auto unit = UnitWith({});
  tolva::ui::ManagerBinding binding(window, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  ASSERT_TRUE(WaitFor([&] { return binding.Manager().State() == ConnectState::kConnected; }));

  TipsBoxAnswerer answerer;  // a modal notice would be answered too, and caught below
  binding.Manager().DevicePlugOut();
  EXPECT_EQ(binding.Manager().State(), ConnectState::kDisconnected);
  EXPECT_EQ(window.Surface().FindButton("btnConnect")->RawText(), "${btn_disconnected}");
  ASSERT_TRUE(WaitFor([&] { return !answerer.texts.empty(); }));
  EXPECT_EQ(answerer.texts.front(), tolva::kit::Resolve(QStringLiteral("${device_plugout}")));
  EXPECT_FALSE(answerer.modal.front());

  binding.Manager().DevicePlugin();
  ASSERT_TRUE(WaitFor([&] { return binding.Manager().State() == ConnectState::kConnected; }));
  EXPECT_EQ(answerer.texts.size(), 1u);
}

TEST(ManagerBinding, AnotherModelIsNamedThenDisconnected) {
  CMainWnd window;
  tolva::emulator::Faults faults;
  faults.model = 12;
  auto unit = UnitWith(faults);
  TipsBoxAnswerer answerer;
  tolva::ui::ManagerBinding binding(window, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  ASSERT_TRUE(WaitFor([&] {
    return !binding.Manager().IsReading() && !binding.Manager().Link().IsDeviceOpen() &&
           !answerer.texts.empty();
  }));
  QCoreApplication::processEvents();
  EXPECT_EQ(binding.Manager().State(), ConnectState::kDisconnected);
  EXPECT_EQ(window.Surface().FindButton("btnConnect")->RawText(), "${btn_disconnected}");
  ASSERT_EQ(answerer.texts.size(), 1u);
  EXPECT_EQ(answerer.texts.front(),
            tolva::kit::Resolve(QStringLiteral("${device_not_match}")) + QStringLiteral(" 12"));
}

TEST(ManagerBinding, AbnormalHandshakeIsToldAndNeverConnects) {
  CMainWnd window;
  tolva::emulator::Faults faults;
  faults.abnormal_handshake = true;
  auto unit = UnitWith(faults);
  TipsBoxAnswerer answerer;
  // Then the update window opens for a recovery; the user closes it.
  bool update_window_seen = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* update = qobject_cast<CUpdateFwWnd*>(w); update && update->isVisible()) {
        update_window_seen = true;
        update->CloseUnlessUpdating();
      }
    }
  });
  closer.start(20);
  tolva::ui::ManagerBinding binding(window, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  ASSERT_TRUE(WaitFor([&] { return !binding.Manager().IsReading() && update_window_seen; }));
  EXPECT_EQ(answerer.texts.front(),
            tolva::kit::Resolve(QStringLiteral("${device_status_unnormal}")));
  EXPECT_NE(binding.Manager().State(), ConnectState::kConnected);
  EXPECT_FALSE(binding.Manager().Link().IsCommandQueueEnabled());
}

TEST(ManagerBinding, AProfileFileFromTheCommandLineIsSentOnceTheReadIsOver) {
  CMainWnd window;
  auto unit = UnitWith({});
  // Unique per process: suites of other worktrees may run at the same time.
  const std::string path = testing::TempDir() + "start_" + std::to_string(::getpid()) + ".spf";
  tolva::model::Profile profile;
  profile.channels[3].delay = 4.5f;
  ASSERT_TRUE(tolva::model::WriteSceneProfile(profile, path));
  tolva::ui::ManagerBinding binding(window, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  binding.OpenProfileFileWhenReady(path);
  ASSERT_TRUE(WaitFor([&] { return unit->Snapshot().scenes[0].outputs[3].delay_us == 4500; }));
  EXPECT_EQ(binding.Manager().State(), ConnectState::kConnected);
  EXPECT_FLOAT_EQ(binding.Manager().LiveProfile().channels[3].delay, 4.5f);
  // The operation's end is handled after its screen refresh; the busy window may not even
  // have opened when the unit already holds the value.
  ASSERT_TRUE(WaitFor([&] { return !binding.Manager().UnitOperationRunning(); }));
  ASSERT_TRUE(WaitFor([&] { return !window.IsBusyWindowOpen(); }));
  EXPECT_EQ(window.Surface().FindEdit("edit_ch_delay_3")->RawText(), "4.500");
  std::remove(path.c_str());
}

// A profile file between the unit's steps (Q 1.47, -3.44 dB, 1.2346 ms, an odd Linkwitz-Riley
// order) is held at the nearest steps, as sent: the boxes, the live settings, the unit and the
// file saved again all say Q 1.5, -3.4 dB, 1.235 ms and the order it plays; that file, on the
// steps now, saves again byte for byte.
TEST(ManagerBinding, AProfileBetweenTheUnitsStepsIsHeldAsTheUnitHoldsIt) {
  namespace model = tolva::model;
  CMainWnd window;
  auto unit = UnitWith({});
  const std::string stem = testing::TempDir() + "steps_" + std::to_string(::getpid());
  model::Profile file;
  model::ChannelSettings& ch = file.channels[0];
  ch.eqArray[4] = {-3.44f, 1.47f, 1000, 1};
  ch.bypass = 0;
  ch.delay = 1.2346f;
  ch.crossover = model::MakeCrossover(model::FilterSettings::Make(80, model::kLinkwitzRiley, 3),
                                      ch.crossover.lp);
  ASSERT_TRUE(model::WriteSceneProfile(file, stem + ".spf"));
  tolva::ui::ManagerBinding binding(window, tolva::emulator::MakeEmulatorTransportFactory(unit));
  binding.Start();
  binding.OpenProfileFileWhenReady(stem + ".spf");
  ASSERT_TRUE(WaitFor([&] { return unit->Snapshot().scenes[0].outputs[0].delay_us == 1235; }));
  ASSERT_TRUE(WaitFor([&] { return !binding.Manager().UnitOperationRunning(); }));
  ASSERT_TRUE(WaitFor([&] { return !window.IsBusyWindowOpen(); }));

  const auto held = unit->Snapshot().scenes[0].outputs[0];
  EXPECT_EQ(held.bands[4].q_hundredths, 150);
  EXPECT_EQ(held.bands[4].gain_tenths, 146);  // -3.4 dB + 18
  EXPECT_EQ(held.hp.slope, 4);
  const model::ChannelSettings& live = binding.Manager().LiveProfile().channels[0];
  EXPECT_EQ(live.eqArray[4].eqFactor, 1.5f);
  EXPECT_EQ(live.eqArray[4].eqGain, -3.4f);
  EXPECT_EQ(live.delay, 1.235f);
  EXPECT_EQ(live.crossover.hp.slope, 4);
  tolva::kit::ControlSurface& surface = window.Surface();
  EXPECT_EQ(surface.FindEdit("eq_q_4")->RawText(), "1.50");
  EXPECT_EQ(surface.FindEdit("eq_gain_4")->RawText(), "-3.4");
  EXPECT_EQ(surface.FindEdit("edit_ch_delay_0")->RawText(), "1.235");
  EXPECT_EQ(surface.FindCombo("hp_slop")->CurSel(), 4);

  DialogAnswer ok({"confirm_btn"});
  binding.Manager().SaveSenceConfigToFile(stem + "_again.spf");
  EXPECT_TRUE(ok.Answered());
  const std::string again = model::ReadFileText(stem + "_again.spf").value_or("");
  EXPECT_NE(again.find("\"eqFactor\":1.5,\"eqGain\":-3.4000000953674316,"), std::string::npos);
  EXPECT_NE(again.find("\"delay\":1.2350000143051147,"), std::string::npos);
  EXPECT_NE(again.find("\"hp\":{\"fs\":80,\"type\":2,\"slope\":4,"), std::string::npos);
  model::Profile reread;
  ASSERT_EQ(model::ParseSceneProfile(again, reread), model::ProfileReadResult::kOk);
  EXPECT_EQ(model::SceneProfileText(reread), again);
  std::remove((stem + ".spf").c_str());
  std::remove((stem + "_again.spf").c_str());
}

}  // namespace
