#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The upgrade protocol as the unit's boot code answers it: start, blocks placed at their
// offsets, finish. What arrived is kept, so a test can compare it with the image file.
namespace tolva::emulator {

struct ReceivedImage {
  int target = 0;  // 1 DSP flash, 2 MCU firmware, 3 boot loader; 0 before any start
  std::array<std::uint8_t, 4> start_header{};
  std::vector<std::uint8_t> data;  // MCU blocks arrive padded to 32 bytes
  int blocks = 0;
  bool finished = false;
};

class UpgradeReceiver {
 public:
  enum class Answer { kNotMine, kReady, kNotReadyThenReady };

  // Handles an upgrade start, block or finish (group 2 subs 3–5, group 3 subs 2–4 and A1–A3).
  // not_ready_every: every n-th block is first answered "not ready"; 0 never.
  Answer Handle(std::uint8_t cmd, std::uint8_t sub, std::span<const std::uint8_t> payload,
                int not_ready_every);
  const ReceivedImage& received() const { return received_; }

 private:
  void Place(std::size_t offset, std::span<const std::uint8_t> bytes);

  ReceivedImage received_;
};

}  // namespace tolva::emulator
