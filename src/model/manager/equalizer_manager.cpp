#include "model/manager/equalizer_manager.h"

#include "base/debug_print.h"

namespace tolva::model {

using device::Notification;

EqualizerManager::EqualizerManager() : EqualizerManager(device::TransportFactory{}) {}

EqualizerManager::EqualizerManager(device::TransportFactory factory, Clock& clock)
    : ctx_(std::move(factory), clock) {}

EqualizerManager::~EqualizerManager() {
  // The link's thread and the workers post to sinks that die with this object: stop both first.
  ctx_.shutdown.request_stop();
  ctx_.link->SetNotificationSink(device::TargetWindow::kMain, nullptr);
  ctx_.link->CloseHIDDevice(true);
  JoinWorkers();
  ctx_.link.reset();
}

void EqualizerManager::JoinWorkers() {
  connection_.JoinWorkers();
  operations_.JoinWorkers();
}

SceneNameSlot* EqualizerManager::SceneNameSlotAt(int slot) {
  return slot >= 0 && slot < kStoredScenes ? &ctx_.unit->sceneName[slot] : nullptr;
}

const dsp::ChannelCurves& EqualizerManager::ChannelCurvesOf(int channel) const {
  static const dsp::ChannelCurves kFlat{};
  return channel >= 0 && channel < kOutputChannels ? ctx_.curves[channel] : kFlat;
}

void EqualizerManager::UpdateAllVolumeEdit() {
  DebugPrint(L"EqualizerManager::UpdateAllVolumeEdit\n");
  ctx_.view->UpdateAllVolumeEdit();
}

void EqualizerManager::SetView(ManagerView* view) {
  ctx_.view = view ? view : &ctx_.silent_view;
}

void EqualizerManager::SetMainSink(device::NotificationSink* sink) {
  device::NotificationSink* chosen = sink ? sink : &ctx_.own_queue;
  ctx_.main_sink = chosen;
  ctx_.link->SetNotificationSink(device::TargetWindow::kMain, chosen);
}

std::size_t EqualizerManager::ProcessPendingNotifications(int wait_ms) {
  std::vector<Notification> pending = ctx_.own_queue.TakeAll(wait_ms);
  for (Notification& n : pending) HandleNotification(n);
  return pending.size();
}

// The window thread's routing of the main window's messages to the part that handles them.
void EqualizerManager::HandleNotification(Notification& n) {
  switch (n.message) {
    case device::MSG_DSP_VALUE:
      connection_.ReadDspValueCallback(n.param, n.value, n.record.get());
      break;
    case device::MSG_MCU_VALUE:
      connection_.ReadMcuValueCallback(n.param, n.value, n.record.get());
      break;
    case device::MSG_SCENE_VALUE:
      connection_.ReadSenceValueCallback(n.param, n.record.get());
      break;
    case device::MSG_KTV_VALUE:
      connection_.ReadKtvValueCallback(n.param, n.value);
      break;
    case device::MSG_DEVICE_ABNORMAL:
      ctx_.view->ShowMessage("${device_status_unnormal}");
      ctx_.view->OpenUpdateWindow();
      break;
    case MSG_FACTORY_DEFAULT_DONE:
      ctx_.view->CloseBusy();
      // Set before the message: the unit leaves while it is up, closing it. Once its leaving
      // has told the restart, the message would only repeat it.
      if (connection_.ExpectRestart()) ctx_.view->ShowMessage("${device_reboot}");
      break;
    case MSG_CONNECT_FAIL:
      ctx_.view->ShowUncaptionedMessage("${device_connect_fail}");
      break;
    case MSG_CONNECT_DONE:
      connection_.OnConnected();
      // Another unit, or the same one changed meanwhile: the steps and side B no longer apply.
      if (ctx_.state == ConnectState::kConnected) tuning_.UnitConnected();
      break;
    case MSG_CONNECT_DISCONNECT:
      connection_.Disconnect();
      break;
    case MSG_BUSY_OPEN:
      ctx_.view->OpenBusy();
      break;
    case MSG_BUSY_CLOSE:
      ctx_.view->CloseBusy();
      break;
    case MSG_READ_CURVES:
      ctx_.ComputeAllResponses();
      ctx_.UpdateEqualizer(-1);
      break;
    case MSG_SCENE_LOADED:
      operations_.OnSceneLoaded();
      break;
    case MSG_REFRESH_FROM_PROFILE:
      ctx_.RefreshFromProfile();
      break;
    case MSG_WRITE_WHOLE_FILE:
      if (const auto* target = dynamic_cast<const WholeFileRecord*>(n.record.get())) {
        operations_.OnWholeUnitRead(target->path, static_cast<UnitOutcome>(n.value));
      }
      break;
    case device::MSG_UNIT_SILENT:
      // Edits stay queued meanwhile; only the button tells.
      if (ctx_.state == ConnectState::kConnected) ctx_.view->ShowUnitAnswering(n.param == 0);
      break;
    case MSG_OPERATION_FAILED:
      operations_.OnOperationFailed(static_cast<UnitOperation>(n.param));
      ctx_.view->ShowMessage(std::string(FailureTextOf(static_cast<UnitOperation>(n.param))));
      break;
    case MSG_UNIT_OPERATION_DONE:
      operations_.OnUnitOperationDone();
      break;
    case MSG_ROOM_CORRECTION_SENT:
      operations_.OnRoomCorrectionSent(n.param == 1);
      break;
    default:
      break;
  }
}

}  // namespace tolva::model
