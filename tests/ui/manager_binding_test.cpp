// The main window against the in-process emulated unit: the connect read reaches the screen.
#include "ui/manager_binding.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "emulator/device_selection.h"
#include "model/equalizer_manager.h"
#include "support/qt_wait.h"
#include "ui/kit/control_surface.h"
#include "ui/main_wnd.h"

namespace {

using tolva::model::ConnectState;
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

}  // namespace
