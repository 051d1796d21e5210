#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "device/protocol/notifications.h"

class QObject;

namespace tolva::kit {

// Posts notifications to one window from any thread: they are delivered to the handler on the
// window's thread in posting order, in slices of a few milliseconds, so that a flood of them (a
// connect read's replies) never holds the window's loop for long. Once the window is gone, Post
// drops the notification (and its record) instead of touching it.
class QtWindowSink final : public device::NotificationSink {
 public:
  using Handler = std::function<void(device::Notification&)>;

  static std::shared_ptr<QtWindowSink> Create(QObject* window, Handler handler);

  void Post(device::Notification notification) override;
  // A numbered message with two parameters and no record.
  void Post(std::uint32_t message, std::int64_t param, std::int64_t value);
  bool IsAttached() const;

  struct State;

 private:
  explicit QtWindowSink(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<State> state_;
};

}  // namespace tolva::kit
