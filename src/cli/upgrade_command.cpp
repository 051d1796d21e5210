// upgrade FILE: the firmware update window's transfer, with its progress on standard error.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "device/protocol/firmware_image.h"
#include "device/link/firmware_upgrade.h"

namespace tolva::cli {
namespace {

const char* CheckText(device::ImageCheck check) {
  switch (check) {
    case device::ImageCheck::kTooLarge:
      return "the file is larger than an upgrade image can be";
    case device::ImageCheck::kNoData:
      return "the file holds no image data";
    case device::ImageCheck::kWrongModel:
      return "the image is for another model of unit";
    case device::ImageCheck::kWrongKind:
      return "the image is of another kind than its file name says";
    case device::ImageCheck::kBadChecksum:
      return "the image's checksum is wrong (damaged file)";
    case device::ImageCheck::kOk:
      break;
  }
  return "";
}

// Every check the transfer makes, before the unit is touched.
bool CheckImage(const std::string& path) {
  const device::UpgradeTarget target = device::TargetOfFileName(path);
  if (target == device::UpgradeTarget::kNone) {
    std::fprintf(stderr,
                 "tolva-dsp-cli upgrade: the file name must end in MCU_UPG.BIN, FLASH_UPG.BIN or "
                 "BL_UPG.BIN; nothing was sent\n");
    return false;
  }
  std::error_code ec;
  std::ifstream in;
  if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    std::fprintf(stderr, "tolva-dsp-cli upgrade: cannot open %s; nothing was sent\n",
                 path.c_str());
    return false;
  }
  std::vector<std::uint8_t> file;
  file.reserve(device::kMaxImageFileBytes + 1);
  for (std::istreambuf_iterator<char> it(in), end;
       it != end && file.size() <= device::kMaxImageFileBytes; ++it) {
    file.push_back(static_cast<std::uint8_t>(*it));
  }
  device::UpgradeImage image;
  const device::ImageCheck check =
      device::ParseUpgradeImage(file, target, device::DspLink::kExpectedModel, image);
  if (check != device::ImageCheck::kOk) {
    std::fprintf(stderr, "tolva-dsp-cli upgrade: %s; nothing was sent\n", CheckText(check));
    return false;
  }
  return true;
}

const char* StartFailureText(int result) {
  switch (result) {
    case device::FirmwareUpgrade::kCannotOpen:
      return "the image file could not be read";
    case device::FirmwareUpgrade::kNotConnected:
      return "the unit was lost while it switched to its upgrade mode";
    case device::FirmwareUpgrade::kRefused:
      return "the unit refused to enter its upgrade mode";
    default:
      return "the image was refused";
  }
}

class Progress {
 public:
  Progress() : bar_(::isatty(STDERR_FILENO) == 1) {}
  void Show(int percent) {
    if (percent == last_) return;
    last_ = percent;
    if (!bar_) {
      std::fprintf(stderr, "%d%%\n", percent);
      return;
    }
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent);
  }
  void End() {
    if (bar_ && last_ >= 0) std::fputc('\n', stderr);
  }

 private:
  bool bar_;
  int last_ = -1;
};

}  // namespace

int RunUpgrade(const DeviceOptions& device, const std::string& path) {
  if (!CheckImage(path)) return kExitFailed;
  DeviceSession session(device.factory);
  const int connected = session.Connect();
  device::DspLink& link = session.Manager().Link();
  // A unit whose handshake is abnormal waits in its boot loader: that is what upgrades are for.
  if (connected == kExitOtherModel || !link.IsDeviceOpen()) {
    return connected != kExitOk ? connected : kExitNoUnit;
  }
  link.DisableCommandQueue();
  device::FirmwareUpgrade upgrade(link);
  const int started = upgrade.UpgradeStart(path);
  if (started != device::FirmwareUpgrade::kStarted) {
    std::fprintf(stderr, "tolva-dsp-cli upgrade: %s\n", StartFailureText(started));
    return kExitFailed;
  }
  Progress progress;
  std::uint8_t step = 0;
  while ((step = upgrade.UpgradeStep()) <= 100) progress.Show(step);
  progress.End();
  if (step != device::FirmwareUpgrade::kFinished) {
    // A unit that left the bus says so with its own exit code, as every other command does.
    const bool gone = !link.IsDeviceOpen() || link.LastReadFailed();
    std::fprintf(stderr, "tolva-dsp-cli upgrade: the upgrade failed%s\n",
                 gone ? ": the unit left the bus part-way" : "");
    return gone ? kExitNoUnit : kExitFailed;
  }
  std::fprintf(stderr, "The unit confirmed the upgrade.\n");
  return kExitOk;
}

}  // namespace tolva::cli
