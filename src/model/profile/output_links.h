#pragma once

#include <array>

#include "model/profile/profile.h"

namespace tolva::model {

// linkOutputs[k] := the first other output whose role is the partner of k's role, else -1
// (also -1 for role 0).
void RecomputeLinkOutputs(Profile& profile);
// Unlinked: linkMode 0 and every partner -1.
void ClearLinks(Profile& profile);
// The output linked with `output` while the link mode is on, -1 none.
int LinkedPartner(const Profile& profile, int output);
// Some output's role has its partner role on another output.
bool IsLinkable(const Profile& profile);
// No other output holds a role of the same group sharing a band with this role; role 0 always.
bool IsRoleAvailable(const Profile& profile, int role, int channel);

// How the output menu shows a role for the output that opened it: marked when some output holds
// it, enabled when that output may take it.
struct RoleMenuState {
  bool held = false;
  bool enabled = false;
};
std::array<RoleMenuState, kSpeakerRoles> RoleMenuStates(const Profile& profile, int channel);

}  // namespace tolva::model
