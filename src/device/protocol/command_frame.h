#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace tolva::device {

// Command groups (frame byte 4) and operations (byte 6).
namespace cmd {
constexpr std::uint8_t kDsp = 1;
constexpr std::uint8_t kScene = 2;
constexpr std::uint8_t kMcu = 3;
constexpr std::uint8_t kKaraoke = 7;
}  // namespace cmd
namespace op {
constexpr std::uint8_t kSet = 0xBB;
constexpr std::uint8_t kGet = 0x66;
constexpr std::uint8_t kData = 0xDD;
constexpr std::uint8_t kAck = 0xEE;
constexpr std::uint8_t kAckReady = 0x0A;
constexpr std::uint8_t kAckNotReady = 0x60;
}  // namespace op

constexpr std::size_t kFrameSize = 65;
constexpr std::size_t kMaxPayload = 57;  // checksum lands in byte 64

// Two's complement of the 8-bit sum of bytes (length, cmd, sub, op, payload).
std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes);

// One 65-byte HID output report: 00 AA 55 L cmd sub op payload checksum, zero fill.
class CommandFrame {
 public:
  // Payloads longer than kMaxPayload are cut to it.
  static CommandFrame Build(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                            std::span<const std::uint8_t> payload);

  std::span<const std::uint8_t, kFrameSize> bytes() const { return bytes_; }
  std::uint8_t length() const { return bytes_[3]; }

 private:
  std::array<std::uint8_t, kFrameSize> bytes_{};
};

// A reply frame as the unit sends it (no report number): AA 55 L cmd sub op data checksum.
// Used by the emulated unit to answer; the link itself reassembles from the byte stream.
std::optional<std::array<std::uint8_t, 64>> BuildReplyFrame(std::uint8_t cmd, std::uint8_t sub,
                                                            std::uint8_t op,
                                                            std::span<const std::uint8_t> data);

}  // namespace tolva::device
