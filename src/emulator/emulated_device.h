#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "base/clock.h"
#include "emulator/emulated_unit.h"
#include "emulator/emulator_options.h"

namespace tolva::emulator {

// One emulated unit on its bus, shared by every transport a factory hands out: the link opens a
// fresh transport on each connect, while the unit's memory and its presence outlive them.
class EmulatedDevice {
 public:
  explicit EmulatedDevice(EmulatorOptions options = {}, Clock& clock = SystemClock());
  // Writes the state file (when one is set) and stops the reboot watcher.
  ~EmulatedDevice();
  EmulatedDevice(const EmulatedDevice&) = delete;
  EmulatedDevice& operator=(const EmulatedDevice&) = delete;

  // Reads options.state_file when it exists. False (memory unchanged) for a damaged file,
  // which is then never written.
  bool LoadState(std::string* error);
  bool SaveState(std::string* error) const;

  // One output report through the unit's firmware; writes the state file when flash changed.
  UnitResponse Handle(std::span<const std::uint8_t> report);

  // False while rebooting or after an unplug. A reboot ends on its own once its time is up.
  bool IsPresent();
  // Counts departures from the bus: a handle opened before the last one is stale.
  std::uint64_t generation() const;
  // Takes the unit off the bus (kReboot: for faults.reboot_ms). Calls the presence listener.
  void LeaveBus(BusEvent event);

  // Called with false when the unit leaves the bus and with true when it is back after a
  // reboot, as udev would report it. Called from the thread that read the unit's last report or
  // from the reboot watcher: post, do not block, and do not call back into a transport.
  void SetPresenceListener(std::function<void(bool present)> listener);

  // For tests and the bridge: the unit under the device's lock.
  template <typename Fn>
  auto WithUnit(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(unit_);
  }
  UnitState Snapshot() const;
  int latency_ms() const;
  Clock& clock() const { return clock_; }

 private:
  void WatchReboot();
  void StopWatcher();

  Clock& clock_;
  const std::string state_file_;
  mutable std::mutex mutex_;  // guards everything below
  EmulatedUnit unit_;
  bool may_save_ = true;  // false after a state file failed to load
  bool present_ = true;
  bool rebooting_ = false;
  bool stopping_ = false;
  std::int64_t back_at_ms_ = 0;
  std::uint64_t generation_ = 0;
  std::function<void(bool)> listener_;
  std::condition_variable wake_;  // stops the watcher early
  std::thread watcher_;  // joined by StopWatcher; touched only by LeaveBus and the destructor
};

}  // namespace tolva::emulator
