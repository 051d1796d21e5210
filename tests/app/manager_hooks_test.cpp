#include "app/manager_hooks.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "app/app_options.h"
#include "support/qt_wait.h"
#include "ui/main/main_wnd.h"

namespace tolva::app {
namespace {

// The window has no frame, so its title is never seen: the header itself says when no real
// unit is behind it.
TEST(ManagerHooks, TheHeaderSaysWhenTheUnitIsEmulated) {
  CMainWnd window;
  auto* kind = window.findChild<QLabel*>(QStringLiteral("unit_kind"));
  ASSERT_NE(kind, nullptr);
  EXPECT_FALSE(kind->isVisibleTo(&window));
  AppOptions options;
  options.device = *ParseDeviceChoice(QStringLiteral("emulator"));
  ConnectEqualizerManager(window, options);
  EXPECT_TRUE(kind->isVisibleTo(&window));
  EXPECT_FALSE(kind->text().isEmpty());
  EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral("emulated unit")));
  DisconnectEqualizerManager();
}

}  // namespace
}  // namespace tolva::app
