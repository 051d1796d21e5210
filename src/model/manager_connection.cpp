// Connecting, disconnecting, plug events, the connect read and the routing of main-window
// messages: the half of the manager that follows the unit's presence.
#include <algorithm>

#include "base/debug_print.h"
#include "device/records.h"
#include "device/reply_decoder.h"
#include "model/equalizer_manager.h"
#include "model/input_sources.h"

namespace tolva::model {

using device::DspLink;
using device::Notification;

bool EqualizerManager::UpgradeBusy() const {
  const int s = link_->UpgradeState();
  return s == device::UPG_ENTER || s == device::UPG_START;
}

void EqualizerManager::SetView(ManagerView* view) {
  view_ = view ? view : &silent_view_;
}

void EqualizerManager::SetMainSink(device::NotificationSink* sink) {
  device::NotificationSink* chosen = sink ? sink : &own_queue_;
  main_sink_ = chosen;
  link_->SetNotificationSink(device::TargetWindow::kMain, chosen);
}

void EqualizerManager::PostMain(std::uint32_t message) {
  main_sink_.load()->Post(Notification{message, 0, 0, nullptr});
}

void EqualizerManager::PostFailure(UnitOperation operation, UnitOutcome outcome) {
  DebugPrint(L"operation %d not completed: %ls\n", static_cast<int>(operation),
             outcome == UnitOutcome::kUnitGone ? L"the unit is gone" : L"a request unanswered");
  main_sink_.load()->Post(Notification{MSG_OPERATION_FAILED, static_cast<std::int64_t>(operation),
                                       static_cast<std::int64_t>(outcome), nullptr});
}

std::size_t EqualizerManager::ProcessPendingNotifications(int wait_ms) {
  std::vector<Notification> pending = own_queue_.TakeAll(wait_ms);
  for (Notification& n : pending) HandleNotification(n);
  return pending.size();
}

void EqualizerManager::HandleNotification(Notification& n) {
  switch (n.message) {
    case device::MSG_DSP_VALUE:
      ReadDspValueCallback(n.param, n.value, n.record.get());
      break;
    case device::MSG_MCU_VALUE:
      ReadMcuValueCallback(n.param, n.value, n.record.get());
      break;
    case device::MSG_SCENE_VALUE:
      ReadSenceValueCallback(n.param, n.record.get());
      break;
    case device::MSG_KTV_VALUE:
      ReadKtvValueCallback(n.param, n.value);
      break;
    case device::MSG_DEVICE_ABNORMAL:
      view_->ShowMessage("${device_status_unnormal}");
      view_->OpenUpdateWindow();
      break;
    case MSG_FACTORY_DEFAULT_DONE:
      view_->CloseBusy();
      view_->ShowMessage("${device_reboot}");
      break;
    case MSG_CONNECT_FAIL:
      view_->ShowUncaptionedMessage("${device_connect_fail}");
      break;
    case MSG_CONNECT_DONE:
      OnConnected();
      break;
    case MSG_CONNECT_DISCONNECT:
      Disconnect();
      break;
    case MSG_BUSY_OPEN:
      view_->OpenBusy();
      break;
    case MSG_BUSY_CLOSE:
      view_->CloseBusy();
      break;
    case MSG_READ_CURVES:
      ComputeAllResponses();
      UpdateEqualizer(-1);
      break;
    case MSG_SCENE_LOADED:
      OnSceneLoaded();
      break;
    case MSG_REFRESH_FROM_PROFILE:
      RefreshFromProfile();
      break;
    case MSG_WRITE_WHOLE_FILE:
      if (const auto* target = dynamic_cast<const WholeFileRecord*>(n.record.get())) {
        OnWholeUnitRead(target->path, static_cast<UnitOutcome>(n.value));
      }
      break;
    case device::MSG_UNIT_SILENT:
      // Edits stay queued meanwhile; only the button tells.
      if (state_ == ConnectState::kConnected) view_->ShowUnitAnswering(n.param == 0);
      break;
    case MSG_OPERATION_FAILED:
      view_->ShowMessage(std::string(FailureTextOf(static_cast<UnitOperation>(n.param))));
      break;
    case MSG_UNIT_OPERATION_DONE:
      unit_operation_running_ = false;
      break;
    case MSG_ROOM_CORRECTION_SENT:
      OnRoomCorrectionSent(n.param == 1);
      break;
    default:
      break;
  }
}

void EqualizerManager::ShowState(ConnectState state) {
  state_ = state;
  view_->ShowConnectState(state);
}

void EqualizerManager::Connect(bool show_failure) {
  if (UpgradeBusy()) return;
  if (link_->IsDeviceOpen()) {
    Disconnect();
    return;
  }
  // A read that ended on a closed link is done or about to be; never two at once.
  read_worker_.Join();
  link_->OpenHIDDevice();
  if (link_->IsDeviceOpen()) {
    view_->CloseUpdateWindow();
    DebugPrint(L"Connect OK！\n");
    ShowState(ConnectState::kConnecting);
    link_->DisableCommandQueue();
    PostMain(MSG_BUSY_OPEN);
    reading_ = true;
    read_worker_.Start([this](const std::stop_token&) { ReadThread(); });
    return;
  }
  DebugPrint(L"Can not conect usb devices, please connect devices again!\n");
  if (show_failure) {
    view_->ShowMessage(connect_failure_message_ ? connect_failure_message_()
                                                : "${device_connect_fail}");
  }
  ShowState(ConnectState::kDisconnected);
}

void EqualizerManager::Disconnect() {
  if (UpgradeBusy()) return;
  view_->CloseCalibrationWindow();
  link_->DisableCommandQueue();
  link_->CloseHIDDevice(true);
  ShowState(ConnectState::kDisconnected);
  unit_->live.modelId = kNoModel;
}

void EqualizerManager::DevicePlugin() {
  DebugPrint(L"DevicePlugin\n");
  if (UpgradeBusy()) {
    DebugPrint(L"sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  Connect(false);
}

void EqualizerManager::DevicePlugOut() {
  DebugPrint(L"DevicePlugOut\n");
  if (UpgradeBusy()) {
    DebugPrint(L"sys_upg_status UPG_ENTER or UPG_START\n");
    return;
  }
  Disconnect();
  view_->ShowPlugOutNotice();
}

void EqualizerManager::OnConnected() {
  if (UpgradeBusy() || !link_->HandshakeOk()) return;
  if (!link_->IsDeviceOpen() || unit_->live.modelId == kNoModel) {
    Disconnect();
    return;
  }
  ShowState(ConnectState::kConnected);
  link_->EnableCommandQueue();
  UpdateEqualizer(-1);
}

// The read runs beside the window thread: it only talks to the unit and posts. The model is
// written by the callbacks on the window thread, so the curves and the other-model check are
// left to messages handled there, after every reply (posting order).
void EqualizerManager::ReadThread() {
  DebugPrint(L"Read mcu value thread start!\n");
  device::ExchangeTally tally;
  const bool handshake_failed = PC_UI_Status_Init() == -1;
  const UnitOutcome outcome = handshake_failed && !tally.unit_gone() ? UnitOutcome::kUnanswered
                                                                      : OutcomeOf(tally);
  last_read_outcome_ = outcome;
  if (handshake_failed || outcome != UnitOutcome::kDone) {
    // A part-read unit is never shown as connected: its defaults would pass for its values.
    PostMain(MSG_BUSY_CLOSE);
    if (handshake_failed) {
      PostMain(MSG_CONNECT_FAIL);
    } else {
      PostFailure(UnitOperation::kConnectRead, outcome);
    }
    PostMain(MSG_CONNECT_DISCONNECT);
    reading_ = false;
    return;
  }
  PostMain(MSG_READ_CURVES);
  PostMain(MSG_CONNECT_DONE);
  PostMain(MSG_BUSY_CLOSE);
  DebugPrint(L"Read mcu value thread end!\n");
  if (link_->HandshakeOk() && link_->Model() != kModelNumber) PostMain(MSG_CONNECT_DISCONNECT);
  reading_ = false;
}

EqualizerManager::EqBandCounts EqualizerManager::LiveEqBandCounts() const {
  EqBandCounts bands{};
  for (int ch = 0; ch < kOutputChannels; ++ch) bands[ch] = unit_->live.channels[ch].eqSize;
  return bands;
}

int EqualizerManager::PC_UI_Status_Init() {
  return PC_UI_Status_Init(LiveEqBandCounts());
}

int EqualizerManager::PC_UI_Status_Init(const EqBandCounts& bands) {
  DebugPrint(L"PC_UI_Status_Init\n");
  DspLink& l = *link_;
  l.PC_Connect(1);
  if (!l.Hand_Connect()) return -1;
  if (l.Model() != kModelNumber || !l.HandshakeOk()) return 0;
  l.Get_Source();
  l.Get_Main_Volume();
  l.Get_Subwoofer_Volume();
  l.Get_Mute();
  ReadChannelValues(0, bands);
  for (int scene = 1; scene <= kStoredScenes; ++scene) l.Get_Scene_Name(scene);
  DebugPrint(L"PC_UI_Status_Init done\n");
  return 0;
}

// The channel requests of the connect read, for the live scene or a stored one.
void EqualizerManager::ReadChannelValues(int scene, const EqBandCounts& bands) {
  DspLink& l = *link_;
  constexpr int kSource = 0;
  l.Get_CH_Type(scene, kSource, 0, kOutputChannels);  // one wider than the outputs
  l.Get_CH_Link(scene);
  l.Get_CH_Lock(scene);
  l.Get_Filter(scene, kSource, 0, 3);
  l.Get_Filter(scene, kSource, 4, 7);
  l.Get_PEQ_Bypass(scene, kSource, 0, kOutputChannels - 1);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const int count = std::clamp(bands[ch], 0, kEqBands);
    for (int first = 0; first < count; first += 8) {
      l.Get_EQ(scene, kSource, ch, first, std::min(first + 7, count - 1));
    }
  }
  l.Get_Delay(scene, kSource, 0, kOutputChannels - 1);
  l.Get_Trim(scene, kSource, 0, kOutputChannels - 1);
  l.Get_Mute_Ch(scene, kSource, 0, kOutputChannels - 1);
  l.Get_Phase(scene, kSource, 0, kOutputChannels - 1);
  for (int source = 0; source < kInputSources; ++source) {
    l.Get_Mix_Ch(scene, source, 0, kOutputChannels - 1);
  }
}

void EqualizerManager::ResetMcuFactoryDefault() {
  DebugPrint(L"EqualizerManager::ResetMcuFactoryDefault\n");
  if (!view_->Confirm("${factory_default_tips}")) return;
  factory_worker_.Join();  // its messages come before this one's
  PostMain(MSG_BUSY_OPEN);
  factory_worker_.Start([this](const std::stop_token&) {
    DebugPrint(L"Factory default thread start!\n");
    device::ExchangeTally tally;
    link_->Factory_Default_Ctrl();
    if (const UnitOutcome outcome = OutcomeOf(tally); outcome == UnitOutcome::kDone) {
      PostMain(MSG_FACTORY_DEFAULT_DONE);
    } else {
      PostMain(MSG_BUSY_CLOSE);
      PostFailure(UnitOperation::kFactoryDefault, outcome);
    }
    DebugPrint(L"Factory default thread end!\n");
  });
}

void EqualizerManager::JoinWorkers() {
  read_worker_.Join();
  factory_worker_.Join();
  unit_operation_worker_.Join();
  correction_worker_.Join();
}

}  // namespace tolva::model
