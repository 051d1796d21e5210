#include "ui/kit/qt/thread_hop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>

#include <deque>
#include <mutex>

namespace tolva::kit {
namespace {

QEvent::Type HopEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

struct ThreadHop::State {
  std::mutex mutex;             // guards everything below
  QObject* receiver = nullptr;  // null once the object (or the hop) is gone
  std::deque<std::function<void()>> pending;
  bool queued = false;  // an event waits in the receiver's queue

  static void Post(const std::shared_ptr<State>& state, std::function<void()> call) {
    const std::lock_guard lock(state->mutex);
    if (state->receiver == nullptr) return;
    state->pending.push_back(std::move(call));
    if (state->queued) return;
    state->queued = true;
    QCoreApplication::postEvent(state->receiver, new QEvent(HopEventType()));
  }
};

namespace {

// A child of the receiver: on its thread, and gone with it.
class HopReceiver final : public QObject {
 public:
  HopReceiver(QObject* parent, std::shared_ptr<ThreadHop::State> state)
      : QObject(parent), state_(std::move(state)) {}
  ~HopReceiver() override {
    std::deque<std::function<void()>> dropped;  // their captures die outside the lock
    const std::lock_guard lock(state_->mutex);
    state_->receiver = nullptr;
    dropped.swap(state_->pending);
  }

 protected:
  // Only the hop's own event comes here, so the event itself is never read.
  void customEvent(QEvent*) override {
    std::deque<std::function<void()>> calls;
    {
      const std::lock_guard lock(state_->mutex);
      calls.swap(state_->pending);
      state_->queued = false;
    }
    const QPointer<QObject> alive(this);  // a call may take the receiver with it
    for (auto& call : calls) {
      if (call) call();
      if (!alive) return;  // the rest go with their captures, unrun
    }
  }

 private:
  std::shared_ptr<ThreadHop::State> state_;
};

}  // namespace

ThreadHop::ThreadHop(QObject* receiver) : state_(std::make_shared<State>()) {
  auto* hop = new HopReceiver(receiver, state_);
  hop->setObjectName(QStringLiteral("tolvaThreadHop"));
  state_->receiver = hop;
}

ThreadHop::~ThreadHop() {
  QObject* hop = nullptr;
  {
    const std::lock_guard lock(state_->mutex);
    hop = state_->receiver;
  }
  // Gone with its parent already, or now: either way posting stops.
  delete static_cast<HopReceiver*>(hop);
}

std::function<void(std::function<void()>)> ThreadHop::Poster() const {
  return [state = state_](std::function<void()> call) { State::Post(state, std::move(call)); };
}

}  // namespace tolva::kit
