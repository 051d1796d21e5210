#pragma once

#include <vector>

#include "model/profile/profile.h"
#include "model/edits/profile_transition.h"

// The edits of whole outputs and of the global values as operations on a Profile: volumes (the
// linked partner and the paired subwoofer included), mutes, polarity, delay, routing, the input
// source, roles, bypass and the output reset. Each stores its values within their limits and
// returns the commands that tell the unit, with the values they carry at that moment, in
// sending order. No screen, no unit.
namespace tolva::model {

struct OutputEdit {
  std::vector<ParameterCommand> commands;
  // Outputs whose stored values the edit changed beyond the edited one (a partner, a paired
  // subwoofer, every output for the source): their strips are shown again from the profile.
  std::vector<int> outputs;
};

// Gain of channel and its linked partner (-1 none); the subwoofer outputs paired with channel
// take it too. The unit is told the partner's gain when linked, else the paired outputs'.
OutputEdit EditChannelGain(Profile& profile, int channel, int partner, int gain);
OutputEdit EditMainVolume(Profile& profile, int volume);
OutputEdit EditMainMute(Profile& profile, bool mute);
OutputEdit EditChannelMute(Profile& profile, int channel, bool mute);
OutputEdit EditPhase(Profile& profile, int channel, bool reversed);
OutputEdit EditDelay(Profile& profile, int channel, float ms);
// Input 1 … 6 of the current source on or off for channel; an input switched on whose mixer
// trim is 0 starts at the initial trim.
OutputEdit EditRouting(Profile& profile, int channel, int input, bool on);
// outputs: all six, whose routing shown follows the source.
OutputEdit EditInputSource(Profile& profile, int source);
// The role's default crossover with it; a paired subwoofer takes the channel's gain (outputs).
OutputEdit EditRole(Profile& profile, int channel, int role);

// What the bypass button does for an output: silence its bands when some band is audible, bring
// them back when it is bypassed and not flat, else nothing beyond telling the unit again.
enum class BypassStep { kBypass, kRestore, kResend };
BypassStep NextBypassStep(const ChannelSettings& channel);
// The partner (-1 none) takes the channel's bypass.
OutputEdit EditBypass(Profile& profile, int channel, int partner, BypassStep step);

// Every output to its default role (defaults) or to none, one after the other as if chosen in
// the output menu, then unlocked, unlinked, right subwoofers at the left one's gain, and every
// gain sent in one list. outputs: those whose gain the subwoofer rule changed.
OutputEdit ResetOutputs(Profile& profile, bool defaults);

}  // namespace tolva::model
