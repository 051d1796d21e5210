#pragma once

// The real main window bound to an in-process emulated unit, as the program joins them, and
// connected before each test.
#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "device/transport/transport.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "ui/kit/api/control_surface.h"
#include "support/qt_wait.h"
#include "support/recording_transport.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

namespace tolva::testing {

struct UnitWindowOptions {
  bool show = false;  // the main window shown before the unit is connected
  emulator::EmulatorOptions unit;
  bool record_frames = false;  // every frame that reaches the unit kept in frames_
  // Stands between the link and the unit, e.g. to watch what reaches it.
  std::function<std::unique_ptr<device::Transport>(std::unique_ptr<device::Transport>)> wrap;
};

class MainWindowOnUnit : public ::testing::Test {
 protected:
  MainWindowOnUnit() : MainWindowOnUnit(UnitWindowOptions{}) {}
  explicit MainWindowOnUnit(UnitWindowOptions options)
      : options_(std::move(options)),
        unit_(std::make_shared<emulator::EmulatedDevice>(options_.unit)) {}

  // The window is made here rather than with the fixture, so that what a test fixture holds
  // (its language above all) is in place before the window reads it.
  void SetUp() override {
    main_ = std::make_unique<CMainWnd>();
    if (options_.show) main_->show();
    device::TransportFactory factory = emulator::MakeEmulatorTransportFactory(unit_);
    if (options_.record_frames) {
      factory = [inner = std::move(factory), log = frames_] {
        return std::make_unique<model::testing::RecordingTransport>(inner(), log);
      };
    }
    if (options_.wrap) {
      factory = [inner = std::move(factory), wrap = options_.wrap] { return wrap(inner()); };
    }
    binding_ = std::make_unique<ui::ManagerBinding>(*main_, std::move(factory));
    binding_->Start();
    ASSERT_TRUE(Connected());
  }
  void TearDown() override {
    binding_.reset();
    main_.reset();
  }

  CMainWnd& Main() { return *main_; }
  kit::ControlSurface& Surface() { return main_->Surface(); }
  model::EqualizerManager& Manager() { return binding_->Manager(); }
  bool Connected(int limit_ms = 20000) {
    return WaitFor([&] { return Manager().State() == model::ConnectState::kConnected; }, limit_ms);
  }
  // Waits until the unit's memory answers done.
  bool UnitHolds(const std::function<bool(const emulator::UnitState&)>& done, int limit_ms = 5000) {
    return WaitFor([&] { return done(unit_->Snapshot()); }, limit_ms);
  }
  // The main window as the active one, as a desktop makes it on a click; false when it is not.
  bool Activate() {
    QApplication::setActiveWindow(main_.get());
    return QTest::qWaitForWindowActive(main_.get());
  }
  // The main window's widget of that name (a failure when there is none).
  template <class W>
  W* Widget(const char* name) {
    W* w = main_->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // A click on the main window's control of that name.
  void Click(const char* name) {
    if (auto* control = Widget<QWidget>(name)) QTest::mouseClick(control, Qt::LeftButton);
  }

 private:
  UnitWindowOptions options_;
  std::unique_ptr<CMainWnd> main_;

 protected:
  std::shared_ptr<emulator::EmulatedDevice> unit_;
  std::shared_ptr<model::testing::FrameLog> frames_ = std::make_shared<model::testing::FrameLog>();
  std::unique_ptr<ui::ManagerBinding> binding_;
};

}  // namespace tolva::testing
