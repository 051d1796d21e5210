#include "ui/kit/qt_window_sink.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace tolva::kit {
namespace {

QEvent::Type NotificationEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

class NotificationEvent final : public QEvent {
 public:
  explicit NotificationEvent(device::Notification n)
      : QEvent(NotificationEventType()), notification(std::move(n)) {}
  device::Notification notification;
};

}  // namespace

struct QtWindowSink::State {
  std::mutex mutex;             // guards receiver
  QObject* receiver = nullptr;  // null once the window is gone
};

namespace {

// Lives as a child of the window and dies with it.
class Receiver final : public QObject {
 public:
  Receiver(QObject* window, std::shared_ptr<QtWindowSink::State> state,
           QtWindowSink::Handler handler)
      : QObject(window), state_(std::move(state)), handler_(std::move(handler)) {}
  ~Receiver() override {
    const std::lock_guard lock(state_->mutex);
    state_->receiver = nullptr;
  }

 protected:
  void customEvent(QEvent* event) override {
    // Post built the event under this lock: taking it here orders that hand-off in our own
    // code, not only inside Qt's event queue, which the thread checker cannot see into.
    { const std::lock_guard lock(state_->mutex); }
    if (event->type() != NotificationEventType() || !handler_) return;
    handler_(static_cast<NotificationEvent*>(event)->notification);
  }

 private:
  std::shared_ptr<QtWindowSink::State> state_;
  QtWindowSink::Handler handler_;
};

}  // namespace

std::shared_ptr<QtWindowSink> QtWindowSink::Create(QObject* window, Handler handler) {
  auto state = std::make_shared<State>();
  auto* receiver = new Receiver(window, state, std::move(handler));
  receiver->setObjectName(QStringLiteral("tolvaWindowSink"));
  state->receiver = receiver;
  return std::shared_ptr<QtWindowSink>(new QtWindowSink(std::move(state)));
}

void QtWindowSink::Post(device::Notification notification) {
  const std::lock_guard lock(state_->mutex);
  if (state_->receiver == nullptr) return;  // the record dies with the notification
  // postEvent is thread-safe and keeps posting order for events of one priority.
  QCoreApplication::postEvent(state_->receiver, new NotificationEvent(std::move(notification)));
}

void QtWindowSink::Post(std::uint32_t message, std::int64_t param, std::int64_t value) {
  device::Notification n;
  n.message = message;
  n.param = param;
  n.value = value;
  Post(std::move(n));
}

bool QtWindowSink::IsAttached() const {
  const std::lock_guard lock(state_->mutex);
  return state_->receiver != nullptr;
}

}  // namespace tolva::kit
