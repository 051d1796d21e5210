#include "app/manager_hooks.h"

#include <cstdio>
#include <memory>

#include "app/app_options.h"
#include "app/plug_monitor.h"
#include "device/transport/device_access.h"
#include "device/transport/device_selection.h"
#include "emulator/device_factory.h"
#include "model/manager/equalizer_manager.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

namespace tolva::app {
namespace {

// The one manager of the process; it goes before the window does (the close hook).
std::unique_ptr<ui::ManagerBinding>& Binding() {
  static std::unique_ptr<ui::ManagerBinding> binding;
  return binding;
}

// The in-process unit, kept for the life of the binding so its presence outlives reconnects.
std::shared_ptr<emulator::EmulatedDevice>& EmulatedUnit() {
  static std::shared_ptr<emulator::EmulatedDevice> unit;
  return unit;
}

std::unique_ptr<PlugMonitor>& Monitor() {
  static std::unique_ptr<PlugMonitor> monitor;
  return monitor;
}

// A failed connect to the USB unit says which case it is and how to fix it.
std::string ConnectFailureText() {
  switch (device::DiagnoseAccess().Case()) {
    case device::AccessCase::kNotPresent:
      return "${device_not_plugged}";
    case device::AccessCase::kNoPermission:
      return "${device_no_permission}";
    default:
      return "${device_connect_fail}";
  }
}

}  // namespace

void ConnectEqualizerManager(CMainWnd& window, const AppOptions& options) {
  emulator::DeviceSelection selection = emulator::SelectDevice(options.device.text);
  if (!selection.factory) {
    std::fprintf(stderr, "tolva-dsp: %s\n", selection.error.c_str());
    return;
  }
  if (selection.is_emulated) {
    // Plainly say that no real unit is behind the window.
    window.setWindowTitle(window.windowTitle() + QStringLiteral(" \u2014 emulated unit"));
    if (QWidget* kind = window.findChild<QWidget*>(QStringLiteral("unit_kind"))) kind->show();
  }
  EmulatedUnit() = selection.emulated_unit;
  Binding() = std::make_unique<ui::ManagerBinding>(window, std::move(selection.factory));
  if (options.device.target.kind == device::DeviceTarget::Kind::kHid) {
    Binding()->Manager().SetConnectFailureMessage(ConnectFailureText);
  }
  Binding()->Start();
  if (!options.files.isEmpty())
    Binding()->OpenProfileFileWhenReady(options.files.front().toStdString());

  // Plug events reconnect and disconnect as the unit comes and goes; an open notice goes first.
  Monitor() = std::make_unique<PlugMonitor>(options.device.target, EmulatedUnit());
  Monitor()->on_arrival = [] {
    CMainWnd::CloseOpenTipsBoxes();
    if (Binding()) Binding()->Manager().DevicePlugin();
  };
  Monitor()->on_removal = [] {
    CMainWnd::CloseOpenTipsBoxes();
    if (Binding()) Binding()->Manager().DevicePlugOut();
  };
}

void DisconnectEqualizerManager() {
  Monitor().reset();
  Binding().reset();
  EmulatedUnit().reset();
}

}  // namespace tolva::app
