#pragma once

// Room-correction (IRC) reports as the calibration window receives them: MSG_IRC_VALUE with the
// kind as first parameter and one record per channel or band.
#include <cstdint>

#include "device/protocol/notifications.h"

namespace tolva::device {

// First parameters beyond the run statuses 0 … 12.
constexpr std::int64_t kIrcDistance = 20;
constexpr std::int64_t kIrcTrim = 21;
constexpr std::int64_t kIrcEq = 22;
constexpr std::int64_t kIrcSpeakerSize = 23;
constexpr std::int64_t kIrcSpeakerPhase = 24;
constexpr std::int64_t kIrcSpeakerLevel = 25;
constexpr std::int64_t kIrcSpectrum = 26;
constexpr std::int64_t kIrcNoiseLevel = 27;

// Run statuses (first parameter 0 … 12) the window acts on.
constexpr std::int64_t kIrcSpectrumReady = 7;
constexpr std::int64_t kIrcEqReady = 8;
constexpr std::int64_t kIrcTestDataUpdate = 9;
constexpr std::int64_t kIrcDone = 10;
constexpr std::int64_t kIrcFailed = 11;
constexpr std::int64_t kIrcExit = 12;

struct IrcDistanceReply final : NotificationRecord {
  std::int32_t ch = 0;
  float distance = 0;  // whole part + hundredths
};

// Trim, speaker size, phase (signed), level and noise level: one value per channel.
struct IrcChannelValueReply final : NotificationRecord {
  std::int32_t ch = 0;
  std::int32_t value = 0;
};

struct IrcEqReply final : NotificationRecord {
  std::int32_t ch = 0, band = 0, freq = 0;
  float q = 0, gain = 0;
};

struct IrcSpectrumReply final : NotificationRecord {
  std::int32_t ch = 0, band = 0;
  float freq = 0, gain = 0;
};

}  // namespace tolva::device
