#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "device/protocol/notifications.h"

// A sink for a process without a window: notifications wait here until the owning thread takes
// them, in posting order.
namespace tolva::model {

class NotificationQueue final : public device::NotificationSink {
 public:
  void Post(device::Notification notification) override;
  // Everything posted so far; waits up to wait_ms (real time) for the first one when empty.
  std::vector<device::Notification> TakeAll(int wait_ms = 0);
  bool Empty() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<device::Notification> queue_;
};

}  // namespace tolva::model
