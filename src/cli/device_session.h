#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/transport/transport.h"
#include "model/manager/equalizer_manager.h"
#include "model/manager/notification_queue.h"
#include "model/manager/unit_outcome.h"

// One connection to the unit for a CLI command: the manager's connect read run to its end on
// this thread, and a goodbye when the command is done.
namespace tolva::cli {

class DeviceSession {
 public:
  explicit DeviceSession(device::TransportFactory factory);
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Connects and reads the unit. kExitOk, kExitNoUnit, kExitOtherModel, or kExitFailed when a
  // request went unanswered (message on stderr).
  int Connect();
  model::EqualizerManager& Manager() { return manager_; }
  // How the last worker operation that did not complete ended (its failure message went to
  // the manager's view); nullopt while every one completed.
  std::optional<model::UnitOutcome> Failure() const { return failure_; }
  // Applies every reply received so far.
  void ApplyReplies();
  // Returns once every queued command has been written and answered (or timed out).
  void FinishQueuedCommands();
  // Runs edits (the editing operations) and waits for every command they sent or queued:
  // kDone only when the unit acknowledged them all.
  model::UnitOutcome SendEdits(const std::function<void()>& edits);

 private:
  // Applies what the manager and its link posted, noting failed operations on the way.
  std::size_t Process(int wait_ms);
  // A unit that dropped the connection can still be opened: it did not leave, another program
  // holds it.
  bool StillThere() const;

  // Before the manager: its link posts here until it is gone.
  model::NotificationQueue queue_;
  device::TransportFactory factory_;
  std::optional<model::UnitOutcome> failure_;
  model::EqualizerManager manager_;
};

// The exit code of an operation with the unit: kExitOk when done; otherwise the reason, naming
// what was not done, goes to stderr and the code is kExitNoUnit when the unit has gone,
// kExitFailed when it left a request unanswered.
int ExitCodeOf(model::UnitOutcome outcome, const char* what);

// The factory for --device, else TOLVA_DSP_DEVICE, else hid; empty (message on stderr) when
// not understood.
device::TransportFactory ChosenDevice(const std::optional<std::string>& device_argument);

}  // namespace tolva::cli
