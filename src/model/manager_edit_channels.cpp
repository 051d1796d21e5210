// Editing the output strips and the global values: volumes, mute, polarity, delay, routing,
// the input source and which output is current.
#include <cmath>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/control_ranges.h"
#include "model/edit_operations.h"
#include "model/edit_rules.h"
#include "model/equalizer_manager.h"
#include "model/input_sources.h"
#include "model/screen_text.h"

namespace tolva::model {
namespace {

bool ShowsOff(const std::string& text) {
  return text == "${off}" || text == Languages().Resolve("${off}");
}

// A step of a stored value within its limits: the slider is moved to it and true returned;
// false when the value already sits at that end.
bool StepSlider(ScreenControls& c, const ControlId& slider, int value, int delta, int low,
                int high) {
  if (delta > 0 ? value >= high : value <= low) return false;
  c.SetSliderValue(slider, std::clamp(value + delta, low, high));
  return true;
}

int DelayMicroseconds(float ms) {
  return static_cast<int>(std::lround(static_cast<double>(ms) * 1000.0));
}

int DelayUnitOf(const ScreenControls& c) {
  const int unit = c.CurSel(ControlId{Control::kDelayUnit});
  return unit >= 0 && unit <= 2 ? unit : 0;
}

}  // namespace

void EqualizerManager::SendTrim(int channel) {
  const int gain = unit_->live.channels[channel].gain;
  link_->Trim_Ctrl(unit_->live.editScene, 0, channel, channel, std::span(&gain, 1), false);
}

void EqualizerManager::ShowChannelGain(int channel, int gain) {
  unit_->live.channels[channel].gain = gain;
  const ControlId slider{Control::kOutputVolumeSlider, channel};
  controls_->SetSliderValue(slider, gain);
  controls_->SetText(ControlId{Control::kOutputVolumeEdit, channel},
                     VolumeText(gain, kChannelVolumeSliderMin));
}

std::vector<int> EqualizerManager::PairSubwooferGains(int channel) {
  const Profile& p = unit_->live;
  const std::vector<int> paired = PairedSubwooferOutputs(p, channel);
  for (int ch : paired) {
    if (p.channels[ch].gain != p.channels[channel].gain)
      ShowChannelGain(ch, p.channels[channel].gain);
  }
  return paired;
}

void EqualizerManager::SetChVolume(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const int value = controls_->SliderValue(ControlId{Control::kOutputVolumeSlider, channel});
  if (channel != unit_->live.currChannel) SetCurChannelChange(channel);
  DebugPrint(L"set channel %d volume to %ddB\n", channel, value);
  ShowChannelGain(channel, value);
  const int partner = Partner();
  if (partner >= 0) ShowChannelGain(partner, value);
  const std::vector<int> paired = PairSubwooferGains(channel);
  SendTrim(channel);
  if (partner >= 0) {
    SendTrim(partner);
    return;
  }
  for (int ch : paired) SendTrim(ch);
}

// A volume typed into an edit: "${off}" means -60 dB; beyond the limits the edit is rewritten
// at the bound. The slider then holds the value.
void EqualizerManager::ApplyVolumeEdit(const ControlId& edit, const ControlId& slider, int low,
                                       int high) {
  ScreenControls& c = *controls_;
  const std::string text = c.Text(edit);
  int value = ShowsOff(text) ? kOffVolumeDb : ParseInteger(text);
  if (value > high || value < low) {
    value = std::clamp(value, low, high);
    c.SetText(edit, std::to_string(value));
  }
  c.SetSliderValue(slider, value);
}

void EqualizerManager::SetChVolumeEdit(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const ControlId slider{Control::kOutputVolumeSlider, channel};
  ApplyVolumeEdit(ControlId{Control::kOutputVolumeEdit, channel}, slider, kChannelVolumeSliderMin,
                  kChannelVolumeSliderMax);
  DebugPrint(L"on main volume edit change to %d dB\n", controls_->SliderValue(slider));
  SetChVolume(channel);
}

void EqualizerManager::SetChVolumeUp(int channel, bool up) {
  DebugPrint(L"SetChVolumeUp %d \n", up ? 1 : 0);
  if (channel < 0 || channel >= kOutputChannels) return;
  if (StepSlider(*controls_, ControlId{Control::kOutputVolumeSlider, channel},
                 unit_->live.channels[channel].gain, up ? 1 : -1, kChannelVolumeSliderMin,
                 kChannelVolumeSliderMax)) {
    SetChVolume(channel);
  }
}

void EqualizerManager::SetMainVolume() {
  ScreenControls& c = *controls_;
  const int value = c.SliderValue(ControlId{Control::kMainVolumeSlider});
  DebugPrint(L"on main volume change to %d dB\n", value);
  c.SetText(ControlId{Control::kMainVolumeEdit}, VolumeText(value, kMainVolumeSliderMin));
  unit_->live.mainVolume = value;
  link_->Main_Volume_Ctrl(value, false);
}

void EqualizerManager::SetMainVolumeEdit() {
  ApplyVolumeEdit(ControlId{Control::kMainVolumeEdit}, ControlId{Control::kMainVolumeSlider},
                  kMainVolumeSliderMin, kMainVolumeSliderMax);
  DebugPrint(L"on main volume edit change to %d dB\n",
             controls_->SliderValue(ControlId{Control::kMainVolumeSlider}));
  SetMainVolume();
}

void EqualizerManager::SetMainVolumeUp(bool up) {
  DebugPrint(L"SetMainVolumeUp %d \n", up ? 1 : 0);
  if (StepSlider(*controls_, ControlId{Control::kMainVolumeSlider}, unit_->live.mainVolume,
                 up ? 1 : -1, kMainVolumeSliderMin, kMainVolumeSliderMax)) {
    SetMainVolume();
  }
}

void EqualizerManager::SetMainMute() {
  const int mute = controls_->IsSelected(ControlId{Control::kMainMute}) ? 1 : 0;
  DebugPrint(L"set main mute to %d\n", mute);
  unit_->live.mainVolumeMute = mute;
  link_->Mute_Ctrl(mute, false);
}

void EqualizerManager::SetChMute(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const int mute = controls_->IsSelected(ControlId{Control::kOutputMute, channel}) ? 1 : 0;
  DebugPrint(L"channel %d mute seleted %d\n", channel, mute);
  unit_->live.channels[channel].mute = mute;
  link_->Mute_Ch_Ctrl(unit_->live.editScene, 0, channel, channel, std::span(&mute, 1), false);
}

void EqualizerManager::SetChPhase(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const ControlId option{Control::kOutputPhase, channel};
  const int phase = controls_->IsSelected(option) ? 1 : 0;
  DebugPrint(L"channel %d phase seleted %d\n", channel, phase);
  unit_->live.channels[channel].phase = phase;
  controls_->SetText(option, phase != 0 ? "${reverse phase}" : "${positive_phase}");
  link_->Phase_Ctrl(unit_->live.editScene, 0, channel, channel, std::span(&phase, 1), false);
}

void EqualizerManager::SetChDelay(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ScreenControls& c = *controls_;
  const float ms =
      static_cast<float>(c.SliderValue(ControlId{Control::kOutputDelaySlider, channel})) / 1000.0f;
  DebugPrint(L"channel %d delay value %.3f\n", channel, static_cast<double>(ms));
  unit_->live.channels[channel].delay = ms;
  c.SetText(ControlId{Control::kOutputDelayEdit, channel}, DelayText(ms, DelayUnitOf(c)));
  link_->Delay_Ctrl(unit_->live.editScene, 0, channel, channel, std::span(&ms, 1), false);
}

void EqualizerManager::SetChDelayEdit(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ScreenControls& c = *controls_;
  const ControlId edit{Control::kOutputDelayEdit, channel};
  const int unit = DelayUnitOf(c);
  const double value = DelayEditLimit(ParseReal(c.Text(edit)), unit);
  const float ms = DelayMsFromEdit(value, unit);
  DebugPrint(L"channel %d delay edit value %.3f\n", channel, static_cast<double>(ms));
  c.SetText(edit,
            unit == 0 ? FormatNumber("%.3f", value) : std::to_string(static_cast<int>(value)));
  unit_->live.channels[channel].delay = ms;
  c.SetSliderValue(ControlId{Control::kOutputDelaySlider, channel}, DelayMicroseconds(ms));
  link_->Delay_Ctrl(unit_->live.editScene, 0, channel, channel, std::span(&ms, 1), false);
}

void EqualizerManager::SetChDelayUp(int channel, bool up) {
  DebugPrint(L"SetChDelayUp %d \n", up ? 1 : 0);
  if (channel < 0 || channel >= kOutputChannels) return;
  const int step = up ? kDelayStepMicroseconds : -kDelayStepMicroseconds;
  if (StepSlider(*controls_, ControlId{Control::kOutputDelaySlider, channel},
                 DelayMicroseconds(unit_->live.channels[channel].delay), step, 0,
                 kDelaySliderMax)) {
    SetChDelay(channel);
  }
}

void EqualizerManager::SetDelayUnit() {
  DebugPrint(L"on eq comb_ch_unit valuechanged\n");
  const int unit = DelayUnitOf(*controls_);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    controls_->SetText(ControlId{Control::kOutputDelayEdit, ch},
                       DelayText(unit_->live.channels[ch].delay, unit));
  }
}

