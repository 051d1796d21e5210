#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include "device/transport/device_selection.h"
#include "manual/command_outline.h"

namespace tolva::app {

// Which unit the program talks to: the USB unit, the built-in emulated unit, or an emulated
// unit in another process over the report bridge at a socket path.
struct DeviceChoice {
  device::DeviceTarget target;
  std::string text = "hid";  // as given, for the transport factory
};

struct AppOptions {
  DeviceChoice device;
  // --screenshot: render the window to this PNG and exit, without touching the unit.
  QString screenshot_path;
  std::optional<bool> screenshot_chinese;  // --lang cn|en; otherwise config.ini decides
  std::optional<int> screenshot_scale;     // --scale PERCENT; otherwise the screen decides
  QStringList files;                       // profile files given to open (.spf, .wpf)
};

struct ParsedOptions {
  std::optional<AppOptions> options;  // none on error or when only text was asked for
  QString message;                    // the error, or the text asked for
  int exit_code = 0;                  // 2 on error, 0 for help or the version
};

// Reads a device choice: "hid", "emulator" or "socket:PATH" with a non-empty PATH.
std::optional<DeviceChoice> ParseDeviceChoice(const QString& text);

// `arguments` as QCoreApplication::arguments() gives them (program name first, Qt's own options
// removed); `environment_device` is TOLVA_DSP_DEVICE, used when --device is not given.
ParsedOptions ParseAppOptions(const QStringList& arguments, const QString& environment_device);

// The text --help, --version or --manual-page asks for, from argv before any Qt object exists:
// they need no display, so they answer on a server, in a build or over ssh. nullopt otherwise.
std::optional<QString> TextOnlyAnswer(int argc, char** argv);

// The options as ParseAppOptions takes them, for the manual page.
manual::CommandOutline AppOptionsOutline();

}  // namespace tolva::app
