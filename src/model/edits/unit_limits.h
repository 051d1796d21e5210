#pragma once

#include <string>

#include "model/profile/profile.h"

// A profile file holds what was written into it, and beyond the unit's limits a value wraps on
// the wire (a main volume of -1000 dB would reach the unit as +24 dB), so a file is checked
// before it is sent.
namespace tolva::model {

// The first value of p the unit cannot take, described as "WHEREkey value is outside low … high";
// empty when there is none.
std::string FirstValueBeyondUnitLimits(const Profile& p, const std::string& where);
// The same for a whole unit: with whole, the live profile and the ten stored scenes, keyed as in
// a whole-unit file; otherwise the live profile alone.
std::string FirstValueBeyondUnitLimits(const UnitSettings& unit, bool whole);

}  // namespace tolva::model
