#pragma once

#include <functional>
#include <stop_token>
#include <thread>
#include <utility>

#include "base/clock.h"

// One background job of the manager at a time (the connect read, a scene or file operation,
// the factory reset, the room correction's apply): started on the window thread, ended by
// joining it. Its long waits watch the stop token the owner hands it, so shutting down cuts
// them short.
namespace tolva::model {

class Worker {
 public:
  explicit Worker(std::stop_token stop) : stop_(std::move(stop)) {}
  ~Worker() { Join(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Waits for the previous job to end, then runs job on a new thread.
  void Start(std::function<void(std::stop_token)> job) {
    Join();
    thread_ = std::thread([job = std::move(job), stop = stop_] { job(stop); });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::stop_token stop_;
  std::thread thread_;
};

// Waits ms on the clock in short slices; returns early, false, once stop is requested.
bool SleepUnlessStopped(Clock& clock, const std::stop_token& stop, int ms);

}  // namespace tolva::model
