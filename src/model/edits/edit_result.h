#pragma once

#include <string>
#include <vector>

#include "model/edits/profile_transition.h"

// What one edit of the editing core did: the same answer for the window, the command line and
// the tests.
namespace tolva::model {

// A value the edit could not take as asked and held at a limit (or kept as it was).
struct ClampNote {
  std::string value;  // what was held: "gain", "q", "frequency", "corner", "volume", "delay", …
  double asked = 0.0;
  double held = 0.0;
};

struct EditResult {
  // What told the unit, in sending order (handed to the link unless the edit was refused).
  std::vector<ParameterCommand> commands;
  // The outputs whose stored values changed, the edited one first; empty for global values.
  std::vector<int> outputs;
  std::vector<ClampNote> notes;
  // False when nothing changed, or the user refused the tweeter question (then the profile is
  // as it was and nothing was sent).
  bool applied = false;
};

}  // namespace tolva::model
