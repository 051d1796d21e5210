#pragma once

// What makes live tuning safe to explore, without the screen: the undo history of each side of
// an A/B comparison, the side that is not live, and the tweeter question to ask before a change
// is sent. The window records the user's edits here, asks the questions and applies the
// profiles it is given through TransitionCommands.

#include <array>
#include <optional>
#include <string>

#include "model/tuning/edit_history.h"
#include "model/profile/profile.h"

namespace tolva::model {

class TuningSession {
 public:
  enum class Side { kA = 0, kB = 1 };

  explicit TuningSession(std::size_t steps = EditHistory::kDefaultSteps);

  // The live side's history: edits are recorded there, undo and redo take from it. Each side
  // keeps its own, so undo after a switch takes back that side's edits only.
  EditHistory& History() { return histories_[static_cast<int>(live_side_)]; }
  const EditHistory& History() const { return histories_[static_cast<int>(live_side_)]; }

  // One finished edit of the live side. A change of only what the program shows (the output
  // being edited, the curves shown) is no step.
  void Record(const Profile& before, const Profile& after);

  // --- A/B comparison ---
  bool Comparing() const { return other_.has_value(); }
  Side LiveSide() const { return live_side_; }
  // The profile a switch makes live: the other side, or, on the first switch, `live` itself
  // (A is copied to B, so the first switch sends nothing).
  Profile SwitchTarget(const Profile& live) const;
  // The switch was made: `previous`, the live profile before it, becomes the other side.
  void Switched(const Profile& previous);

  // Another unit was connected: its settings are not the ones the steps or the other side
  // were made on. Both histories cleared, the comparison ended.
  void Reset();

 private:
  std::array<EditHistory, 2> histories_;
  Side live_side_ = Side::kA;
  std::optional<Profile> other_;
};

// The question to ask before a change from `before` to `after` is sent, in the current
// language and naming each output with its role's label; empty when it may be sent without
// asking (no tweeter is newly left without a high-pass of at least 1 kHz).
std::string TweeterQuestion(const Profile& before, const Profile& after);
// The same for a change already made by the unit (a scene it loaded): asks whether to return.
std::string TweeterReturnQuestion(const Profile& before, const Profile& after);

}  // namespace tolva::model
