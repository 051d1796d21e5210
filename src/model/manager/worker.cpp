#include "model/manager/worker.h"

#include <algorithm>

namespace tolva::model {
namespace {

constexpr int kWaitSliceMs = 50;

}  // namespace

bool SleepUnlessStopped(Clock& clock, const std::stop_token& stop, int ms) {
  for (int waited = 0; waited < ms; waited += kWaitSliceMs) {
    if (stop.stop_requested()) return false;
    clock.SleepMs(std::min(kWaitSliceMs, ms - waited));
  }
  return !stop.stop_requested();
}

}  // namespace tolva::model
