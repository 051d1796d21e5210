#include "model/profile/output_links.h"

#include <algorithm>

#include "model/profile/speaker_roles.h"

namespace tolva::model {

void RecomputeLinkOutputs(Profile& profile) {
  for (int k = 0; k < kOutputChannels; ++k) {
    profile.linkOutputs[k] = -1;
    const int role = profile.outputs[k];
    if (role == 0) continue;
    const int partner = PartnerRole(role);
    for (int other = 0; other < kOutputChannels; ++other) {
      if (other != k && profile.outputs[other] == partner) {
        profile.linkOutputs[k] = other;
        break;
      }
    }
  }
}

void ClearLinks(Profile& profile) {
  profile.linkMode = 0;
  profile.linkOutputs.fill(-1);
}

int LinkedPartner(const Profile& profile, int output) {
  const auto valid = [](int ch) { return ch >= 0 && ch < kOutputChannels; };
  if (profile.linkMode != 1 || !valid(output)) return -1;
  const int partner = profile.linkOutputs[output];
  return valid(partner) && partner != output ? partner : -1;
}

bool IsLinkable(const Profile& profile) {
  for (int i = 0; i < kOutputChannels; ++i) {
    const int partner = PartnerRole(profile.outputs[i]);
    if (partner <= 0) continue;
    for (int j = 0; j < kOutputChannels; ++j) {
      if (j != i && profile.outputs[j] == partner) return true;
    }
  }
  return false;
}

bool IsRoleAvailable(const Profile& profile, int role, int channel) {
  const int mask = RoleInfo(role).band_mask;
  if (mask == 0) return true;
  const int group = SpeakerGroup(role);
  for (int other = 0; other < kOutputChannels; ++other) {
    const int held = profile.outputs[other];
    if (other == channel || held < 0 || held >= kSpeakerRoles) continue;
    if (SpeakerGroup(held) == group && (RoleInfo(held).band_mask & mask) != 0) return false;
  }
  return true;
}

std::array<RoleMenuState, kSpeakerRoles> RoleMenuStates(const Profile& profile, int channel) {
  std::array<RoleMenuState, kSpeakerRoles> states{};
  for (int role = 0; role < kSpeakerRoles; ++role) {
    const auto& outputs = profile.outputs;
    states[role].held = std::find(outputs.begin(), outputs.end(), role) != outputs.end();
    states[role].enabled = IsRoleAvailable(profile, role, channel);
  }
  return states;
}

}  // namespace tolva::model
