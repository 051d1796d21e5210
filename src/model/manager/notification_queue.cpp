#include "model/manager/notification_queue.h"

#include <chrono>

namespace tolva::model {

void NotificationQueue::Post(device::Notification notification) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(notification));
  }
  posted_.notify_all();
}

std::vector<device::Notification> NotificationQueue::TakeAll(int wait_ms) {
  std::unique_lock lock(mutex_);
  if (queue_.empty() && wait_ms > 0) {
    posted_.wait_for(lock, std::chrono::milliseconds(wait_ms), [this] { return !queue_.empty(); });
  }
  std::vector<device::Notification> taken;
  taken.reserve(queue_.size());
  for (auto& n : queue_) taken.push_back(std::move(n));
  queue_.clear();
  return taken;
}

bool NotificationQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

}  // namespace tolva::model
