#pragma once

// Tweeter protection: a tweeter fed without a high-pass, or with one below 1 kHz, can be
// destroyed by bass. The rule is pure so the window can mark the strips and ask before it sends
// an edit, a role change, a scene or a file that would leave a tweeter in that state.

#include <vector>

#include "model/profile/profile.h"

namespace tolva::model {

// Lowest high-pass corner that keeps a tweeter safe.
inline constexpr int kTweeterSafeHighPassHz = 1000;

// The high-frequency roles: the tweeters of front left and right, rear left and right and
// centre. The mid-range tweeter roles start at 600 Hz by default and are not counted.
bool IsTweeterRole(int role);

// The output's role is a tweeter and its high-pass is off (slope 0) or below 1 kHz.
bool IsUnprotectedTweeter(const Profile& profile, int output);

struct TweeterWarning {
  int output = 0;  // 0 … 5
  int role = 0;    // for naming the output: its button label
  int high_pass_hz = 0;
  bool high_pass_off = false;
};

// Every unprotected tweeter of the profile, by output: the warning marks of the strips.
std::vector<TweeterWarning> UnprotectedTweeters(const Profile& profile);

// The outputs a change from `before` to `after` newly leaves unprotected; empty when the change
// may be sent without asking. An output that already was unprotected is not asked about again.
std::vector<TweeterWarning> NewlyUnprotectedTweeters(const Profile& before, const Profile& after);

}  // namespace tolva::model
