#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tolva::device {

// One queued command; it owns its payload until the command thread has sent it.
struct PendingCommand {
  std::uint8_t cmd = 0;
  std::uint8_t sub = 0;
  std::uint8_t op = 0;
  std::vector<std::uint8_t> payload;
};

// FIFO of pending commands: room for 256 at first, doubling when full; it never refuses.
// Not synchronised: the link guards it.
class PendingQueue {
 public:
  static constexpr std::size_t kInitialCapacity = 256;

  PendingQueue() : slots_(kInitialCapacity) {}

  void Push(PendingCommand command) {
    if (size_ == slots_.size()) Grow();
    slots_[(head_ + size_) % slots_.size()] = std::move(command);
    ++size_;
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
