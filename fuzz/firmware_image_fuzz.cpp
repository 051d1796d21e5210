// Firmware image files on their way to the unit. The first input byte picks the file name (DSP
// flash, MCU firmware or boot loader), the rest is the file. The property: every file is either
// accepted with each check true (size, model byte, checksum, kind), or refused before a single
// frame reaches the unit.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/protocol/firmware_image.h"
#include "device/link/firmware_upgrade.h"

namespace {

using namespace tolva;
using namespace tolva::device;

void Require(bool condition) {
  if (!condition) std::abort();
}

// An open unit that never answers; it counts the frames written to it.
class SilentUnit final : public Transport {
 public:
  explicit SilentUnit(int& writes) : writes_(writes) {}
  bool Open(std::uint16_t, std::uint16_t) override { return true; }
  bool IsOpen() const override { return true; }
  std::optional<std::wstring> ManufacturerString() override { return L""; }
  std::optional<std::wstring> ProductString() override { return L""; }
  std::optional<std::wstring> SerialNumberString() override { return L""; }
  std::optional<std::wstring> IndexedString(int) override { return L""; }
  int SetNonBlocking(bool) override { return 0; }
  int Write(std::span<const std::uint8_t> report) override {
    ++writes_;
    return static_cast<int>(report.size());
  }
  int ReadTimeout(std::span<std::uint8_t>, int) override { return 0; }
  std::wstring LastError() override { return L""; }
  void Close() override {}

 private:
  int& writes_;
};

std::uint32_t BigEndian32(std::span<const std::uint8_t> b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// The checks written out again, independently of the parser.
bool PassesEveryCheck(std::span<const std::uint8_t> file, UpgradeTarget target) {
  if (file.size() <= kImageOverheadBytes || file.size() > kMaxImageFileBytes) return false;
  if (file[1] != DspLink::kExpectedModel) return false;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 4 < file.size(); ++i) sum += file[i];
  if (sum != BigEndian32(file.last(4))) return false;
  return target == UpgradeTarget::kDspFlash || file[0] == 1;
}

struct Harness {
  FakeClock clock;
  int writes = 0;
  DspLink link{[this] { return std::make_unique<SilentUnit>(writes); }, clock};
  FirmwareUpgrade upgrade{link, clock};
  std::string folder = "/tmp/tolva_fw_fuzz_" + std::to_string(::getpid());
  Harness() {
    link.OpenHIDDevice();
    std::filesystem::create_directories(folder);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness h;
  if (size == 0) return 0;
  static const char* const kNames[] = {"TOLVA_ZQ5512_FLASH_UPG.bin", "TOLVA_ZQ5512_MCU_UPG.bin",
                                       "TOLVA_BL_UPG.BIN"};
  const std::string path = h.folder + "/" + kNames[data[0] % 3];
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  const UpgradeTarget target = TargetOfFileName(path);

  UpgradeImage image;
  const ImageCheck check = ParseUpgradeImage(file, target, DspLink::kExpectedModel, image);
  const bool valid = PassesEveryCheck(file, target);
  Require((check == ImageCheck::kOk) == valid);
  if (valid) {
    Require(image.data.size() == file.size() - kImageOverheadBytes);
    Require(image.stored_checksum == image.computed_checksum);
  }

  h.writes = 0;
  const int started = h.upgrade.UpgradeStart(path);
  if (!valid) {
    Require(started == FirmwareUpgrade::kInvalidFile);
    Require(h.writes == 0);
  } else {
    // A silent unit never enters upgrade mode, but the file got as far as asking it to.
    Require(started == FirmwareUpgrade::kRefused);
    Require(h.writes >= 1);
  }
  Require(h.link.UpgradeState() == UPG_IDLE);
  return 0;
}
