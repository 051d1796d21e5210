#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace tolva::testing {

// Runs the event loop until done() holds or limit_ms has passed; returns done().
inline bool WaitFor(const std::function<bool()>& done, int limit_ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < limit_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(5);
  }
  return done();
}

}  // namespace tolva::testing
