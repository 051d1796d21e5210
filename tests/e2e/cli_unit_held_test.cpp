// The unit while another program talks to it, and `doctor` asked about the report bridge: the
// CLI names the cause instead of "the unit left", and looks at the device it was given.
#include <cstdlib>
#include <optional>

#include "device/transport/device_selection.h"
#include "e2e/cli_process.h"

namespace tolva::e2e {
namespace {

class CliUnitHeld : public CliDevice {
 protected:
  // The bridge serves one host at a time; this one holds it as the window would.
  std::unique_ptr<device::Transport> Hold() {
    auto host = device::MakeTransportFactory(
        device::DeviceTarget{device::DeviceTarget::Kind::kSocket, socket_})();
    EXPECT_TRUE(host->Open(device::kUnitVendorId, device::kUnitProductId));
    return host;
  }
  // A runtime directory of the test's own, with or without the window's lock in it.
  void UseRuntimeDir(bool window_running) {
    const fs::path runtime = dir_ / "runtime";
    fs::create_directories(runtime);
    // As a login's runtime directory is: Qt takes no other for the window's lock.
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    fs::remove(runtime / "QUENDA4TO8_tolva dsp.lock");
    if (window_running) {
      // The lock as the window's QLockFile writes it: its process id first (this test's, alive).
      std::ofstream(runtime / "QUENDA4TO8_tolva dsp.lock")
          << ::getpid() << "\ntolva-dsp\n" << "host\n";
    }
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  void TearDown() override {
    if (saved_runtime_) {
      ::setenv("XDG_RUNTIME_DIR", saved_runtime_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
    CliDevice::TearDown();
  }

  std::optional<std::string> saved_runtime_ = [] {
    const char* v = std::getenv("XDG_RUNTIME_DIR");
    return v ? std::optional<std::string>(v) : std::nullopt;
  }();
};

TEST_F(CliUnitHeld, AUnitHeldByTheWindowIsSaidToBeHeldNotToHaveLeft) {
  EmulatorProcess unit(socket_, {});
  ASSERT_TRUE(unit.Serving());
  const auto window = Hold();

  UseRuntimeDir(true);
  CliRun r = Cli("read x.spf");
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("Another program holds the unit: tolva-dsp is running (process " +
                       std::to_string(::getpid()) + ")"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("left"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "x.spf"));

  UseRuntimeDir(false);  // some other program holds it
  r = Cli("info");
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("another program is probably using it"), std::string::npos) << r.err;
}

TEST_F(CliUnitHeld, DoctorLooksAtTheBridgeItWasGiven) {
  UseRuntimeDir(false);
  CliRun r = Cli("doctor");
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.out.find("device: socket:" + socket_), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("socket there: no"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("USB"), std::string::npos) << "reported on USB instead:\n" << r.out;

  EmulatorProcess unit(socket_, {});
  ASSERT_TRUE(unit.Serving());
  r = Cli("--json doctor");
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("\"can_open\":true"), std::string::npos) << r.out;

  UseRuntimeDir(true);
  r = Cli("doctor");
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.out.find("tolva-dsp running: yes"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace tolva::e2e
