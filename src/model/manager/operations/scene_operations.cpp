// Scenes stored on the unit: load one into the working set, save the working set under a name,
// delete one, read one without loading it. Each confirmed action runs on the unit-operation
// thread behind the scene window's busy window; the unit's acknowledgements go to that window.
#include "base/debug_print.h"
#include "base/language_tables.h"
#include "device/protocol/protocol_codes.h"
#include "model/profile/input_sources.h"
#include "model/manager/manager_messages.h"
#include "model/profile/scene_names.h"
#include "model/manager/operations/unit_operations.h"

namespace tolva::model {

namespace {

constexpr const char* kUnitBusyTips = "${unit_busy_tips}";

auto TellIn(SceneView& view) {
  return [&view](const std::string& text) { view.ShowMessage(text); };
}

}  // namespace

bool UnitOperations::RefusedWhileOperationRuns(const Tell& tell) const {
  if (!unit_operation_running_) return false;
  DebugPrint(L"unit operation still running: refused\n");
  tell(Languages().Resolve(kUnitBusyTips));
  return true;
}

bool UnitOperations::StartUnitOperation(const Tell& tell, std::function<void()> work) {
  // Checked again here: a dialog's nested event loop may have started another one meanwhile.
  if (RefusedWhileOperationRuns(tell)) return false;
  // Not running means its end was handled, so the thread has nothing left but to return.
  unit_operation_running_ = true;
  unit_operation_worker_.Start([this, work = std::move(work)](const std::stop_token&) {
    work();
    ctx_.PostMain(MSG_UNIT_OPERATION_DONE);
  });
  return true;
}

bool UnitOperations::StartSceneThread(SceneView& view, int scene, std::function<void()> work) {
  const Tell tell = TellIn(view);
  if (RefusedWhileOperationRuns(tell)) return false;
  ctx_.scene_sink = view.Sink();
  ctx_.scene_sink->Post(device::Notification{MSG_BUSY_OPEN, 0, 0, nullptr});
  selected_scene_ = scene;
  ctx_.link->SetNotificationSink(device::TargetWindow::kScene, ctx_.scene_sink.get());
  return StartUnitOperation(tell, std::move(work));
}

void UnitOperations::LoadSence(SceneView& view, int scene) {
  DebugPrint(L"LoadSence\n");
  if (scene < 1 || scene > kStoredScenes) return;
  if (RefusedWhileOperationRuns(TellIn(view))) return;
  const std::u16string name = SceneName(ctx_.unit->sceneName[scene - 1]);
  const std::string number = std::to_string(scene);
  const std::string question =
      name.empty()
          ? FillPlaceholders(Languages().Resolve("${load_scene_tips2}"), {number})
          : FillPlaceholders(Languages().Resolve("${load_scene_tips1}"), {number, Utf8Of(name)});
  if (!view.Confirm(question)) return;
  const EqBandCounts bands = ctx_.LiveEqBandCounts();
  StartSceneThread(view, scene, [this, scene, bands] {
    DebugPrint(L"LoadSenceThread start!\n");
    device::ExchangeTally tally;
    ctx_.link->DisableCommandQueue();
    ctx_.link->ReadScene(scene, 0);
    connection_.PC_UI_Status_Init(bands);
    // The replies are applied on the window thread; the screen follows them there.
    ctx_.PostMain(MSG_SCENE_LOADED);
    if (const UnitOutcome outcome = OutcomeOf(tally); outcome != UnitOutcome::kDone) {
      ctx_.PostFailure(UnitOperation::kSceneLoad, outcome);
    }
  });
}

// On a scene thread: without the acknowledgement nothing else would close the busy window.
void UnitOperations::FailUnlessAcknowledged(device::NotificationSink& scene_window,
                                              UnitOperation operation, UnitOutcome outcome) {
  if (outcome == UnitOutcome::kDone) return;
  scene_window.Post(device::Notification{MSG_BUSY_CLOSE, 0, 0, nullptr});
  ctx_.PostFailure(operation, outcome);
}

// On the window thread, after every reply of the load: the new roles and curves shown, edits
// sent again, and the scene window's busy window closed.
void UnitOperations::OnSceneLoaded() {
  ctx_.view->LiveValueApplied(device::dsp_sub::kRole, ctx_.CurrentChannel());
  ctx_.ComputeAllResponses();
  ctx_.UpdateEqualizer(-1);
  if (ctx_.state == ConnectState::kConnected) {
    ctx_.link->EnableCommandQueue();
    connection_.SendOwedUnlink();
  }
  if (ctx_.scene_sink) ctx_.scene_sink->Post(device::Notification{MSG_BUSY_CLOSE, 0, 0, nullptr});
  DebugPrint(L"LoadSenceThread end!\n");
}

void UnitOperations::SaveSence(SceneView& view, int scene) {
  DebugPrint(L"SaveSence\n");
  if (scene < 1 || scene > kStoredScenes) return;
  if (RefusedWhileOperationRuns(TellIn(view))) return;
  SceneNameSlot& slot = ctx_.unit->sceneName[scene - 1];
  const std::u16string old_name = SceneName(slot);
  if (!old_name.empty() &&
      !view.Confirm(FillPlaceholders(Languages().Resolve("${save_scene_overwrite}"),
                                     {std::to_string(scene)}))) {
    return;
  }
  std::string typed = Utf8Of(old_name);
  if (!view.AskName(typed)) return;
  // The slot, the row and the same-name check take the name as the unit will hold it (the name
  // dialog says so beforehand when that is not what was typed).
  const std::u16string name = SceneNameAsKept(Utf16Of(typed));
  if (name.empty()) return;
  SceneNameSlot proposed{};
  SetSceneName(proposed, name);
  const auto unit_name = UnitNameOfSlot(proposed);
  for (int other = 0; other < kStoredScenes; ++other) {
    if (other == scene - 1 || SceneName(ctx_.unit->sceneName[other]) != name) continue;
    view.ShowMessage(FillPlaceholders(
        Languages().Resolve("${same_name_tips}"),
        {Utf8Of(name), std::to_string(other + 1), Utf8Of(SceneName(ctx_.unit->sceneName[other]))}));
    return;
  }
  const bool started = StartSceneThread(view, scene, [this, scene, unit_name, sink = view.Sink()] {
    DebugPrint(L"SaveSenceThread start!\n");
    device::ExchangeTally tally;
    ctx_.link->SetSceneName(scene, unit_name);
    ctx_.link->SaveScene(scene, 0);
    // Only the unit's acknowledgement closes the busy window and says "saved".
    FailUnlessAcknowledged(*sink, UnitOperation::kSceneSave, OutcomeOf(tally));
    DebugPrint(L"SaveSenceThread end!\n");
  });
  if (!started) return;
  slot_before_ = SlotBefore{scene, slot};
  slot = proposed;
  view.RefreshRows();
}

void UnitOperations::DeleteSence(SceneView& view, int scene) {
  DebugPrint(L"DeleteSence\n");
  if (scene < 1 || scene > kStoredScenes) return;
  if (RefusedWhileOperationRuns(TellIn(view))) return;
  // A delete cannot be undone on the unit: asked, naming the scene, as a load and an overwrite
  // are.
  const std::u16string name = SceneName(ctx_.unit->sceneName[scene - 1]);
  const std::string number = std::to_string(scene);
  const std::string question =
      name.empty() ? FillPlaceholders(Languages().Resolve("${delete_scene_tips2}"), {number})
                   : FillPlaceholders(Languages().Resolve("${delete_scene_tips1}"),
                                      {number, Utf8Of(name)});
  if (!view.Confirm(question)) return;
  const bool started = StartSceneThread(view, scene, [this, scene, sink = view.Sink()] {
    DebugPrint(L"DeleteSenceThread start!\n");
    device::ExchangeTally tally;
    ctx_.link->DeleteScene(scene);
    FailUnlessAcknowledged(*sink, UnitOperation::kSceneDelete, OutcomeOf(tally));
    DebugPrint(L"DeleteSenceThread end!\n");
  });
  if (!started) return;
  slot_before_ = SlotBefore{scene, ctx_.unit->sceneName[scene - 1]};
  ctx_.unit->sceneName[scene - 1] = SceneNameSlot{};
  view.RefreshRows();
}

void UnitOperations::OnOperationFailed(UnitOperation operation) {
  if (operation != UnitOperation::kSceneSave && operation != UnitOperation::kSceneDelete) return;
  if (!slot_before_) return;
  ctx_.unit->sceneName[slot_before_->scene - 1] = slot_before_->slot;
  slot_before_.reset();
  if (ctx_.scene_sink) {
    ctx_.scene_sink->Post(device::Notification{MSG_SCENE_ROWS_CHANGED, 0, 0, nullptr});
  }
}

void UnitOperations::ReadStoredScene(int scene, const EqBandCounts& bands) {
  if (scene < 1 || scene > kStoredScenes) return;
  DebugPrint(L"read scene sceneId(%d)\n", scene);
  device::DspLink& l = *ctx_.link;
  // Once the unit has stopped answering the rest would only wait out time-outs.
  const device::ExchangeTally tally;
  l.ReadScene(scene, 255);
  SleepUnlessStopped(ctx_.clock, ctx_.shutdown.get_token(), kReadSceneSettleMs);
  connection_.ReadChannelValues(scene, bands);
  for (int source = 0; source < kInputSources && tally.GoOn(); ++source) {
    for (int in = 0; in < SourceInfo(source).mixer_inputs && tally.GoOn(); ++in) {
      l.Get_Input_Mix_CH_Trim(scene, source, in, 0, kOutputChannels - 1);
    }
  }
  for (int name = 1; name <= 7 && tally.GoOn(); ++name) l.Get_Scene_Name(name);
}

void UnitOperations::JoinWorkers() {
  unit_operation_worker_.Join();
  correction_worker_.Join();
}

}  // namespace tolva::model
