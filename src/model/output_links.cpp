#include "model/output_links.h"

#include "model/speaker_roles.h"

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

}  // namespace tolva::model