void EqualizerManager::SetChInput(int channel, int input) {
  if (channel < 0 || channel >= kOutputChannels || input < 1 || input > 6) return;
  Profile& p = unit_->live;
  const int source = std::clamp(p.source, 0, kInputSources - 1);
  const ControlId option{Control::kOutputInput, channel, input};
  const bool on = controls_->IsSelected(option);
  DebugPrint(L"set channel %d input %d\n", channel, input);
  int& mask = p.inputs[source][channel];
  const int bit = 1 << (input - 1);
  mask = on ? (mask | bit) : (mask & ~bit);
  DebugPrint(L"set channel %d input = 0x%x\n", channel, mask);
  link_->Mix_Ch_Ctrl(p.editScene, source, channel, channel, std::span(&mask, 1), false);
  int& trim = p.inputMixTrim[source][input - 1][channel];
  if (on && trim == 0) {
    trim = kInitialMixTrim;
    link_->Input_Mix_Trim_Ctrl(0, source, input - 1, channel, channel, std::span(&trim, 1), false);
  }
}

void EqualizerManager::SetInputSource() {
  const int index = controls_->CurSel(ControlId{Control::kInputSource});
  DebugPrint(L"on %s index %d\n", "EqualizerManager::SetInputSource", index);
  if (index < 0 || index >= kInputSources) return;
  unit_->live.source = index;
  for (int ch = 0; ch < kOutputChannels; ++ch) view_->LiveValueApplied(0x0B, ch);
  if (state_ == ConnectState::kConnected) link_->Source_Switch_Ctrl(index, false);
}

