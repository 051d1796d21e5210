#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tolva::kit {

// Runs calls on a Qt object's thread, posted from any thread without waiting there. Unlike a
// queued functor, the call is handed over under a std::mutex, where ThreadSanitizer sees the
// hand-over (Qt's own queue orders it too, in libraries it cannot see into). Once the object
// is gone, posting does nothing and what was pending is dropped.
class ThreadHop {
 public:
  explicit ThreadHop(QObject* receiver);
  ThreadHop(const ThreadHop&) = delete;
  ThreadHop& operator=(const ThreadHop&) = delete;
  ~ThreadHop();

  // Any thread; the calls run in posting order.
  void Post(std::function<void()> call) const;
  // Posts through a handle that outlives this one, for listeners that may fire during teardown.
  std::function<void(std::function<void()>)> Poster() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tolva::kit
