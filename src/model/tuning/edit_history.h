#pragma once

// Undo and redo of the user's edits of the live profile. A step keeps only the 32-bit words of
// the profile that the edit changed, before and after, so hundreds of steps cost little and
// undoing a step puts back only what that step changed: values the unit reported meanwhile, or
// the current output chosen since, are left as they are.
//
// The history decides nothing about the unit: Undo and Redo give the profile to return to, and
// the caller makes the model equal to it and sends TransitionCommands(live, target).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "model/profile/profile.h"

namespace tolva::model {

class EditHistory {
 public:
  static constexpr std::size_t kDefaultSteps = 256;

  explicit EditHistory(std::size_t max_steps = kDefaultSteps);

  // One finished edit (a typed value, a click, a loaded file). Nothing is recorded when the two
  // agree; inside a group the edit belongs to the group's step. A new step clears the redo side.
  void Record(const Profile& before, const Profile& after);

  // Everything between the outermost BeginGroup and its EndGroup is one step: a drag from press
  // to release, or a group operation made of several edits. Groups nest; an EndGroup without a
  // BeginGroup is ignored.
  void BeginGroup(const Profile& before);
  void EndGroup(const Profile& after);
  bool InGroup() const { return group_depth_ > 0; }

  bool CanUndo() const { return !InGroup() && !undo_.empty(); }
  bool CanRedo() const { return !InGroup() && !redo_.empty(); }
  std::size_t UndoSteps() const { return undo_.size(); }
  std::size_t RedoSteps() const { return redo_.size(); }

  // `current` with the newest step's earlier values put back; the step moves to the redo side.
  // Nothing while a group is open (a drag in progress) or with no step.
  std::optional<Profile> Undo(const Profile& current);
  // `current` with the newest undone step's later values; it moves back to the undo side.
  std::optional<Profile> Redo(const Profile& current);

  // Another unit was connected: its settings are not the ones the steps were made on.
  void Clear();

 private:
  struct WordChange {
    std::uint32_t index;  // word of the profile's object representation
    std::uint32_t before;
    std::uint32_t after;
  };
  using Step = std::vector<WordChange>;

  static Step Diff(const Profile& before, const Profile& after);
  void Push(Step step);
  // Puts the newest step of `from` into `current` (its later values when forward) and moves
  // it to `to`.
  std::optional<Profile> Replay(std::deque<Step>& from, std::deque<Step>& to,
                                const Profile& current, bool forward);

  std::size_t max_steps_;
  std::deque<Step> undo_;  // oldest first
  std::deque<Step> redo_;  // the next to redo last
  int group_depth_ = 0;
  Profile group_before_;
};

}  // namespace tolva::model
