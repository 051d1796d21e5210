#include "model/edits/output_operations.h"

#include <algorithm>
#include <cmath>

#include "model/profile/control_ranges.h"
#include "model/edits/edit_operations.h"
#include "model/edits/edit_rules.h"
#include "model/profile/output_links.h"
#include "model/profile/polarity.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

constexpr int kEditSource = 0;  // per-output values the edits send address source 0

// One output's value as it is stored now.
ParameterCommand OneOutput(const Profile& p, ChannelField field, int ch) {
  return ChannelListCommand{field, p.editScene, kEditSource, ch, ch, {ChannelFieldValue(p, field, kEditSource, ch)}};
}

ParameterCommand FilterOf(const Profile& p, int ch, int filter) {
  const Crossover& x = p.channels[ch].crossover;
  const FilterSettings& f = filter == kHighPassFilter ? x.hp : x.lp;
  return FilterCommand{p.editScene, ch, filter, f.type, f.fs, f.slope};
}

bool ValidOutput(int ch) {
  return ch >= 0 && ch < kOutputChannels;
}

// The paired subwoofers take channel's gain; returns them all, and adds those that changed.
std::vector<int> PairSubwooferGains(Profile& p, int channel, std::vector<int>& changed) {
  const std::vector<int> paired = PairedSubwooferOutputs(p, channel);
  for (int ch : paired) {
    if (p.channels[ch].gain == p.channels[channel].gain) continue;
    p.channels[ch].gain = p.channels[channel].gain;
    changed.push_back(ch);
  }
  return paired;
}

}  // namespace

OutputEdit EditChannelGain(Profile& p, int channel, int partner, int gain) {
  OutputEdit e;
  if (!ValidOutput(channel)) return e;
  gain = std::clamp(gain, kChannelVolumeSliderMin, kChannelVolumeSliderMax);
  p.channels[channel].gain = gain;
  if (ValidOutput(partner)) {
    p.channels[partner].gain = gain;
    e.outputs.push_back(partner);
  } else {
    partner = -1;
  }
  const std::vector<int> paired = PairSubwooferGains(p, channel, e.outputs);
  e.commands.push_back(OneOutput(p, ChannelField::kGain, channel));
  // A linked pair is one strip to the unit: its paired subwoofers follow in the model only.
  if (partner >= 0) {
    e.commands.push_back(OneOutput(p, ChannelField::kGain, partner));
  } else {
    for (int ch : paired) e.commands.push_back(OneOutput(p, ChannelField::kGain, ch));
  }
  return e;
}

OutputEdit EditMainVolume(Profile& p, int volume) {
  p.mainVolume = std::clamp(volume, kMainVolumeSliderMin, kMainVolumeSliderMax);
  return {{MainVolumeCommand{p.mainVolume}}, {}};
}

OutputEdit EditMainMute(Profile& p, bool mute) {
  p.mainVolumeMute = mute ? 1 : 0;
  return {{MainMuteCommand{p.mainVolumeMute}}, {}};
}

OutputEdit EditChannelMute(Profile& p, int channel, bool mute) {
  if (!ValidOutput(channel)) return {};
  p.channels[channel].mute = mute ? 1 : 0;
  return {{OneOutput(p, ChannelField::kMute, channel)}, {}};
}

OutputEdit EditPhase(Profile& p, int channel, bool reversed) {
  if (!ValidOutput(channel)) return {};
  p.channels[channel].phase = PhaseValue(reversed);
  return {{OneOutput(p, ChannelField::kPhase, channel)}, {}};
}

OutputEdit EditDelay(Profile& p, int channel, float ms) {
  if (!ValidOutput(channel) || !std::isfinite(ms)) return {};
  ms = std::clamp(ms, 0.0f, static_cast<float>(kDelaySliderMax) / 1000.0f);
  p.channels[channel].delay = ms;
  return {{DelayCommand{p.editScene, channel, channel, {ms}}}, {}};
}

