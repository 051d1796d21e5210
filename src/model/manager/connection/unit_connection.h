#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "device/protocol/records.h"
#include "model/tuning/kept_edits.h"
#include "model/manager/manager_context.h"
#include "model/manager/worker.h"

// The unit's presence: connecting and disconnecting, plug events, the connect read and its
// worker, the factory reset's worker, and the reply callbacks that fill the model with what the
// unit reports. Runs on the window thread but for its workers, which only talk to the unit and
// post.
namespace tolva::model {

class UnitConnection {
 public:
  explicit UnitConnection(ManagerContext& ctx) : ctx_(ctx) {}
  UnitConnection(const UnitConnection&) = delete;
  UnitConnection& operator=(const UnitConnection&) = delete;

  void Connect(bool show_failure);
  void SetConnectFailureMessage(std::function<std::string()> message) {
    connect_failure_message_ = std::move(message);
  }
  void Disconnect();
  void DevicePlugin();
  void DevicePlugOut();
  void OnConnected();
  // The unlink a lock reported off while linked calls for, once the queue sends again.
  void SendOwedUnlink();
  bool IsReading() const { return reading_.load(); }
  UnitOutcome LastReadOutcome() const { return last_read_outcome_.load(); }
  // Reads every value of the live scene; -1 when the handshake exchange failed, else 0.
  // Synchronous, on the calling thread.
  int PC_UI_Status_Init(const EqBandCounts& bands);
  // The channel requests of a read, for the live scene or a stored one.
  void ReadChannelValues(int scene, const EqBandCounts& bands);
  void ResetMcuFactoryDefault();
  // The factory reset is done: the unit's leaving now is its restart, not a pulled cable. False
  // when the unit has left already and its restart was told.
  bool ExpectRestart();
  void JoinWorkers();

  // The reply callbacks (unit_replies.cpp); the record may be null.
  void ReadDspValueCallback(std::int64_t code, std::int64_t value,
                            device::NotificationRecord* record);
  void ReadMcuValueCallback(std::int64_t type, std::int64_t value,
                            device::NotificationRecord* record);
  void ReadSenceValueCallback(std::int64_t type, device::NotificationRecord* record);
  void ReadKtvValueCallback(std::int64_t code, std::int64_t value);

 private:
  bool UpgradeBusy() const;
  void ShowState(ConnectState state);
  void ReadThread(const EqBandCounts& bands);
  void ApplyLinkFlag(Profile& profile, int link, bool live);
  void ApplyLockFlag(Profile& profile, int lock, bool live);
  void Shown(int code, int channel);
  void ResolveKeptEdits();

  ManagerContext& ctx_;
  std::atomic<bool> reading_{false};
  std::atomic<UnitOutcome> last_read_outcome_{UnitOutcome::kDone};
  std::function<std::string()> connect_failure_message_;
  // From the moment the reset is sent: a unit may restart before its reply is handled.
  enum Restart : int { kNoRestart, kRestartAwaited, kRestartTold };
  std::atomic<int> restart_{kNoRestart};
  bool unlink_owed_ = false;
  KeptEdits kept_{ctx_.unit->live};
  Worker read_worker_{ctx_.shutdown.get_token()};
  Worker factory_worker_{ctx_.shutdown.get_token()};
};

}  // namespace tolva::model
