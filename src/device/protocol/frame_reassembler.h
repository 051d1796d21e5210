#pragma once

// Reply reassembly: raw report bytes go into a 1024-byte ring; a byte-at-a-time parser turns
// them into checked frames. No I/O, so it is fuzzed and tested on bytes alone.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace tolva::device {

// One complete reply frame whose checksum matched. payload holds length - 1 bytes: sub, op,
// then the data. Frames of length 1 or 2 carry no sub or no op; accessors never read past.
struct ReplyFrame {
  std::uint8_t length = 0;
  std::uint8_t cmd = 0;
  std::span<const std::uint8_t> payload;

  bool HasHeader() const { return payload.size() >= 2; }
  std::uint8_t sub() const { return payload.empty() ? 0 : payload[0]; }
  std::uint8_t op() const { return payload.size() < 2 ? 0 : payload[1]; }
  // d0, d1 ...: the bytes after sub and op.
  std::span<const std::uint8_t> data() const {
    return payload.size() < 2 ? std::span<const std::uint8_t>{} : payload.subspan(2);
  }
};

class FrameReassembler {
 public:
  static constexpr std::size_t kRingSize = 1024;
  static constexpr std::size_t kPayloadCapacity = 60;
  using FrameHandler = std::function<void(const ReplyFrame&)>;

  // Appends report bytes. When the ring is full the oldest unparsed byte is lost.
  void Append(std::span<const std::uint8_t> bytes);
  // Parses every pending byte, handing each completed frame to on_frame in order. keep_going is
  // asked before each byte (the link stops when its handle is gone).
  void Drain(const FrameHandler& on_frame, const std::function<bool()>& keep_going = {});
  // Parses at most one pending byte; false when none was pending.
  bool DrainOne(const FrameHandler& on_frame);
  // Forgets unparsed bytes; the parser state is kept, as the unit's stream goes on.
  void ClearRing();
  // Forgets everything, parser state included.
  void Reset();

  std::size_t Pending() const { return (write_ - read_ + kRingSize) % kRingSize; }
  std::uint8_t state() const { return state_; }

 private:
  void Step(std::uint8_t b, const FrameHandler& on_frame);

  std::array<std::uint8_t, kRingSize> ring_{};
  std::size_t write_ = 0;
  std::size_t read_ = 0;
  std::uint8_t state_ = 0;
  std::uint8_t length_ = 0;
  std::uint8_t cmd_ = 0;
  std::array<std::uint8_t, kPayloadCapacity> payload_{};
};

}  // namespace tolva::device
