#include "emulator/emulated_device.h"

#include <algorithm>
#include <chrono>

#include "base/debug_print.h"

namespace tolva::emulator {
namespace {
constexpr std::int64_t kWatchStepMs = 50;
}

EmulatedDevice::EmulatedDevice(EmulatorOptions options, Clock& clock)
    : clock_(clock), state_file_(options.state_file), unit_(FactoryState(), options.faults) {}

EmulatedDevice::~EmulatedDevice() {
  StopWatcher();
  std::string error;
  if (!SaveState(&error)) DebugPrint("emulator: %s\n", error.c_str());
}

bool EmulatedDevice::LoadState(std::string* error) {
  if (state_file_.empty()) return true;
  UnitState loaded = FactoryState();
  std::lock_guard lock(mutex_);
  // A file we cannot read is the unit's whole memory: never overwrite it afterwards.
  may_save_ = LoadStateFile(state_file_, loaded, nullptr, error);
  if (!may_save_) return false;
  unit_.state() = loaded;
  return true;
}

bool EmulatedDevice::SaveState(std::string* error) const {
  UnitState flash;
  {
    std::lock_guard lock(mutex_);
    if (state_file_.empty() || !may_save_) return true;
    flash = unit_.state();
  }
  return SaveStateFile(state_file_, flash, error);
}

UnitResponse EmulatedDevice::Handle(std::span<const std::uint8_t> report) {
  UnitResponse response;
  UnitState flash;
  {
    std::lock_guard lock(mutex_);
    response = unit_.HandleOutputReport(report);
    if (!response.flash_changed || state_file_.empty() || !may_save_) return response;
    flash = unit_.state();
  }
  std::string error;
  if (!SaveStateFile(state_file_, flash, &error)) DebugPrint("emulator: %s\n", error.c_str());
  return response;
}

bool EmulatedDevice::IsPresent() {
  std::lock_guard lock(mutex_);
  if (rebooting_ && clock_.NowMs() >= back_at_ms_) {
    rebooting_ = false;
    present_ = true;
  }
  return present_;
}

std::uint64_t EmulatedDevice::generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

void EmulatedDevice::LeaveBus(BusEvent event) {
  if (event == BusEvent::kNone) return;
  StopWatcher();
  std::function<void(bool)> listener;
  {
    std::lock_guard lock(mutex_);
    present_ = false;
    ++generation_;
    rebooting_ = event == BusEvent::kReboot;
    back_at_ms_ = clock_.NowMs() + unit_.faults().reboot_ms;
    stopping_ = false;
    listener = listener_;
  }
  if (listener) listener(false);
  if (event == BusEvent::kReboot && listener) watcher_ = std::thread([this] { WatchReboot(); });
}

void EmulatedDevice::WatchReboot() {
  {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (stopping_ || !rebooting_) return;
      const std::int64_t remaining = back_at_ms_ - clock_.NowMs();
      if (remaining <= 0) break;
      // Real time in short steps: a test clock moves on its own schedule, never this thread's.
      wake_.wait_for(lock, std::chrono::milliseconds(std::min(remaining, kWatchStepMs)));
    }
  }
  if (!IsPresent()) return;
  std::function<void(bool)> listener;
  {
    std::lock_guard lock(mutex_);
    listener = listener_;
  }
  if (listener) listener(true);
}

void EmulatedDevice::StopWatcher() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (!watcher_.joinable()) return;
  // The listener may run a connect that reboots the unit again from the watcher itself.
  if (watcher_.get_id() == std::this_thread::get_id()) {
    watcher_.detach();
  } else {
    watcher_.join();
  }
}

void EmulatedDevice::SetPresenceListener(std::function<void(bool)> listener) {
  std::lock_guard lock(mutex_);
  listener_ = std::move(listener);
}

UnitState EmulatedDevice::Snapshot() const {
  std::lock_guard lock(mutex_);
  return unit_.state();
}

int EmulatedDevice::latency_ms() const {
  std::lock_guard lock(mutex_);
  return unit_.faults().latency_ms;
}

}  // namespace tolva::emulator
