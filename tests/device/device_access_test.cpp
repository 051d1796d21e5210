#include "device/transport/device_access.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tolva::device {
namespace {

namespace fs = std::filesystem;

// A sysfs, /dev and rules tree of the shapes the kernel and udev make.
class AccessTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tolva_access_" + std::to_string(::getpid()));
    fs::remove_all(root_);
    roots_.sysfs = (root_ / "sys").string();
    roots_.dev = (root_ / "dev").string();
    roots_.rule_folders = {(root_ / "etc/rules.d").string()};
    for (const char* d : {"sys/bus/usb/devices", "sys/class/hidraw", "dev", "etc/rules.d"}) {
      fs::create_directories(root_ / d);
    }
  }
  void TearDown() override { fs::remove_all(root_); }
  void PlugIn(bool with_node) {
    const fs::path usb = root_ / "sys/devices/usb1/1-2";
    fs::create_directories(usb / "1-2:1.0/0003:0483:5750.0004");
    std::ofstream(usb / "idVendor") << "0483\n";
    std::ofstream(usb / "idProduct") << "5750\n";
    fs::create_directory_symlink(usb, root_ / "sys/bus/usb/devices/1-2");
    if (!with_node) return;
    fs::create_directories(root_ / "sys/class/hidraw/hidraw3");
    fs::create_directory_symlink(usb / "1-2:1.0/0003:0483:5750.0004",
                                 root_ / "sys/class/hidraw/hidraw3/device");
    std::ofstream(root_ / "dev/hidraw3") << "";
  }

  fs::path root_;
  AccessRoots roots_;
};

TEST_F(AccessTree, TellsNotPluggedInFromNoPermissionAndGivesTheFix) {
  AccessReport r = DiagnoseAccess(roots_);
  EXPECT_EQ(r.Case(), AccessCase::kNotPresent);
  EXPECT_NE(AccessAdvice(r).find("No unit"), std::string::npos);

  PlugIn(false);
  EXPECT_EQ(DiagnoseAccess(roots_).Case(), AccessCase::kNoNode);

  fs::remove_all(root_ / "sys");
  fs::create_directories(root_ / "sys/bus/usb/devices");
  fs::create_directories(root_ / "sys/class/hidraw");
  PlugIn(true);
  r = DiagnoseAccess(roots_);
  ASSERT_EQ(r.nodes, std::vector<std::string>{(root_ / "dev/hidraw3").string()});
  EXPECT_EQ(DiagnoseAccess(roots_).Case(), AccessCase::kOpenable);

  EXPECT_FALSE(r.udev_rule_installed);
  // Opening as root always works; the permission case is the report of a plain user.
  r.can_open = false;
  EXPECT_EQ(r.Case(), AccessCase::kNoPermission);
  EXPECT_NE(AccessAdvice(r).find("may not open " + r.nodes.front()), std::string::npos);
  EXPECT_NE(AccessAdvice(r).find("sudo tee /etc/udev/rules.d/60-tolva-dsp.rules"),
            std::string::npos);
  std::ofstream(root_ / "etc/rules.d/60-tolva-dsp.rules") << kUdevRuleLine << "\n";
  std::ofstream(root_ / "etc/rules.d/99-other.rules") << "# nothing of ours\n";
  r = DiagnoseAccess(roots_);
  EXPECT_TRUE(r.udev_rule_installed);
  EXPECT_EQ(r.rule_file, (root_ / "etc/rules.d/60-tolva-dsp.rules").string());
  r.can_open = false;
  EXPECT_NE(AccessAdvice(r).find("udevadm trigger"), std::string::npos);
  EXPECT_EQ(AccessAdvice(r).find("sudo tee"), std::string::npos);
}

}  // namespace
}  // namespace tolva::device
