#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tolva::device {

// A first-come, first-served lock for exchanges with the unit: a synchronous command that
// arrives while the command thread is mid-exchange gets the next turn, ahead of the thread's
// following queued command. BasicLockable, so std::unique_lock works with it.
class ExchangeLock {
 public:
  void lock() {
    std::unique_lock<std::mutex> guard(mutex_);
    const std::uint64_t ticket = next_ticket_++;
    turn_.wait(guard, [&] { return serving_ == ticket; });
  }
  void unlock() {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      ++serving_;
    }
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;  // guards the two counters
  std::condition_variable turn_;
  std::uint64_t next_ticket_ = 0;
  std::uint64_t serving_ = 0;
};

}  // namespace tolva::device
