#include "model/tuning/speaker_protection.h"

#include <algorithm>
#include <array>

namespace tolva::model {
namespace {

// Front left, front right, rear left, rear right and centre "high_freq" roles.
constexpr std::array<int, 5> kTweeterRoles{1, 7, 13, 16, 19};

TweeterWarning WarningOf(const Profile& profile, int output) {
  const FilterSettings& hp = profile.channels[output].crossover.hp;
  return {output, profile.outputs[output], hp.fs, hp.slope <= 0};
}

}  // namespace

bool IsTweeterRole(int role) {
  return std::find(kTweeterRoles.begin(), kTweeterRoles.end(), role) != kTweeterRoles.end();
}

bool IsUnprotectedTweeter(const Profile& profile, int output) {
  if (output < 0 || output >= kOutputChannels) return false;
  if (!IsTweeterRole(profile.outputs[output])) return false;
  // The unit filters by the slope it was sent; the bypass flag is only derived from it.
  const FilterSettings& hp = profile.channels[output].crossover.hp;
  return hp.slope <= 0 || hp.fs < kTweeterSafeHighPassHz;
}

std::vector<TweeterWarning> UnprotectedTweeters(const Profile& profile) {
  std::vector<TweeterWarning> warnings;
  for (int output = 0; output < kOutputChannels; ++output) {
    if (IsUnprotectedTweeter(profile, output)) warnings.push_back(WarningOf(profile, output));
  }
  return warnings;
}

std::vector<TweeterWarning> NewlyUnprotectedTweeters(const Profile& before, const Profile& after) {
  std::vector<TweeterWarning> warnings;
  for (int output = 0; output < kOutputChannels; ++output) {
    if (IsUnprotectedTweeter(after, output) && !IsUnprotectedTweeter(before, output)) {
      warnings.push_back(WarningOf(after, output));
    }
  }
  return warnings;
}

}  // namespace tolva::model
