#include "cli/device_session.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/window_lock.h"
#include "cli/commands.h"
#include "device/link/exchange_tally.h"
#include "emulator/device_factory.h"

namespace tolva::cli {

namespace {

// The read's own time-outs bound it; this only guards against a read that never ends.
constexpr auto kReadLimit = std::chrono::minutes(10);
constexpr int kPollMs = 20;
// A whole-unit write queues a few hundred commands; a silent unit costs each its time-out.
constexpr int kQueueDrainLimitMs = 120000;

}  // namespace

DeviceSession::DeviceSession(device::TransportFactory factory)
    : factory_(factory), manager_(std::move(factory)) {
  manager_.SetMainSink(&queue_);
}

DeviceSession::~DeviceSession() {
  if (manager_.Link().IsDeviceOpen()) manager_.Disconnect();
  manager_.JoinWorkers();
}

std::size_t DeviceSession::Process(int wait_ms) {
  std::vector<device::Notification> pending = queue_.TakeAll(wait_ms);
  for (device::Notification& n : pending) {
    if (n.message == model::MSG_OPERATION_FAILED) {
      failure_ = static_cast<model::UnitOutcome>(n.value);
    }
    manager_.HandleNotification(n);
  }
  return pending.size();
}

void DeviceSession::ApplyReplies() {
  while (Process(0) > 0) {
  }
}

int DeviceSession::Connect() {
  manager_.Connect(false);
  const auto give_up = std::chrono::steady_clock::now() + kReadLimit;
  while (manager_.IsReading() && std::chrono::steady_clock::now() < give_up) {
    Process(kPollMs);
  }
  if (manager_.IsReading()) manager_.Disconnect();  // cuts the read short
  manager_.JoinWorkers();
  ApplyReplies();

  device::DspLink& link = manager_.Link();
  const model::UnitOutcome read = manager_.LastReadOutcome();
  if (read == model::UnitOutcome::kUnitGone && !link.HandshakeOk() && StillThere()) {
    // The unit took the connection and dropped it unanswered, yet is still there: one program
    // at a time talks to the unit, and the one that does is most likely the window.
    if (const qint64 window = RunningWindowProcess(); window > 0) {
      std::fprintf(stderr,
                   "Another program holds the unit: tolva-dsp is running (process %lld). "
                   "Close its window, or make the change there.\n",
                   static_cast<long long>(window));
    } else {
      std::fprintf(stderr,
                   "The unit dropped the connection before it answered, and is still there: "
                   "another program is probably using it. Close that program and try again.\n");
    }
    return kExitNoUnit;
  }
  if (manager_.LastReadOutcome() != model::UnitOutcome::kDone) {
    return ExitCodeOf(manager_.LastReadOutcome(), "The unit's settings were not read");
  }
  if (link.HandshakeOk() && link.Model() != model::kModelNumber) {
    std::fprintf(stderr, "The unit is of another model (%d).\n", link.Model());
    return kExitOtherModel;
  }
  if (manager_.State() != model::ConnectState::kConnected) {
    std::fprintf(stderr, "%s\n",
                 link.IsDeviceOpen() ? "The unit did not complete the handshake."
                                     : "No unit could be connected.");
    return kExitNoUnit;
  }
  return kExitOk;
}

bool DeviceSession::StillThere() const {
  if (!factory_) return false;
  const std::unique_ptr<device::Transport> probe = factory_();
  if (!probe || probe->Init() != 0) return false;
  const bool open = probe->Open(device::kUnitVendorId, device::kUnitProductId);
  probe->Close();
  return open;
}

void DeviceSession::FinishQueuedCommands() {
  manager_.Link().WaitUntilQueueIdle(kQueueDrainLimitMs);
  ApplyReplies();
}

model::UnitOutcome DeviceSession::SendEdits(const std::function<void()>& edits) {
  device::ExchangeTally tally;
  device::DspLink& link = manager_.Link();
  const std::uint64_t lost_before = link.QueuedCommandsLost();
  edits();
  link.AwaitQueuedSince(lost_before, kQueueDrainLimitMs);
  ApplyReplies();
  return model::OutcomeOf(tally);
}

int ExitCodeOf(model::UnitOutcome outcome, const char* what) {
  switch (outcome) {
    case model::UnitOutcome::kDone:
      return kExitOk;
    case model::UnitOutcome::kUnitGone:
      std::fprintf(stderr, "%s: the unit left the bus part-way.\n", what);
      return kExitNoUnit;
    case model::UnitOutcome::kUnanswered:
      break;
  }
  std::fprintf(stderr, "%s: the unit did not answer, or refused, a request.\n", what);
  return kExitFailed;
}

device::TransportFactory ChosenDevice(const std::optional<std::string>& device_argument) {
  const auto target = device::ChooseDevice(device_argument);
  emulator::DeviceSelection chosen =
      target ? emulator::SelectDevice(*target)
             : emulator::SelectDevice(device_argument.value_or("TOLVA_DSP_DEVICE"));
  if (!chosen.factory) std::fprintf(stderr, "tolva-dsp-cli: %s\n", chosen.error.c_str());
  return chosen.factory;
}

}  // namespace tolva::cli
