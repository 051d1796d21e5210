#pragma once

// Live tuning made safe to explore, on the window thread: every edit is one step of the live
// side's undo history, a change that would leave a tweeter without a high-pass of at least
// 1 kHz is asked about before its commands reach the unit, and undo, redo and the A/B switch
// send only the differences. The questions go to the manager's view (Confirm).

#include <functional>
#include <memory>
#include <vector>

#include "model/manager/manager_context.h"
#include "model/profile/profile.h"
#include "model/edits/profile_transition.h"
#include "model/tuning/tuning_session.h"

namespace tolva::model {

class SafeTuning {
 public:
  // unit_busy: a unit operation or the connect read runs, which no undo, redo or switch may cross.
  SafeTuning(ManagerContext& ctx, std::function<bool()> unit_busy)
      : ctx_(ctx), unit_busy_(std::move(unit_busy)) {}
  SafeTuning(const SafeTuning&) = delete;
  SafeTuning& operator=(const SafeTuning&) = delete;

  // One edit as one step. `apply` changes the live profile and queues its commands. Guarded:
  // those commands wait in the link until the tweeter question is answered, and "cancel" puts
  // the profile and the screen back; within a gesture the question waits for its end. Inside
  // another edit (a question it asked) `apply` just runs, as part of that edit.
  void Edit(const std::function<void()>& apply, bool guarded);
  // The commands of a change already made to the live profile, from `before`: asked about when
  // guarded, then handed to the link (queued), or the change taken back. False when taken back.
  bool Commit(const Profile& before, const std::vector<ParameterCommand>& commands, bool guarded);

  // A drag on the graph or a slider, press to release: one step, asked about at its release.
  // Its commands go out as it moves until the first move that leaves a tweeter unprotected;
  // from there they are held in the link until the answer.
  void BeginGesture();
  void EndGesture();
  bool InGesture() const { return gesture_before_ != nullptr; }
  // Inside an edit or its question.
  bool Editing() const { return depth_ > 0; }

  // Undo (backwards), redo, the A/B switch (the first copies A to B), each asked about like an
  // edit; false when nothing was taken (nothing to take, refused, or Busy).
  bool Undo() { return TakeStep(false); }
  bool Redo() { return TakeStep(true); }
  bool SwitchSide();
  // An edit, a gesture, a group or a unit operation is open: no undo, redo or switch meanwhile.
  bool Busy() const;

  // Before a file replaces the live settings with `incoming`: false when the user keeps them.
  bool MayReplaceLive(const Profile& incoming);
  // Around an operation the unit makes itself (a stored scene it loads): its settings are known
  // only after the read, so the question comes afterwards and offers to return to `before`.
  void Unit(const std::function<void()>& operation);

  // Another unit was connected: the steps and the other side no longer apply; held commands are
  // dropped.
  void UnitConnected();

  const TuningSession& Session() const { return session_; }

 private:
  Profile& Live() { return ctx_.unit->live; }
  bool Ask(const std::string& question);
  bool TakeStep(bool forward);
  // The model made equal to target, the screen refreshed, the differences queued.
  void MoveTo(const Profile& target);

  ManagerContext& ctx_;
  std::function<bool()> unit_busy_;
  TuningSession session_;
  int depth_ = 0;
  std::unique_ptr<Profile> gesture_before_;
  // While a gesture's commands are held for the question: the live profile the unit holds.
  std::unique_ptr<Profile> gesture_unit_;
};

}  // namespace tolva::model
