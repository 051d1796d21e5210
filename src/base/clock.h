#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace tolva {

// Every fixed wait of the program goes through one Clock so tests never sleep for real.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic clock (the tick count of the logs).
  virtual std::int64_t NowMs() const = 0;
  virtual void SleepMs(std::int64_t ms) = 0;
};

Clock& SystemClock();

// A clock for tests: sleeping advances time at once.
class FakeClock final : public Clock {
 public:
  std::int64_t NowMs() const override { return now_ms_.load(); }
  void SleepMs(std::int64_t ms) override { now_ms_ += ms; total_slept_ms_ += ms; }
  void AdvanceMs(std::int64_t ms) { now_ms_ += ms; }
  std::int64_t TotalSleptMs() const { return total_slept_ms_.load(); }

 private:
  std::atomic<std::int64_t> now_ms_{0};
  std::atomic<std::int64_t> total_slept_ms_{0};
};

}  // namespace tolva
