#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace tolva::device {

// One queued command; it owns its payload until the command thread has sent it.
struct PendingCommand {
  std::uint8_t cmd = 0;
  std::uint8_t sub = 0;
  std::uint8_t op = 0;
  std::vector<std::uint8_t> payload;
  // How many leading payload bytes name the one setting the command writes (scene, source,
  // output and band, filter or input); 0 when it writes several or is no plain setting.
  std::uint8_t target_bytes = 0;
};

// The target length of a command as the unit's parameter set defines it: the settings of one
// output (a band, a filter, the bypass, delay, trim, mute, polarity, routing or an input's mix
// trim). Commands over a range of outputs, resets, links and everything else have none.
std::uint8_t TargetBytes(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                         std::span<const std::uint8_t> payload);

// True when both write the same setting of the unit.
bool SameTarget(const PendingCommand& a, const PendingCommand& b);

// FIFO of pending commands: room for 256 at first, doubling when full; it never refuses.
// A command for a setting that a waiting command already writes takes that command's place, so
// a drag that outruns the unit sends its latest value and the queue does not grow with it.
// Not synchronised: the link guards it.
class PendingQueue {
 public:
  static constexpr std::size_t kInitialCapacity = 256;

  PendingQueue() : slots_(kInitialCapacity) {}

  // Returns true when the command replaced a waiting one. The search stops at the first waiting
  // command without a target (a reset or a range may cover the same setting), so the unit ends
  // in the state the commands' order gives.
  bool Push(PendingCommand command) {
    if (command.target_bytes > 0) {
      for (std::size_t i = size_; i-- > 0;) {
        PendingCommand& waiting = slots_[(head_ + i) % slots_.size()];
        if (waiting.target_bytes == 0) break;
        if (SameTarget(waiting, command)) {
          waiting = std::move(command);
          return true;
        }
      }
    }
    if (size_ == slots_.size()) Grow();
    slots_[(head_ + size_) % slots_.size()] = std::move(command);
    ++size_;
    return false;
  }
  std::optional<PendingCommand> Pop() {
    if (size_ == 0) return std::nullopt;
    PendingCommand out = std::move(slots_[head_]);
    slots_[head_] = PendingCommand{};
    head_ = (head_ + 1) % slots_.size();
    --size_;
    return out;
  }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return slots_.size(); }
  bool empty() const { return size_ == 0; }

 private:
  void Grow() {
    std::vector<PendingCommand> bigger(slots_.size() * 2);
    for (std::size_t i = 0; i < size_; ++i)
      bigger[i] = std::move(slots_[(head_ + i) % slots_.size()]);
    slots_ = std::move(bigger);
    head_ = 0;
  }

  std::vector<PendingCommand> slots_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tolva::device
