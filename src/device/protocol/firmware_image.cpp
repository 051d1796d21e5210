#include "device/protocol/firmware_image.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace tolva::device {
namespace {

std::uint32_t BigEndian32(std::span<const std::uint8_t> b) {
  return static_cast<std::uint32_t>(b[0]) << 24 | static_cast<std::uint32_t>(b[1]) << 16 |
         static_cast<std::uint32_t>(b[2]) << 8 | b[3];
}

std::uint32_t ByteSum(std::span<const std::uint8_t> bytes) {
  return std::accumulate(bytes.begin(), bytes.end(), std::uint32_t{0},
                         [](std::uint32_t sum, std::uint8_t b) { return sum + b; });
}

}  // namespace

std::string UpperFileName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

UpgradeTarget TargetOfFileName(std::string_view path) {
  const std::string name = UpperFileName(path);
  if (name.find("BL_UPG.BIN") != std::string::npos) return UpgradeTarget::kBootLoader;
  if (name.find("FLASH_UPG.BIN") != std::string::npos) return UpgradeTarget::kDspFlash;
  if (name.find("MCU_UPG.BIN") != std::string::npos) return UpgradeTarget::kMcu;
  return UpgradeTarget::kNone;
}

ImageCheck ParseUpgradeImage(std::span<const std::uint8_t> file, UpgradeTarget target,
                             int expected_model, UpgradeImage& image) {
  image = UpgradeImage{};
  if (file.size() > kMaxImageFileBytes) return ImageCheck::kTooLarge;
  // Without data the transfer would divide its progress by zero.
  if (file.size() <= kImageOverheadBytes) return ImageCheck::kNoData;
  const std::size_t n = file.size() - kImageOverheadBytes;
  image.kind = file[0];
  image.model = file[1];
  std::copy_n(file.begin() + 2, 4, image.start_header.begin());
  image.data.assign(file.begin() + 6, file.begin() + 6 + static_cast<std::ptrdiff_t>(n));
  image.stored_checksum = BigEndian32(file.subspan(10 + n, 4));
  image.computed_checksum = ByteSum(file.first(10 + n));
  if (image.model != expected_model) return ImageCheck::kWrongModel;
  if (image.computed_checksum != image.stored_checksum) return ImageCheck::kBadChecksum;
  const bool mcu = target == UpgradeTarget::kMcu || target == UpgradeTarget::kBootLoader;
  if (mcu && image.kind != 1) return ImageCheck::kWrongKind;
  return ImageCheck::kOk;
}

std::vector<std::uint8_t> BuildUpgradeImage(std::uint8_t kind, std::uint8_t model,
                                            std::array<std::uint8_t, 4> start_header,
                                            std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> file{kind, model};
  file.insert(file.end(), start_header.begin(), start_header.end());
  file.insert(file.end(), data.begin(), data.end());
  file.insert(file.end(), {0x55, 0xAA, 0x55, 0xAA});  // trailer
  const std::uint32_t sum = ByteSum(file);
  for (int shift : {24, 16, 8, 0}) file.push_back(static_cast<std::uint8_t>(sum >> shift));
  return file;
}

}  // namespace tolva::device
