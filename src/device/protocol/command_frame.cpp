#include "device/protocol/command_frame.h"

#include <algorithm>

namespace tolva::device {

std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
  return static_cast<std::uint8_t>(0x100 - sum);
}

CommandFrame CommandFrame::Build(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                                 std::span<const std::uint8_t> payload) {
  CommandFrame frame;
  auto& b = frame.bytes_;
  const std::size_t n = std::min(payload.size(), kMaxPayload);
  b[0] = 0x00;
  b[1] = 0xAA;
  b[2] = 0x55;
  b[3] = static_cast<std::uint8_t>(n + 3);
  b[4] = cmd;
  b[5] = sub;
  b[6] = op;
  std::copy_n(payload.begin(), n, b.begin() + 7);
  b[7 + n] = FrameChecksum(std::span(b).subspan(3, n + 4));
  return frame;
}

std::optional<std::array<std::uint8_t, 64>> BuildReplyFrame(std::uint8_t cmd, std::uint8_t sub,
                                                            std::uint8_t op,
                                                            std::span<const std::uint8_t> data) {
  // AA 55 L cmd sub op data checksum must fit in 64 bytes: data at most 57.
  if (data.size() > 57) return std::nullopt;
  std::array<std::uint8_t, 64> r{};
  r[0] = 0xAA;
  r[1] = 0x55;
  r[2] = static_cast<std::uint8_t>(data.size() + 3);
  r[3] = cmd;
  r[4] = sub;
  r[5] = op;
  std::copy(data.begin(), data.end(), r.begin() + 6);
  r[6 + data.size()] = FrameChecksum(std::span(r).subspan(2, data.size() + 4));
  return r;
}

}  // namespace tolva::device
