#include "device/protocol/frame_reassembler.h"

namespace tolva::device {

void FrameReassembler::Append(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    const std::size_t next = (write_ + 1) % kRingSize;
    if (next == read_) read_ = (read_ + 1) % kRingSize;  // full: equal indexes would mean empty
    ring_[write_] = b;
    write_ = next;
  }
}

void FrameReassembler::Drain(const FrameHandler& on_frame,
                             const std::function<bool()>& keep_going) {
  while (read_ != write_ && (!keep_going || keep_going())) {
    const std::uint8_t b = ring_[read_];
    read_ = (read_ + 1) % kRingSize;
    Step(b, on_frame);
  }
}

bool FrameReassembler::DrainOne(const FrameHandler& on_frame) {
  if (read_ == write_) return false;
  const std::uint8_t b = ring_[read_];
  read_ = (read_ + 1) % kRingSize;
  Step(b, on_frame);
  return true;
}

void FrameReassembler::ClearRing() {
  read_ = write_ = 0;
}

void FrameReassembler::Reset() {
  ClearRing();
  state_ = 0;
  length_ = 0;
  cmd_ = 0;
}

void FrameReassembler::Step(std::uint8_t b, const FrameHandler& on_frame) {
  switch (state_) {
    case 0:
      if (b == 0xAA) state_ = 1;
      return;
    case 1:
      if (b == 0x55) state_ = 2;  // anything between 0xAA and 0x55 is skipped
      return;
    case 2:
      length_ = b;
      state_ = 3;
      return;
    case 3:
      cmd_ = b;
      state_ = 4;
      return;
    default:
      break;
  }
  const unsigned s = state_;
  if (s == length_ + 3u) {
    // s >= 4 here, so length >= 1 and the payload holds length - 1 <= 60 bytes.
    const std::size_t n = length_ - 1u;
    std::array<std::uint8_t, 2> head{length_, cmd_};
    std::uint8_t sum = 0;
    for (std::uint8_t h : head) sum = static_cast<std::uint8_t>(sum + h);
    for (std::size_t i = 0; i < n; ++i) sum = static_cast<std::uint8_t>(sum + payload_[i]);
    state_ = 0;
    if (static_cast<std::uint8_t>(0x100 - sum) == b && on_frame) {
      on_frame(ReplyFrame{length_, cmd_, std::span<const std::uint8_t>(payload_.data(), n)});
    }
    return;
  }
  if (s < 64) {
    payload_[s - 4] = b;
    state_ = static_cast<std::uint8_t>(s + 1);
    return;
  }
  state_ = 0;  // over-long: the length byte was garbage
}

}  // namespace tolva::device
