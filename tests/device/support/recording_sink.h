#pragma once

#include <mutex>
#include <vector>

#include "device/protocol/notifications.h"

namespace tolva::device::testing {

// Keeps every notification posted to it, in order.
class RecordingSink final : public NotificationSink {
 public:
  void Post(Notification notification) override {
    std::lock_guard<std::mutex> guard(mutex_);
    received_.push_back(std::move(notification));
  }
  // Moves the notifications out.
  std::vector<Notification> Take() {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::move(received_);
  }
  std::size_t Count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return received_.size();
  }

 private:
  mutable std::mutex mutex_;  // guards received_
  std::vector<Notification> received_;
};

// The record of a notification as its concrete type, or nullptr.
template <class T>
const T* RecordAs(const Notification& n) {
  return dynamic_cast<const T*>(n.record.get());
}

}  // namespace tolva::device::testing
