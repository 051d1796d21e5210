#include "emulator/upgrade_receiver.h"

#include <algorithm>

#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::emulator {
namespace {

namespace cmd = device::cmd;

std::size_t Offset(std::span<const std::uint8_t> p) {
  return static_cast<std::size_t>(p[0]) << 24 | static_cast<std::size_t>(p[1]) << 16 |
         static_cast<std::size_t>(p[2]) << 8 | p[3];
}

// Group, sub → (target, step): step 0 start, 1 block, 2 finish.
bool Classify(std::uint8_t c, std::uint8_t s, int& target, int& step) {
  namespace sub = device::upgrade_sub;
  if (c == cmd::kScene && s >= sub::kFlashStart && s <= sub::kFlashFinish) {
    target = 1, step = s - sub::kFlashStart;
  } else if (c == cmd::kMcu && s >= sub::kMcuStart && s <= sub::kMcuFinish) {
    target = 2, step = s - sub::kMcuStart;
  } else if (c == cmd::kMcu && s >= sub::kSlaveStart && s <= sub::kSlaveFinish) {
    target = 3, step = s - sub::kSlaveStart;
  } else {
    return false;
  }
  return true;
}

}  // namespace

void UpgradeReceiver::Place(std::size_t offset, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kLimit = 1u << 20;  // no image is larger
  if (offset >= kLimit) return;
  const std::size_t n = std::min(bytes.size(), kLimit - offset);
  if (received_.data.size() < offset + n) received_.data.resize(offset + n, 0);
  std::copy_n(bytes.begin(), n, received_.data.begin() + static_cast<std::ptrdiff_t>(offset));
}

UpgradeReceiver::Answer UpgradeReceiver::Handle(std::uint8_t c, std::uint8_t s,
                                                std::span<const std::uint8_t> p,
                                                int not_ready_every) {
  int target = 0, step = 0;
  if (!Classify(c, s, target, step)) return Answer::kNotMine;
  switch (step) {
    case 0:
      received_ = ReceivedImage{};
      received_.target = target;
      std::copy_n(p.begin(), std::min<std::size_t>(p.size(), 4), received_.start_header.begin());
      return Answer::kReady;
    case 1: {
      if (p.size() < 4) return Answer::kReady;
      const std::size_t offset = Offset(p);
      if (target == 1) {
        const std::size_t n = p.size() >= 5 ? std::min<std::size_t>(p[4], p.size() - 5) : 0;
        Place(offset, p.subspan(5, n));
      } else {
        Place(offset, p.subspan(4));
      }
      ++received_.blocks;
      const bool hesitate = not_ready_every > 0 && received_.blocks % not_ready_every == 0;
      return hesitate ? Answer::kNotReadyThenReady : Answer::kReady;
    }
    default:
      received_.finished = true;
      return Answer::kReady;
  }
}

}  // namespace tolva::emulator
