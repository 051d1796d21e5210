#pragma once

// Message numbers and the typed records the reply decoders post. A record travels inside its
// Notification (std::unique_ptr), so the receiver frees it whether or not it uses it.

#include <array>
#include <cstdint>

#include "device/protocol/notifications.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::device {

constexpr std::uint32_t MSG_DSP_VALUE = 1234;
constexpr std::uint32_t MSG_MCU_VALUE = 1235;
constexpr std::uint32_t MSG_SCENE_VALUE = 1237;
constexpr std::uint32_t MSG_SCENE_DELETED = 1238;
constexpr std::uint32_t MSG_DEVICE_ABNORMAL = 1239;
constexpr std::uint32_t MSG_IRC_VALUE = 1241;
constexpr std::uint32_t MSG_KTV_VALUE = 1246;
// The link's own: the unit left an exchange unanswered while open (first parameter 1), or a
// reply arrived again (0). Posted on each change only.
constexpr std::uint32_t MSG_UNIT_SILENT = 0x10100;

// First parameters of MSG_MCU_VALUE and MSG_SCENE_VALUE (the reply's sub code).
constexpr std::int64_t kMcuHandshake = mcu_sub::kHandshake;
constexpr std::int64_t kMcuFlashVersion = mcu_sub::kFlashVersion;
constexpr std::int64_t kMcuPowerOffDelay = mcu_sub::kPowerOffDelay;
constexpr std::int64_t kSceneName = scene_sub::kName;

struct FilterReply final : NotificationRecord {
  std::int32_t scene = 0, ch = 0;
  std::int32_t hp_type = 0, hp_freq = 0, hp_slope = 0;
  std::int32_t lp_type = 0, lp_freq = 0, lp_slope = 0;
};

struct EqBandReply final : NotificationRecord {
  std::int32_t scene = 0, ch = 0, band = 0, freq = 0;
  float q = 0, gain = 0;
};

struct DelayReply final : NotificationRecord {
  std::int32_t scene = 0, ch = 0;
  float delay = 0;  // ms
};

// Trim and phase: one byte the receiver reads as signed.
struct ChannelByteReply final : NotificationRecord {
  std::int32_t scene = 0, ch = 0;
  std::int8_t value = 0;
};

// Mute, speaker role, EQ bypass: 0-255.
struct ChannelValueReply final : NotificationRecord {
  std::int32_t scene = 0, ch = 0, value = 0;
};

struct MixReply final : NotificationRecord {
  std::int32_t scene = 0, source = 0, ch = 0, mask = 0;
};

struct LinkReply final : NotificationRecord {
  std::int32_t scene = 0, link = 0;
  std::array<std::uint8_t, 8> data{};  // only filled for units of model 12
};

struct LockReply final : NotificationRecord {
  std::int32_t scene = 0, lock = 0;
};

// One byte per input, indexed by the absolute input channel number.
struct InputRangeReply final : NotificationRecord {
  std::int32_t scene = 0, source = 0, ch_x = 0, ch_y = 0;
  std::array<std::uint8_t, 16> values{};
};

// One trim byte per output, indexed by output - out_ch_x.
struct InputMixReply final : NotificationRecord {
  std::int32_t scene = 0, source = 0, in_ch = 0, out_ch_x = 0, out_ch_y = 0;
  std::array<std::uint8_t, 16> trims{};
};

// The wire name: 16 bytes in the unit's code page, no terminator when full.
struct SceneNameReply final : NotificationRecord {
  std::int32_t reserved = 0;
  std::int32_t index = 0;  // scene number - 1
  std::array<std::uint8_t, 16> name{};
};

struct DeviceInfoReply final : NotificationRecord {
  std::int32_t reserved = 0, model = 0, master_version = 0, slave_version = 0;
};

struct FlashVersionReply final : NotificationRecord {
  std::array<std::int32_t, 4> reserved{};
  std::array<std::int32_t, 4> version{};  // d0 ... d3
};

}  // namespace tolva::device
