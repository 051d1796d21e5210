#pragma once

#include "model/profile/profile.h"

// Which band editor mode a set of values calls for. The graphic mode holds every Q at the flat
// 5.8; a band in use with any other Q was tuned in the parametric mode, and showing it in the
// graphic one would hide its Q and invite the switch that flattens it.
namespace tolva::model {

bool ValuesCallForPeq(const Profile& profile);

// Switches the live profile to the parametric mode when its values call for it (never back:
// the graphic mode is the user's choice, made with its warning). True when the mode changed.
bool AdoptPeqModeOfValues(Profile& profile);

}  // namespace tolva::model
