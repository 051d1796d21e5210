#pragma once

#include <cstdint>

// The sub-codes (frame byte 5) of each command group, named once for the link, the reply
// decoders, the model's reply handling and the emulated unit. A reply to a request carries the
// request's sub-code, and the notification of a group-1 value is posted under it.
namespace tolva::device {

namespace dsp_sub {
inline constexpr std::uint8_t kSourceTable = 0x00;  // the unit's list of source codes
inline constexpr std::uint8_t kSource = 0x01;
inline constexpr std::uint8_t kMainVolume = 0x02;
inline constexpr std::uint8_t kSubwooferVolume = 0x03;
inline constexpr std::uint8_t kMainMute = 0x04;
inline constexpr std::uint8_t kFilter = 0x05;
inline constexpr std::uint8_t kBand = 0x06;
inline constexpr std::uint8_t kDelay = 0x07;
inline constexpr std::uint8_t kTrim = 0x08;
inline constexpr std::uint8_t kChannelMute = 0x09;
inline constexpr std::uint8_t kPhase = 0x0A;
inline constexpr std::uint8_t kMix = 0x0B;
inline constexpr std::uint8_t kRole = 0x0D;
inline constexpr std::uint8_t kLink = 0x0E;
inline constexpr std::uint8_t kLock = 0x0F;
inline constexpr std::uint8_t kBandReset = 0x11;
inline constexpr std::uint8_t kBypass = 0x12;
// Room correction: the run's control and status, then what it measured.
inline constexpr std::uint8_t kIrcControl = 0x13;
inline constexpr std::uint8_t kIrcDistance = 0x14;
inline constexpr std::uint8_t kIrcTrim = 0x15;
inline constexpr std::uint8_t kIrcBand = 0x16;
inline constexpr std::uint8_t kIrcSpeakerSize = 0x17;
inline constexpr std::uint8_t kIrcSpeakerPhase = 0x18;
inline constexpr std::uint8_t kIrcSpeakerLevel = 0x19;
inline constexpr std::uint8_t kIrcSpectrum = 0x1A;
inline constexpr std::uint8_t kIrcNoiseLevel = 0x1B;
inline constexpr std::uint8_t kIrcRta = 0x1C;
inline constexpr std::uint8_t kIrcTestMic = 0x1D;
inline constexpr std::uint8_t kIrcTestModule = 0x1E;
inline constexpr std::uint8_t kFirstIrc = kIrcControl;
inline constexpr std::uint8_t kLastIrcReport = kIrcNoiseLevel;
inline constexpr std::uint8_t kLastIrc = kIrcTestModule;
// Per-input values the unit reports; no program of ours sets them.
inline constexpr std::uint8_t kInputTrim = 0x20;
inline constexpr std::uint8_t kInputMute = 0x21;
inline constexpr std::uint8_t kInputPhase = 0x22;
inline constexpr std::uint8_t kInputBand = 0x23;
inline constexpr std::uint8_t kInputMixTrim = 0x24;
inline constexpr std::uint8_t kInputThreshold = 0x26;
inline constexpr std::uint8_t kInputNoise = 0x27;
}  // namespace dsp_sub

namespace scene_sub {
// 0x03 … 0x05: the flash upgrade's (flash_sub).
inline constexpr std::uint8_t kSave = 0x08;
inline constexpr std::uint8_t kRead = 0x09;
inline constexpr std::uint8_t kDelete = 0x0A;
inline constexpr std::uint8_t kName = 0x0B;
inline constexpr std::uint8_t kCurrent = 0x0E;
// ReadScene's target that makes a stored scene readable under its own number.
inline constexpr std::uint8_t kReadInPlace = 0xFF;
}  // namespace scene_sub

namespace mcu_sub {
inline constexpr std::uint8_t kEnterUpgrade = 0x01;
inline constexpr std::uint8_t kHandshake = 0x08;
inline constexpr std::uint8_t kFlashVersion = 0x0B;
inline constexpr std::uint8_t kBootloaderVersion = 0x0C;
inline constexpr std::uint8_t kPcConnect = 0x1F;
inline constexpr std::uint8_t kInit = 0x60;
inline constexpr std::uint8_t kReboot = 0x8F;
inline constexpr std::uint8_t kFactoryDefault = 0x90;
inline constexpr std::uint8_t kPowerOffDelay = 0x91;
// The handshake's first byte when the unit is not in a state to be tuned.
inline constexpr std::uint8_t kHandshakeAbnormal = 0xF0;
}  // namespace mcu_sub

// The three upgrade targets' steps: enter (MCU group), start, block, finish.
namespace upgrade_sub {
inline constexpr std::uint8_t kFlashStart = 0x03;  // scene group
inline constexpr std::uint8_t kFlashBlock = 0x04;
inline constexpr std::uint8_t kFlashFinish = 0x05;
inline constexpr std::uint8_t kMcuStart = 0x02;  // MCU group
inline constexpr std::uint8_t kMcuBlock = 0x03;
inline constexpr std::uint8_t kMcuFinish = 0x04;
inline constexpr std::uint8_t kSlaveEnter = 0xA0;  // MCU group
inline constexpr std::uint8_t kSlaveStart = 0xA1;
inline constexpr std::uint8_t kSlaveBlock = 0xA2;
inline constexpr std::uint8_t kSlaveFinish = 0xA3;
}  // namespace upgrade_sub

namespace karaoke_sub {
inline constexpr std::uint8_t kFirst = 0x01;      // microphone volume
inline constexpr std::uint8_t kEchoDelay = 0x05;  // two bytes, the others one
inline constexpr std::uint8_t kLast = 0x08;       // voice changer
}  // namespace karaoke_sub

}  // namespace tolva::device