OutputEdit EditRouting(Profile& p, int channel, int input, bool on) {
  if (!ValidOutput(channel) || input < 1 || input > kMixerInputs) return {};
  OutputEdit e;
  const int source = std::clamp(p.source, 0, kInputSources - 1);
  int& mask = p.inputs[source][channel];
  const int bit = 1 << (input - 1);
  mask = on ? (mask | bit) : (mask & ~bit);
  e.commands.push_back(
      ChannelListCommand{ChannelField::kRouting, p.editScene, source, channel, channel, {mask}});
  int& trim = p.inputMixTrim[source][input - 1][channel];
  if (on && trim == 0) {
    trim = kInitialMixTrim;
    e.commands.push_back(MixTrimCommand{0, source, input - 1, channel, channel, {trim}});
  }
  return e;
}

OutputEdit EditInputSource(Profile& p, int source) {
  if (source < 0 || source >= kInputSources) return {};
  p.source = source;
  OutputEdit e{{SourceCommand{source}}, {}};
  for (int ch = 0; ch < kOutputChannels; ++ch) e.outputs.push_back(ch);
  return e;
}

OutputEdit EditRole(Profile& p, int channel, int role) {
  if (!ValidOutput(channel) || role < 0 || role >= kSpeakerRoles) return {};
  OutputEdit e;
  p.outputs[channel] = role;
  p.channels[channel].crossover = DefaultCrossoverOfRole(role);
  e.commands.push_back(OneOutput(p, ChannelField::kRole, channel));
  e.commands.push_back(FilterOf(p, channel, kHighPassFilter));
  e.commands.push_back(FilterOf(p, channel, kLowPassFilter));
  const std::vector<int> paired = PairSubwooferGains(p, channel, e.outputs);
  e.commands.push_back(OneOutput(p, ChannelField::kGain, channel));
  for (int ch : paired) e.commands.push_back(OneOutput(p, ChannelField::kGain, ch));
  return e;
}

BypassStep NextBypassStep(const ChannelSettings& ch) {
  int shown = 0;
  for (int b = 0; b < std::min(ch.eqSize, kEqBands); ++b) shown += std::abs(ShownGainTenths(ch, b));
  if (shown != 0) return BypassStep::kBypass;
  return IsFlat(ch) ? BypassStep::kResend : BypassStep::kRestore;
}

OutputEdit EditBypass(Profile& p, int channel, int partner, BypassStep step) {
  if (!ValidOutput(channel)) return {};
  OutputEdit e;
  ChannelSettings& ch = p.channels[channel];
  if (step == BypassStep::kBypass) ch.bypass = 1;
  if (step == BypassStep::kRestore) ch.bypass = 0;
  e.commands.push_back(OneOutput(p, ChannelField::kBypass, channel));
  if (ValidOutput(partner)) {
    p.channels[partner].bypass = ch.bypass;
    e.commands.push_back(OneOutput(p, ChannelField::kBypass, partner));
    e.outputs.push_back(partner);
  }
  return e;
}

OutputEdit ResetOutputs(Profile& p, bool defaults) {
  OutputEdit e;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const int role = defaults ? DefaultRoles(p.channelCount == kOutputChannels)[ch] : 0;
    OutputEdit step = EditRole(p, ch, role);
    e.commands.insert(e.commands.end(), step.commands.begin(), step.commands.end());
    e.outputs.insert(e.outputs.end(), step.outputs.begin(), step.outputs.end());
  }
  p.lockMode = 0;
  e.commands.push_back(LockCommand{0});
  ClearLinks(p);
  e.commands.push_back(LinkCommand{0, {}});
  const auto left_sub = std::find(p.outputs.begin(), p.outputs.end(), kLeftSubwooferRole);
  if (left_sub != p.outputs.end()) {
    const int gain = p.channels[left_sub - p.outputs.begin()].gain;
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      if (p.outputs[ch] != kRightSubwooferRole) continue;
      p.channels[ch].gain = gain;
      e.outputs.push_back(ch);
    }
  }
  ChannelListCommand gains{ChannelField::kGain, p.editScene, kEditSource, 0, kOutputChannels - 1,
                           {}};
  for (int ch = 0; ch < kOutputChannels; ++ch) gains.values.push_back(p.channels[ch].gain);
  e.commands.push_back(std::move(gains));
  return e;
}

}  // namespace tolva::model