void EqualizerManager::SetCurChannelChange(int channel) {
  DebugPrint(L"on SetCurChannelChange channel index %d\n", channel);
  if (channel < 0 || channel >= kOutputChannels) return;
  unit_->live.currChannel = channel;
  ShowCurrentStrip();
  UpdateEqualizer(-1);
}

void EqualizerManager::ShowCurrentStrip() {
  const Profile& p = unit_->live;
  const int current = CurrentChannel();
  const int partner = Partner();
  ScreenControls& c = *controls_;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    c.SetSelected(ControlId{Control::kOutputSelect, ch}, ch == current || ch == partner);
    c.SetSelected(ControlId{Control::kOutputShown, ch}, p.showChEqualizer[ch] != 0);
  }
  for (int role = 1; role < kSpeakerRoles; ++role) {
    const bool mine = role == p.outputs[current] || (partner >= 0 && role == p.outputs[partner]);
    c.SetSelected(ControlId{Control::kSpeaker, role}, mine);
  }
  SetFreqDivider(current);
  RefreshBandRows(current);
  ShowBypassButtonFromBands();
}

void EqualizerManager::SetChShow(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  unit_->live.showChEqualizer[channel] =
      controls_->IsSelected(ControlId{Control::kOutputShown, channel}) ? 1 : 0;
  ComputeChannelResponse(channel);
  UpdateEqualizer(-1);
}

}  // namespace tolva::model
