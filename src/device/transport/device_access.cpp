#include "device/transport/device_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tolva::device {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The HID devices the kernel made for the unit are named "0003:0483:5750.NNNN".
bool IsUnitHidName(const std::string& name) {
  return Lower(name).find(":0483:5750.") != std::string::npos;
}

bool UsbUnitPresent(const fs::path& sysfs) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysfs / "bus/usb/devices", ec)) {
    if (Lower(Trimmed(Slurp(entry.path() / "idVendor"))) == "0483" &&
        Lower(Trimmed(Slurp(entry.path() / "idProduct"))) == "5750") {
      return true;
    }
  }
  for (const auto& entry : fs::directory_iterator(sysfs / "bus/hid/devices", ec)) {
    if (IsUnitHidName(entry.path().filename().string())) return true;
  }
  return false;
}

std::vector<std::string> UnitNodes(const AccessRoots& roots) {
  std::vector<std::string> nodes;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(roots.sysfs) / "class/hidraw", ec)) {
    std::error_code link_ec;
    const fs::path device = fs::canonical(entry.path() / "device", link_ec);
    if (link_ec || !IsUnitHidName(device.filename().string())) continue;
    nodes.push_back((fs::path(roots.dev) / entry.path().filename()).string());
  }
  std::sort(nodes.begin(), nodes.end());
  return nodes;
}

std::string RuleFor(const AccessRoots& roots) {
  for (const std::string& folder : roots.rule_folders) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      if (entry.path().extension() != ".rules") continue;
      const std::string text = Lower(Slurp(entry.path()));
      if (text.find("0483") != std::string::npos && text.find("5750") != std::string::npos) {
        return entry.path().string();
      }
    }
  }
  return {};
}

const char* kInstallRule =
    "  echo '%RULE%' | sudo tee /etc/udev/rules.d/60-tolva-dsp.rules\n"
    "  sudo udevadm control --reload && sudo udevadm trigger\n";

std::string InstallCommands() {
  std::string text = kInstallRule;
  text.replace(text.find("%RULE%"), 6, kUdevRuleLine);
  return text;
}

}  // namespace

AccessCase AccessReport::Case() const {
  if (!unit_present) return AccessCase::kNotPresent;
  if (!can_open.has_value()) return AccessCase::kNoNode;
  return *can_open ? AccessCase::kOpenable : AccessCase::kNoPermission;
}

AccessReport DiagnoseAccess(const AccessRoots& roots) {
  AccessReport r;
  r.nodes = UnitNodes(roots);
  r.unit_present = !r.nodes.empty() || UsbUnitPresent(roots.sysfs);
  for (const std::string& node : r.nodes) {
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
    r.can_open = r.can_open.value_or(false) || fd >= 0;
  }
  r.rule_file = RuleFor(roots);
  r.udev_rule_installed = !r.rule_file.empty();
  return r;
}

std::string AccessAdvice(const AccessReport& r) {
  switch (r.Case()) {
    case AccessCase::kNotPresent:
      return "No unit (USB id 0483:5750) is plugged in. Check the USB cable and that the unit "
             "is powered, then run this again.";
    case AccessCase::kNoNode:
      return "The unit is on the USB bus but the kernel made no hidraw device for it. Unplug it "
             "and plug it in again; if that does not help, check that the hid_generic and hidraw "
             "kernel modules are loaded (lsmod | grep hid).";
    case AccessCase::kNoPermission:
      if (!r.udev_rule_installed) {
        return "The unit is plugged in but this user may not open " + r.nodes.front() +
               ". Install the udev rule:\n" + InstallCommands() +
               "then unplug the unit and plug it in again.";
      }
      return "The unit is plugged in but this user may not open " + r.nodes.front() +
             ", although the udev rule " + r.rule_file +
             " is installed. Reload the rules and unplug and plug in the unit:\n"
             "  sudo udevadm control --reload && sudo udevadm trigger\n"
             "The rule grants access to the user logged in at the seat; over ssh, run as that "
             "user or as root.";
    case AccessCase::kOpenable:
      break;
  }
  if (!r.hidapi_error.empty()) {
    return "The unit's device " + r.nodes.front() +
           " can be opened, but hidapi reports: " + r.hidapi_error +
           ". Another program may hold the unit; close it and try again.";
  }
  return "The unit is plugged in and can be opened.";
}

}  // namespace tolva::device
