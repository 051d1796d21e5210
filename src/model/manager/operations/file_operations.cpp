// The scene menu's file operations: a scene or whole-unit profile read from a file and sent to
// the unit, or the unit saved to one. The unit is talked to on a thread; the model and the
// screen change on the window thread only.
#include "base/debug_print.h"
#include "model/manager/operations/unit_operations.h"
#include "model/manager/manager_messages.h"
#include "model/edits/unit_limits.h"

namespace tolva::model {
namespace {

constexpr int kWholeWriteWaitMs = 20000;  // the unit stores ten scenes after a whole write

auto TellIn(ManagerView& view) {
  return [&view](const std::string& text) { view.ShowMessage(text); };
}

}  // namespace

ProfileReadResult UnitOperations::LoadSceneProfileFile(const std::string& path) {
  return ReadSceneProfile(path, ctx_.unit->live);
}

ProfileReadResult UnitOperations::LoadWholeProfileFile(const std::string& path) {
  return ReadWholeProfile(path, *ctx_.unit);
}

bool UnitOperations::RefusedBeyondLimits(const std::string& problem) {
  if (problem.empty()) return false;
  DebugPrint(L"profile refused: %s\n", problem.c_str());
  ctx_.view->ShowMessage(std::string(kProfileBeyondLimits));
  return true;
}

bool UnitOperations::SaveSceneProfileFile(const std::string& path) const {
  return WriteSceneProfile(ctx_.unit->live, path);
}

bool UnitOperations::SaveWholeProfileFile(const std::string& path) const {
  return WriteWholeProfile(*ctx_.unit, path);
}

bool UnitOperations::StartFileThread(std::function<void()> work) {
  const Tell tell = TellIn(*ctx_.view);
  if (RefusedWhileOperationRuns(tell)) return false;
  ctx_.PostMain(MSG_BUSY_OPEN);
  return StartUnitOperation(tell, std::move(work));
}

void UnitOperations::LoadSenceConfigFromFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::LoadSenceConfigFromFile\n");
  // Refused before the file replaces the live profile, which the running operation may send.
  if (RefusedWhileOperationRuns(TellIn(*ctx_.view))) return;
  auto read = std::make_unique<Profile>(ctx_.unit->live);
  const ProfileReadResult result = ReadSceneProfile(path, *read);
  if (result != ProfileReadResult::kOk) {
    ctx_.view->ShowMessage(ProfileRefusalText(path, result, false));
    return;
  }
  if (RefusedBeyondLimits(FirstValueBeyondUnitLimits(*read, ""))) return;
  ctx_.unit->live = *read;
  // The thread sends a copy: replies may change the live profile meanwhile.
  auto sent = std::make_shared<const Profile>(ctx_.unit->live);
  StartFileThread([this, sent] {
    DebugPrint(L"SetCurSceneThread start!\n");
    const UnitOutcome outcome = SetReadCurProfileToMCU(*sent);
    ctx_.PostMain(MSG_REFRESH_FROM_PROFILE);
    ctx_.PostMain(MSG_BUSY_CLOSE);
    if (outcome != UnitOutcome::kDone) ctx_.PostFailure(UnitOperation::kSceneWrite, outcome);
    DebugPrint(L"SetCurSceneThread end!\n");
  });
}

void UnitOperations::SaveSenceConfigToFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::SaveSenceConfigToFile\n");
  if (SaveSceneProfileFile(path)) {
    ctx_.view->ShowSaved(std::string(kProfileSaveOk));
  } else {
    ctx_.view->ShowMessage(std::string(kProfileCreateError));
  }
}

void UnitOperations::LoadWholeConfigFromFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::LoadWholeConfigFromFile\n");
  if (RefusedWhileOperationRuns(TellIn(*ctx_.view))) return;
  auto read = std::make_unique<UnitSettings>(*ctx_.unit);
  const ProfileReadResult result = ReadWholeProfile(path, *read);
  if (result != ProfileReadResult::kOk) {
    ctx_.view->ShowMessage(ProfileRefusalText(path, result, true));
    return;
  }
  if (RefusedBeyondLimits(FirstValueBeyondUnitLimits(*read, true))) return;
  *ctx_.unit = *read;
  auto sent = std::make_shared<const UnitSettings>(*ctx_.unit);
  StartFileThread([this, sent] {
    DebugPrint(L"SetWholeProfileThread start!\n");
    const UnitOutcome outcome = WriteWholeUnit(*sent);
    ctx_.PostMain(MSG_REFRESH_FROM_PROFILE);
    ctx_.PostMain(MSG_BUSY_CLOSE);
    if (outcome != UnitOutcome::kDone) ctx_.PostFailure(UnitOperation::kWholeWrite, outcome);
    DebugPrint(L"SetWholeProfileThread end!\n");
  });
}

UnitOutcome UnitOperations::WriteWholeUnit(const UnitSettings& unit) {
  const UnitOutcome outcome = SetReadWholeProfileToMCU(unit);
  // The unit stores the scenes meanwhile; a unit that has gone stores nothing.
  if (outcome != UnitOutcome::kUnitGone) {
    SleepUnlessStopped(ctx_.clock, ctx_.shutdown.get_token(), kWholeWriteWaitMs);
  }
  return outcome;
}

void UnitOperations::SaveWholeConfigToFile(const std::string& path) {
  DebugPrint(L"EqualizerManager::SaveWholeConfigToFile\n");
  const EqBandCounts bands = ctx_.LiveEqBandCounts();
  StartFileThread([this, path, bands] {
    DebugPrint(L"SaveWholeSceneThread start!\n");
    const UnitOutcome outcome = ReadWholeUnit(bands);
    // Written on the window thread, behind the replies it must contain; not at all when a
    // reply is missing, so a good file is never replaced by a part-read unit.
    ctx_.main_sink.load()->Post(device::Notification{MSG_WRITE_WHOLE_FILE, 0,
                                                 static_cast<std::int64_t>(outcome),
                                                 std::make_unique<WholeFileRecord>(path)});
  });
}

UnitOutcome UnitOperations::ReadWholeUnit(const EqBandCounts& bands) {
  device::ExchangeTally tally;
  for (int scene = 1; scene <= kStoredScenes && tally.GoOn(); ++scene) {
    ReadStoredScene(scene, bands);
  }
  // Back to the working set also when the read failed: the unit was left on a stored scene
  // prepared for reading.
  if (!tally.unit_gone()) ctx_.link->ReadScene(0, 0);
  if (!tally.GoOn()) return OutcomeOf(tally);
  if (connection_.PC_UI_Status_Init(bands) == -1 && !tally.unit_gone()) return UnitOutcome::kUnanswered;
  return OutcomeOf(tally);
}

void UnitOperations::OnWholeUnitRead(const std::string& path, UnitOutcome outcome) {
  if (outcome != UnitOutcome::kDone) {
    ctx_.view->CloseBusy();
    ctx_.view->ShowMessage(std::string(FailureTextOf(UnitOperation::kReadWhole)));
    DebugPrint(L"SaveWholeSceneThread end!\n");
    return;
  }
  const bool written = SaveWholeProfileFile(path);
  ctx_.view->CloseBusy();
  if (written) {
    ctx_.view->ShowSaved(std::string(kProfileSaveOk));
  } else {
    ctx_.view->ShowMessage(std::string(kProfileCreateError));
  }
  DebugPrint(L"SaveWholeSceneThread end!\n");
}

}  // namespace tolva::model
