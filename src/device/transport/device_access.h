#pragma once

#include <optional>
#include <string>
#include <vector>

// Why the unit can or cannot be opened on this machine: on the USB bus or not, its hidraw node
// openable by this user or not, the udev rule installed or not, and what hidapi said. Reads
// sysfs and /dev only; the roots are parameters so that tests can lay out their own tree.
namespace tolva::device {

struct AccessRoots {
  std::string sysfs = "/sys";
  std::string dev = "/dev";
  std::vector<std::string> rule_folders{"/etc/udev/rules.d", "/run/udev/rules.d",
                                        "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
};

enum class AccessCase {
  kNotPresent,    // no unit on the bus
  kNoPermission,  // plugged in, its node cannot be opened by this user
  kNoNode,        // plugged in, no hidraw node (driver not bound)
  kOpenable,      // plugged in and openable
};

struct AccessReport {
  bool unit_present = false;
  std::optional<bool> can_open;     // nullopt: no hidraw node to try
  std::vector<std::string> nodes;   // "/dev/hidraw3"
  bool udev_rule_installed = false;
  std::string rule_file;            // the rule that matches the unit, when installed
  std::string hidapi_error;         // filled by the caller, which may open the unit
  AccessCase Case() const;
};

AccessReport DiagnoseAccess(const AccessRoots& roots = {});

// What to do, in words and the exact commands; English, for the command line and the log.
std::string AccessAdvice(const AccessReport& report);

// The udev rule's one line, as packaging/60-tolva-dsp.rules has it.
inline constexpr const char* kUdevRuleLine =
    "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", "
    "ATTRS{idProduct}==\"5750\", TAG+=\"uaccess\"";

}  // namespace tolva::device
