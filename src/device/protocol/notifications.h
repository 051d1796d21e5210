#pragma once

#include <cstdint>
#include <memory>

namespace tolva::device {

// The windows a decoder or worker thread can notify.
enum class TargetWindow : std::uint8_t { kMain, kScene, kCalibration, kUpdate };

// A record carried by a notification; the receiver owns it (it dies with the message).
struct NotificationRecord {
  virtual ~NotificationRecord() = default;
};

// One posted message: number, first parameter, small second parameter, optional record.
struct Notification {
  std::uint32_t message = 0;
  std::int64_t param = 0;
  std::int64_t value = 0;
  std::unique_ptr<NotificationRecord> record;
};

// Delivers notifications to one window, in posting order, on that window's thread.
// Post is callable from any thread and never blocks on the receiver.
class NotificationSink {
 public:
  virtual ~NotificationSink() = default;
  virtual void Post(Notification notification) = 0;
};

}  // namespace tolva::device
