// The scene menu's file operations: a scene or whole-unit profile read from a file and sent to
// the unit, or the unit saved to one. The unit is talked to on a thread; the model and the
// screen change on the window thread only.
#include "base/debug_print.h"
#include "model/equalizer_manager.h"
#include "model/manager_messages.h"

namespace tolva::model {
namespace {

constexpr int kWholeWriteWaitMs = 20000;  // the unit stores ten scenes after a whole write

auto TellIn(ManagerView& view) {
  return [&view](const std::string& text) { view.ShowMessage(text); };
}

}  // namespace

bool EqualizerManager::StartFileThread(std::function<void()> work) {
  const Tell tell = TellIn(*view_);
  if (RefusedWhileOperationRuns(tell)) return false;
  PostMain(MSG_BUSY_OPEN);
  return StartUnitOperation(tell, std::move(work));
}

void EqualizerManager::LoadSenceConfigFromFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::LoadSenceConfigFromFile\n");
  // Refused before the file replaces the live profile, which the running operation may send.
  if (RefusedWhileOperationRuns(TellIn(*view_))) return;
  const ProfileReadResult result = LoadSceneProfileFile(path);
  if (result != ProfileReadResult::kOk) {
    view_->ShowMessage(std::string(MessageOf(result)));
    return;
  }
  // The thread sends a copy: replies may change the live profile meanwhile.
  auto sent = std::make_shared<const Profile>(unit_->live);
  StartFileThread([this, sent] {
    DebugPrint(L"SetCurSceneThread start!\n");
    const UnitOutcome outcome = SetReadCurProfileToMCU(*sent);
    PostMain(MSG_REFRESH_FROM_PROFILE);
    PostMain(MSG_BUSY_CLOSE);
    if (outcome != UnitOutcome::kDone) PostFailure(UnitOperation::kSceneWrite, outcome);
    DebugPrint(L"SetCurSceneThread end!\n");
  });
}

void EqualizerManager::SaveSenceConfigToFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::SaveSenceConfigToFile\n");
  view_->ShowMessage(
      std::string(SaveSceneProfileFile(path) ? kProfileSaveOk : kProfileCreateError));
}

void EqualizerManager::LoadWholeConfigFromFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::LoadWholeConfigFromFile\n");
  if (RefusedWhileOperationRuns(TellIn(*view_))) return;
  const ProfileReadResult result = LoadWholeProfileFile(path);
  if (result != ProfileReadResult::kOk) {
    view_->ShowMessage(std::string(MessageOf(result)));
    return;
  }
  auto sent = std::make_shared<const UnitSettings>(*unit_);
  StartFileThread([this, sent, stop = shutdown_.get_token()] {
    DebugPrint(L"SetWholeProfileThread start!\n");
    const UnitOutcome outcome = SetReadWholeProfileToMCU(*sent);
    PostMain(MSG_REFRESH_FROM_PROFILE);
    // The unit stores the scenes meanwhile; a unit that has gone stores nothing.
    if (outcome != UnitOutcome::kUnitGone) SleepUnlessStopped(clock_, stop, kWholeWriteWaitMs);
    PostMain(MSG_BUSY_CLOSE);
    if (outcome != UnitOutcome::kDone) PostFailure(UnitOperation::kWholeWrite, outcome);
    DebugPrint(L"SetWholeProfileThread end!\n");
  });
}

void EqualizerManager::SaveWholeConfigToFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::SaveWholeConfigToFile\n");
  const EqBandCounts bands = LiveEqBandCounts();
  StartFileThread([this, path, bands] {
    DebugPrint(L"SaveWholeSceneThread start!\n");
    const UnitOutcome outcome = ReadWholeUnit(bands);
    // Written on the window thread, behind the replies it must contain; not at all when a
    // reply is missing, so a good file is never replaced by a part-read unit.
    main_sink_.load()->Post(device::Notification{MSG_WRITE_WHOLE_FILE, 0,
                                                 static_cast<std::int64_t>(outcome),
                                                 std::make_unique<WholeFileRecord>(path)});
  });
}

UnitOutcome EqualizerManager::ReadWholeUnit() {
  return ReadWholeUnit(LiveEqBandCounts());
}

UnitOutcome EqualizerManager::ReadWholeUnit(const EqBandCounts& bands) {
  device::ExchangeTally tally;
  for (int scene = 1; scene <= kStoredScenes && !tally.unit_gone(); ++scene) {
    ReadStoredScene(scene, bands);
  }
  if (tally.unit_gone()) return UnitOutcome::kUnitGone;
  link_->ReadScene(0, 0);
  if (PC_UI_Status_Init(bands) == -1 && !tally.unit_gone()) return UnitOutcome::kUnanswered;
  return OutcomeOf(tally);
}

void EqualizerManager::OnWholeUnitRead(const std::string& path, UnitOutcome outcome) {
  if (outcome != UnitOutcome::kDone) {
    view_->CloseBusy();
    view_->ShowMessage(std::string(FailureTextOf(UnitOperation::kReadWhole)));
    DebugPrint(L"SaveWholeSceneThread end!\n");
    return;
  }
  const bool written = SaveWholeProfileFile(path);
  view_->CloseBusy();
  view_->ShowMessage(std::string(written ? kProfileSaveOk : kProfileCreateError));
  DebugPrint(L"SaveWholeSceneThread end!\n");
}

}  // namespace tolva::model
