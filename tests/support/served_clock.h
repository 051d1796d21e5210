#pragma once

// A clock whose sleeps are the points where a test plays another thread: each SleepMs of the
// sleeping thread waits until the test has served it, then moves time on (its own, or a fake
// clock's shared with the link, so the whole operation is timed on one clock).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "base/clock.h"

namespace tolva::testing {

class ServedClock final : public Clock {
 public:
  explicit ServedClock(FakeClock* time = nullptr) : time_(time) {}
  std::int64_t NowMs() const override { return time_ ? time_->NowMs() : now_.load(); }
  void SleepMs(std::int64_t ms) override {
    std::unique_lock lock(mutex_);
    const int ticket = ++asked_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return served_ >= ticket || released_; });
    if (time_) time_->AdvanceMs(ms);
    now_ += ms;
  }
  // Waits for the sleeper's next pause, runs serve, lets it go on. False when none came while
  // running() held (or within five seconds).
  bool ServeOne(const std::function<void()>& serve, const std::function<bool()>& running) {
    std::unique_lock lock(mutex_);
    for (int slice = 0; asked_ <= served_; ++slice) {
      if (!running() || slice == 500) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(10));
    }
    lock.unlock();
    serve();
    lock.lock();
    served_ = asked_;
    changed_.notify_all();
    return true;
  }
  // From now on sleeps return at once.
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  FakeClock* const time_;
  std::atomic<std::int64_t> now_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  int asked_ = 0, served_ = 0;
  bool released_ = false;
};

}  // namespace tolva::testing
