#include "ui/kit/qt/qt_window_sink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <deque>

namespace tolva::kit {
namespace {

// How long one pass of the window's loop may spend on notifications before it lets the loop
// paint, run timers and take input: a connect read posts hundreds of replies at once.
constexpr qint64 kSliceMs = 12;

QEvent::Type DrainEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

struct QtWindowSink::State {
  std::mutex mutex;             // guards everything below
  QObject* receiver = nullptr;  // null once the window is gone
  std::deque<device::Notification> pending;
  bool drain_queued = false;  // a drain event waits in the window's queue

  // Under the lock: makes sure a drain event will deliver what is pending.
  void QueueDrain() {
    if (drain_queued || pending.empty() || receiver == nullptr) return;
    drain_queued = true;
    QCoreApplication::postEvent(receiver, new QEvent(DrainEventType()));
  }
};

namespace {

// Lives as a child of the window and dies with it.
class Receiver final : public QObject {
 public:
  Receiver(QObject* window, std::shared_ptr<QtWindowSink::State> state,
           QtWindowSink::Handler handler)
      : QObject(window), state_(std::move(state)), handler_(std::move(handler)) {}
  ~Receiver() override {
    std::deque<device::Notification> dropped;  // their records die outside the lock
    const std::lock_guard lock(state_->mutex);
    state_->receiver = nullptr;
    dropped.swap(state_->pending);
  }

 protected:
  void customEvent(QEvent* event) override {
    {
      // The event was made under the lock on the posting thread: taken first, the lock orders
      // this read after that write where the sanitizer can see it (Qt's queue orders it too,
      // out of its sight).
      const std::lock_guard lock(state_->mutex);
      if (event->type() != DrainEventType()) return;
      state_->drain_queued = false;
    }
    const QPointer<QObject> alive(this);  // a handler may close the window
    QElapsedTimer slice;
    slice.start();
    for (;;) {
      device::Notification n;
      {
        const std::lock_guard lock(state_->mutex);
        if (state_->pending.empty()) return;
        n = std::move(state_->pending.front());
        state_->pending.pop_front();
        // What is left flows on after this slice, or inside a nested loop the handler runs
        // (a message box), in posting order either way.
        state_->QueueDrain();
      }
      if (handler_) handler_(n);
      if (!alive || slice.elapsed() >= kSliceMs) return;
    }
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
  state_->pending.push_back(std::move(notification));
  state_->QueueDrain();
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
