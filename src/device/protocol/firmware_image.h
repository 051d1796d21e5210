#pragma once

// Upgrade image files: which kind a file name names, and the checks a file must pass.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolva::device {

enum class UpgradeTarget { kNone = 0, kDspFlash = 1, kMcu = 2, kBootLoader = 3 };

inline constexpr std::size_t kMaxImageFileBytes = 1u << 20;
// Kind, model and start header before the data; trailer and checksum after it.
inline constexpr std::size_t kImageOverheadBytes = 14;

// The part of path after the last '/' or '\', in upper case (ASCII letters).
std::string UpperFileName(std::string_view path);

// The kind a file name names, compared in upper case: "BL_UPG.BIN" first, then
// "FLASH_UPG.BIN", then "MCU_UPG.BIN". The name is the part after the last '/' or '\'.
UpgradeTarget TargetOfFileName(std::string_view path);

struct UpgradeImage {
  std::uint8_t kind = 0;
  std::uint8_t model = 0;
  std::array<std::uint8_t, 4> start_header{};
  std::vector<std::uint8_t> data;
  std::uint32_t stored_checksum = 0;
  std::uint32_t computed_checksum = 0;  // the 32-bit sum of every byte before the checksum
};

enum class ImageCheck { kOk, kTooLarge, kNoData, kWrongModel, kWrongKind, kBadChecksum };

// Reads the layout and checks size, model, checksum and (for MCU images) the kind byte. The
// image is filled as far as the file allows, so the checksums can be logged either way.
ImageCheck ParseUpgradeImage(std::span<const std::uint8_t> file, UpgradeTarget target,
                             int expected_model, UpgradeImage& image);

// A valid image file around data, for the emulated unit's tests and demonstrations.
std::vector<std::uint8_t> BuildUpgradeImage(std::uint8_t kind, std::uint8_t model,
                                            std::array<std::uint8_t, 4> start_header,
                                            std::span<const std::uint8_t> data);

}  // namespace tolva::device
