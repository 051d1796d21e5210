#pragma once

#include <memory>

#include "model/profile/profile.h"

// Edits made while no unit is connected. The connect read fills the live profile with what the
// unit holds, so the window's own values are set aside when a connection starts and weighed
// against the unit's once the read is over; a read that fails gives them back to the screen.
namespace tolva::model {

class KeptEdits {
 public:
  // `start`: what the window holds before any unit was seen.
  explicit KeptEdits(const Profile& start);

  // A connection starts: the live profile is set aside when it holds anything the unit was
  // not sent (it differs from what the unit last held), or when edits are held already.
  void Connecting(const Profile& live);
  // The unit is gone. Held edits go back into `live` (true): what a failed read left there is
  // part the unit's, part the window's. Otherwise `live` is what the unit last held.
  bool UnitLeft(Profile& live);
  // The window's values, when they differ from `unit_values` on anything the unit holds; what
  // the unit does not hold (the current output, the mode) stays as `unit_values` has it.
  std::unique_ptr<Profile> DifferingFrom(const Profile& unit_values) const;
  // The unit and the window agree again on `live`: nothing is held.
  void Settled(const Profile& live);

 private:
  std::unique_ptr<Profile> unit_last_;
  std::unique_ptr<Profile> held_;
};

}  // namespace tolva::model
