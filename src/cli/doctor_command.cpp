// doctor: why the unit can or cannot be opened, and what to do about it.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "device/device_access.h"
#include "device/hid_transport.h"
#include "device/transport.h"

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

}  // namespace

int RunDoctor(bool json) {
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
