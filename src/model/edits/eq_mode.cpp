#include "model/edits/eq_mode.h"

#include <algorithm>
#include <cmath>

namespace tolva::model {

bool ValuesCallForPeq(const Profile& profile) {
  for (const ChannelSettings& ch : profile.channels) {
    const int in_use = std::clamp(ch.eqSize, 0, kEqBands);
    for (int b = 0; b < in_use; ++b) {
      if (std::fabs(ch.eqArray[b].eqFactor - 5.8f) > 0.01f) return true;
    }
  }
  return false;
}

bool AdoptPeqModeOfValues(Profile& profile) {
  if (profile.peqMode == 1 || !ValuesCallForPeq(profile)) return false;
  profile.peqMode = 1;
  return true;
}

}  // namespace tolva::model
