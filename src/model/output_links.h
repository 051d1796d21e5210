#pragma once

#include "model/profile.h"

namespace tolva::model {

// linkOutputs[k] := the first other output whose role is the partner of k's role, else -1
// (also -1 for role 0).
void RecomputeLinkOutputs(Profile& profile);
// Unlinked: linkMode 0 and every partner -1.
void ClearLinks(Profile& profile);

}  // namespace tolva::model
