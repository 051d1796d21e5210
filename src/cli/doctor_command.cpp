// doctor: why the unit can or cannot be opened, and what to do about it.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "base/window_lock.h"

#include "cli/commands.h"
#include "cli/json_text.h"
#include "device/transport/device_access.h"
#include "device/transport/device_selection.h"
#include "device/transport/hid_transport.h"
#include "device/transport/transport.h"

namespace tolva::cli {
namespace {

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (const wchar_t c : wide) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

// The report bridge: is PATH there, does something take a connection at it, and is the window
// the program that holds the unit.
int DoctorOfBridge(bool json, const std::string& path) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  const bool socket = exists && std::filesystem::is_socket(path, ec);
  const auto bridge = device::MakeTransportFactory(
      device::DeviceTarget{device::DeviceTarget::Kind::kSocket, path})();
  const bool opens = socket && bridge && bridge->Open(device::kUnitVendorId, device::kUnitProductId);
  if (bridge) bridge->Close();
  const qint64 window = RunningWindowProcess();
  std::string advice;
  if (!exists) {
    advice = "Nothing serves " + path + ": start the emulated unit, tolva-dsp-emulator --socket " +
             path + ", or choose another --device.";
  } else if (!socket) {
    advice = path + " is not a socket: the report bridge is a Unix-domain socket.";
  } else if (!opens) {
    advice = "Nothing accepts connections at " + path + ": the emulated unit that made it has gone.";
  } else if (window > 0) {
    advice = "The bridge answers, and tolva-dsp is running (process " + std::to_string(window) +
             "): while its window holds the unit, commands here are turned away. Close it first.";
  } else {
    advice = "The bridge answers: the unit can be used.";
  }
  if (json) {
    std::printf("{\"device\":%s,\"socket_exists\":%s,\"can_open\":%s,\"window_running\":%s,"
                "\"advice\":%s}\n",
                JsonString("socket:" + path).c_str(), socket ? "true" : "false",
                opens ? "true" : "false", window > 0 ? "true" : "false",
                JsonString(advice).c_str());
  } else {
    std::printf("device: socket:%s\n", path.c_str());
    std::printf("socket there: %s\n", YesNo(socket));
    std::printf("accepts a connection: %s\n", YesNo(opens));
    std::printf("tolva-dsp running: %s\n",
                window > 0 ? ("yes, process " + std::to_string(window)).c_str() : "no");
    std::printf("\n%s\n", advice.c_str());
  }
  return opens && window == 0 ? kExitOk : kExitNoUnit;
}

}  // namespace

int RunDoctor(bool json, const std::optional<std::string>& device_argument) {
  const auto target = device::ChooseDevice(device_argument);
  if (!target) {
    std::fprintf(stderr, "tolva-dsp-cli: unknown device: expected hid, emulator or socket:PATH\n");
    return kExitUsage;
  }
  if (target->kind == device::DeviceTarget::Kind::kSocket) return DoctorOfBridge(json, target->path);
  if (target->kind == device::DeviceTarget::Kind::kEmulator) {
    const char* advice = "The emulated unit runs inside the command; it can always be opened.";
    if (json) {
      std::printf("{\"device\":\"emulator\",\"can_open\":true,\"advice\":%s}\n",
                  JsonString(advice).c_str());
    } else {
      std::printf("device: emulator\n\n%s\n", advice);
    }
    return kExitOk;
  }
  device::AccessReport report = device::DiagnoseAccess();
  if (report.unit_present) {
    // hidapi's own word, from the very call the program makes to open the unit.
    const auto hid = device::MakeHidTransport();
    hid->Init();
    if (!hid->Open(device::kUnitVendorId, device::kUnitProductId)) {
      report.hidapi_error = Narrow(hid->LastError());
      if (report.hidapi_error.empty()) report.hidapi_error = "hid_open failed";
    }
    hid->Close();
  }
  const std::string advice = device::AccessAdvice(report);
  if (json) {
    const std::string can_open =
        report.can_open ? (*report.can_open ? "true" : "false") : std::string("null");
    std::printf(
        "{\"unit_present\":%s,\"can_open\":%s,\"udev_rule_installed\":%s,\"advice\":%s}\n",
        report.unit_present ? "true" : "false", can_open.c_str(),
        report.udev_rule_installed ? "true" : "false", JsonString(advice).c_str());
  } else {
    std::printf("unit on the USB bus (0483:5750): %s\n", YesNo(report.unit_present));
    for (const std::string& node : report.nodes) std::printf("hidraw device: %s\n", node.c_str());
    std::printf("can be opened by this user: %s\n",
                report.can_open ? YesNo(*report.can_open) : "no hidraw device to try");
    std::printf("udev rule installed: %s%s%s\n", YesNo(report.udev_rule_installed),
                report.rule_file.empty() ? "" : " ", report.rule_file.c_str());
    if (!report.hidapi_error.empty()) std::printf("hidapi: %s\n", report.hidapi_error.c_str());
    std::printf("\n%s\n", advice.c_str());
  }
  return report.Case() == device::AccessCase::kOpenable && report.hidapi_error.empty()
             ? kExitOk
             : kExitNoUnit;
}

}  // namespace tolva::cli
