// Connecting, disconnecting, plug events, the connect read and the routing of main-window
// messages: the half of the manager that follows the unit's presence.
#include <algorithm>
#include <utility>

#include "base/debug_print.h"
#include "device/link/exchange_tally.h"
#include "device/protocol/records.h"
#include "device/protocol/reply_decoder.h"
#include "model/manager/connection/unit_connection.h"
#include "model/manager/editing/command_sending.h"
#include "model/files/difference_text.h"
#include "model/edits/eq_mode.h"
#include "model/profile/input_sources.h"
#include "model/edits/profile_transition.h"

namespace tolva::model {

using device::DspLink;
using device::Notification;

bool UnitConnection::UpgradeBusy() const {
  const int s = ctx_.link->UpgradeState();
  return s == device::UPG_ENTER || s == device::UPG_START;
}

void UnitConnection::ShowState(ConnectState state) {
  ctx_.state = state;
  ctx_.view->ShowConnectState(state);
}

void UnitConnection::Connect(bool show_failure) {
  if (UpgradeBusy()) return;
  if (ctx_.link->IsDeviceOpen()) {
    Disconnect();
    return;
  }
  // A read that ended on a closed link is done or about to be; never two at once.
  read_worker_.Join();
  ctx_.link->OpenHIDDevice();
  if (ctx_.link->IsDeviceOpen()) {
    ctx_.view->CloseUpdateWindow();
    DebugPrint(L"Connect OK！\n");
    ShowState(ConnectState::kConnecting);
    ctx_.link->DisableCommandQueue();
    ctx_.PostMain(MSG_BUSY_OPEN);
    kept_.Connecting(ctx_.unit->live);
    reading_ = true;
    read_worker_.Start(
        [this, bands = ctx_.LiveEqBandCounts()](const std::stop_token&) { ReadThread(bands); });
    return;
  }
  DebugPrint(L"Can not conect usb devices, please connect devices again!\n");
  if (show_failure) {
    ctx_.view->ShowMessage(connect_failure_message_ ? connect_failure_message_()
                                                : "${device_connect_fail}");
  }
  ShowState(ConnectState::kDisconnected);
}

void UnitConnection::Disconnect() {
  if (UpgradeBusy()) return;
  ctx_.view->CloseCalibrationWindow();
  ctx_.link->DisableCommandQueue();
  ctx_.link->CloseHIDDevice(true);
  unlink_owed_ = false;  // the next read asks the unit again
  // The unit leaves once: a second disconnect (its plug-out after a failed read) must not take
  // what the window changed since for what the unit holds.
  const bool present = ctx_.state != ConnectState::kDisconnected;
  ShowState(ConnectState::kDisconnected);
  ctx_.unit->live.modelId = kNoModel;
  if (!present) return;
  if (kept_.UnitLeft(ctx_.unit->live)) ctx_.RefreshFromProfile();
  ctx_.NotifyPresence(false);
}

void UnitConnection::DevicePlugin() {
  DebugPrint(L"DevicePlugin\n");
  if (UpgradeBusy()) {
    DebugPrint(L"sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  Connect(false);
}

void UnitConnection::DevicePlugOut() {
  DebugPrint(L"DevicePlugOut\n");
  if (UpgradeBusy()) {
    DebugPrint(L"sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  Disconnect();
  const bool restarting = restart_.load() == kRestartAwaited;
  restart_ = restarting ? kRestartTold : kNoRestart;
  ctx_.view->ShowPlugOutNotice(restarting ? "${device_reboot}" : "${device_plugout}");
}

void UnitConnection::OnConnected() {
  if (UpgradeBusy() || !ctx_.link->HandshakeOk()) return;
  if (!ctx_.link->IsDeviceOpen() || ctx_.unit->live.modelId == kNoModel) {
    Disconnect();
    return;
  }
  ShowState(ConnectState::kConnected);
  restart_ = kNoRestart;
  ctx_.link->EnableCommandQueue();
  SendOwedUnlink();
  ResolveKeptEdits();
  if (ctx_.state == ConnectState::kConnected) ctx_.NotifyPresence(true);
}

// Edits made while the unit was away are never dropped without a word: the user sees how they
// differ from what the unit holds and sends them or takes the unit's.
void UnitConnection::ResolveKeptEdits() {
  Profile& live = ctx_.unit->live;
  bool replaced = false;
  if (const std::unique_ptr<Profile> mine = kept_.DifferingFrom(live)) {
    const int answer = ctx_.view->AskKeptEdits(DescribeDifferences(live, *mine));
    // The unit left while the question was up: the edits stay held for its return.
    if (ctx_.state != ConnectState::kConnected) return;
    if (answer == ManagerView::kSendKeptEdits) {
      const std::vector<ParameterCommand> commands = TransitionCommands(live, *mine);
      live = *mine;
      SendCommands(*ctx_.link, commands, false);
      replaced = true;
    }
  }
  kept_.Settled(live);
  // The unit's values decide the band editor's mode: a tuned Q is never shown in the graphic one.
  if (AdoptPeqModeOfValues(live) || replaced) {
    ctx_.RefreshFromProfile();
  } else {
    ctx_.UpdateEqualizer(-1);
  }
}

void UnitConnection::SendOwedUnlink() {
  if (std::exchange(unlink_owed_, false)) ctx_.link->CH_Link_Ctrl(0, 0, 0, {}, false);
}

// The read runs beside the window thread: it only talks to the unit and posts. The model is
// written by the callbacks on the window thread, so the curves and the other-model check are
// left to messages handled there, after every reply (posting order).
void UnitConnection::ReadThread(const EqBandCounts& bands) {
  DebugPrint(L"Read mcu value thread start!\n");
  device::ExchangeTally tally;
  const bool handshake_failed = PC_UI_Status_Init(bands) == -1;
  const UnitOutcome outcome = handshake_failed && !tally.unit_gone() ? UnitOutcome::kUnanswered
                                                                      : OutcomeOf(tally);
  last_read_outcome_ = outcome;
  if (handshake_failed || outcome != UnitOutcome::kDone) {
    // A part-read unit is never shown as connected: its defaults would pass for its values.
    ctx_.PostMain(MSG_BUSY_CLOSE);
    if (handshake_failed) {
      ctx_.PostMain(MSG_CONNECT_FAIL);
    } else {
      ctx_.PostFailure(UnitOperation::kConnectRead, outcome);
    }
    ctx_.PostMain(MSG_CONNECT_DISCONNECT);
    reading_ = false;
    return;
  }
  ctx_.PostMain(MSG_READ_CURVES);
  ctx_.PostMain(MSG_CONNECT_DONE);
  ctx_.PostMain(MSG_BUSY_CLOSE);
  DebugPrint(L"Read mcu value thread end!\n");
  if (ctx_.link->HandshakeOk() && ctx_.link->Model() != kModelNumber) ctx_.PostMain(MSG_CONNECT_DISCONNECT);
  reading_ = false;
}

int UnitConnection::PC_UI_Status_Init(const EqBandCounts& bands) {
  DebugPrint(L"PC_UI_Status_Init\n");
  DspLink& l = *ctx_.link;
  l.PC_Connect(1);
  if (!l.Hand_Connect()) return -1;
  if (l.Model() != kModelNumber || !l.HandshakeOk()) return 0;
  const device::ExchangeTally tally;
  for (const auto request : {&DspLink::Get_Source, &DspLink::Get_Main_Volume,
                             &DspLink::Get_Subwoofer_Volume, &DspLink::Get_Mute}) {
    if (tally.GoOn()) (l.*request)();
  }
  if (tally.GoOn()) ReadChannelValues(0, bands);
  for (int scene = 1; scene <= kStoredScenes && tally.GoOn(); ++scene) l.Get_Scene_Name(scene);
  DebugPrint(L"PC_UI_Status_Init done\n");
  return 0;
}

// The channel requests of the connect read, for the live scene or a stored one. Once the unit
// has stopped answering (ExchangeTally::GoOn) the rest are not made: each would wait out its
// time-out, and the read would hold the window's busy state for minutes.
void UnitConnection::ReadChannelValues(int scene, const EqBandCounts& bands) {
  DspLink& l = *ctx_.link;
  constexpr int kSource = 0;
  const device::ExchangeTally tally;
  const auto ask = [&tally](const auto& request) {
    if (tally.GoOn()) request();
  };
  ask([&] { l.Get_CH_Type(scene, kSource, 0, kOutputChannels); });  // one wider than the outputs
  ask([&] { l.Get_CH_Link(scene); });
  ask([&] { l.Get_CH_Lock(scene); });
  ask([&] { l.Get_Filter(scene, kSource, 0, 3); });
  ask([&] { l.Get_Filter(scene, kSource, 4, 7); });
  ask([&] { l.Get_PEQ_Bypass(scene, kSource, 0, kOutputChannels - 1); });
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const int count = std::clamp(bands[ch], 0, kEqBands);
    for (int first = 0; first < count; first += 8) {
      ask([&] { l.Get_EQ(scene, kSource, ch, first, std::min(first + 7, count - 1)); });
    }
  }
  ask([&] { l.Get_Delay(scene, kSource, 0, kOutputChannels - 1); });
  ask([&] { l.Get_Trim(scene, kSource, 0, kOutputChannels - 1); });
  ask([&] { l.Get_Mute_Ch(scene, kSource, 0, kOutputChannels - 1); });
  ask([&] { l.Get_Phase(scene, kSource, 0, kOutputChannels - 1); });
  for (int source = 0; source < kInputSources; ++source) {
    ask([&] { l.Get_Mix_Ch(scene, source, 0, kOutputChannels - 1); });
  }
}

void UnitConnection::ResetMcuFactoryDefault() {
  DebugPrint(L"EqualizerManager::ResetMcuFactoryDefault\n");
  if (!ctx_.view->Confirm("${factory_default_tips}")) return;
  factory_worker_.Join();  // its messages come before this one's
  ctx_.PostMain(MSG_BUSY_OPEN);
  restart_ = kRestartAwaited;
  factory_worker_.Start([this](const std::stop_token&) {
    DebugPrint(L"Factory default thread start!\n");
    device::ExchangeTally tally;
    ctx_.link->Factory_Default_Ctrl();
    if (const UnitOutcome outcome = OutcomeOf(tally); outcome == UnitOutcome::kDone) {
      ctx_.PostMain(MSG_FACTORY_DEFAULT_DONE);
    } else {
      // A unit that left without its reply may be restarting; one that refused is not.
      if (outcome != UnitOutcome::kUnitGone) restart_ = kNoRestart;
      ctx_.PostMain(MSG_BUSY_CLOSE);
      ctx_.PostFailure(UnitOperation::kFactoryDefault, outcome);
    }
    DebugPrint(L"Factory default thread end!\n");
  });
}

bool UnitConnection::ExpectRestart() {
  if (restart_.load() == kRestartTold) return false;
  restart_ = kRestartAwaited;
  return true;
}

void UnitConnection::JoinWorkers() {
  read_worker_.Join();
  factory_worker_.Join();
}

}  // namespace tolva::model
