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

  // Posts from any thread, in posting order, through a handle that may outlive the hop (a
  // listener may fire during teardown). A call that takes the receiver with it ends the run.
  std::function<void(std::function<void()>)> Poster() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tolva::kit
