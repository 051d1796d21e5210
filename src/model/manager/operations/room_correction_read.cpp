// The end of a room-correction run: the apply reaches the unit before the unit is read again.
#include "base/debug_print.h"
#include "model/manager/operations/unit_operations.h"

namespace tolva::model {
namespace {

// A save-button apply may still sit in the queue, behind at most one command's full wait.
constexpr int kQueueDrainMs = 2 * device::DspLink::kDefaultTimeoutMs + 1000;

}  // namespace

void UnitOperations::ReadAgainAfterRoomCorrection(const AutoCalibration::Outcome& outcome) {
  if (outcome.result != 1) return;
  // The previous one posted its message as its last act, and a new one needs a connected unit.
  correction_worker_.Join();
  ctx_.PostMain(MSG_BUSY_OPEN);
  correction_worker_.Start([this, outcome](const std::stop_token&) {
    DebugPrint(L"AutoCalApplyThread start!\n");
    bool confirmed = true;
    if (outcome.apply_owed) {
      confirmed = ctx_.link->IRC_Ctrl(2, outcome.channel_mask, outcome.eq_mode, true);
    }
    if (!ctx_.link->WaitUntilQueueIdle(kQueueDrainMs)) confirmed = false;
    ctx_.PostMain(MSG_BUSY_CLOSE);
    ctx_.main_sink.load()->Post(
        device::Notification{MSG_ROOM_CORRECTION_SENT, confirmed ? 1 : 0, 0, nullptr});
    DebugPrint(L"AutoCalApplyThread end!\n");
  });
}

void UnitOperations::OnRoomCorrectionSent(bool confirmed) {
  DebugPrint(L"Auto cal finished, need to sync data from dsp again!\n");
  connection_.Disconnect();
  connection_.Connect(false);
  if (!confirmed) ctx_.view->ShowMessage("${irc_cmd_failed}");
}

}  // namespace tolva::model
