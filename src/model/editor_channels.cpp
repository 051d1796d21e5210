// Editing the output strips and the global values: volumes, mute, polarity, delay, routing,
// the input source and which output is current.
#include <cmath>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/control_ranges.h"
#include "model/edit_operations.h"
#include "model/edit_rules.h"
#include "model/channel_editor.h"
#include "model/input_sources.h"
#include "model/output_operations.h"
#include "model/screen_text.h"

namespace tolva::model {
namespace {

bool ShowsOff(const std::string& text) {
  return text == "${off}" || text == Languages().Resolve("${off}");
}

}  // namespace

// A box left with the text it was given for the stored value was not edited: committing it
// must send nothing (a cm delay read back from its rounded text would move the delay).
bool ShowsStoredText(const ScreenControls& c, const ControlId& box, const std::string& shown) {
  const std::string text = c.Text(box);
  return text == shown || text == Languages().Resolve(shown);
}

namespace {

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

void ChannelEditor::Send(const OutputEdit& edit) {
  SendCommands(*ctx_.link, edit.commands, false);
}

void ChannelEditor::ShowChannelGain(int channel) {
  const int gain = ctx_.unit->live.channels[channel].gain;
  ctx_.controls->SetSliderValue(ControlId{Control::kOutputVolumeSlider, channel}, gain);
  ctx_.controls->SetText(ControlId{Control::kOutputVolumeEdit, channel},
                     VolumeText(gain, kChannelVolumeSliderMin));
}

void ChannelEditor::SetChVolume(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const int value = ctx_.controls->SliderValue(ControlId{Control::kOutputVolumeSlider, channel});
  if (channel != ctx_.unit->live.currChannel) SetCurChannelChange(channel);
  DebugPrint(L"set channel %d volume to %ddB\n", channel, value);
  const OutputEdit edit = EditChannelGain(ctx_.unit->live, channel, ctx_.Partner(), value);
  ShowChannelGain(channel);
  for (int ch : edit.outputs) ShowChannelGain(ch);
  Send(edit);
}

// A volume typed into an edit: "${off}" is the slider's minimum it stands for; beyond the limits
// the edit is rewritten at the bound. The slider then holds the value. False when nothing is to
// change: text that is no number, or the text the box shows for the stored value.
bool ChannelEditor::ApplyVolumeEdit(const ControlId& edit, const ControlId& slider, int stored,
                                    int low, int high) {
  ScreenControls& c = *ctx_.controls;
  const std::string text = c.Text(edit);
  if (ShowsStoredText(c, edit, VolumeText(stored, low))) return false;
  if (!ShowsOff(text) && !HoldsNumber(text)) return false;
  int value = ShowsOff(text) ? low : ParseInteger(text);
  if (value > high || value < low) {
    value = std::clamp(value, low, high);
    c.SetText(edit, std::to_string(value));
  }
  c.SetSliderValue(slider, value);
  return true;
}

void ChannelEditor::SetChVolumeEdit(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const ControlId slider{Control::kOutputVolumeSlider, channel};
  if (!ApplyVolumeEdit(ControlId{Control::kOutputVolumeEdit, channel}, slider,
                       ctx_.unit->live.channels[channel].gain, kChannelVolumeSliderMin,
                       kChannelVolumeSliderMax)) {
    ShowChannelGain(channel);
    return;
  }
  DebugPrint(L"on main volume edit change to %d dB\n", ctx_.controls->SliderValue(slider));
  SetChVolume(channel);
}

void ChannelEditor::SetChVolumeUp(int channel, bool up) {
  DebugPrint(L"SetChVolumeUp %d \n", up ? 1 : 0);
  if (channel < 0 || channel >= kOutputChannels) return;
  if (StepSlider(*ctx_.controls, ControlId{Control::kOutputVolumeSlider, channel},
                 ctx_.unit->live.channels[channel].gain, up ? 1 : -1, kChannelVolumeSliderMin,
                 kChannelVolumeSliderMax)) {
    SetChVolume(channel);
  }
}

void ChannelEditor::SetMainVolume() {
  ScreenControls& c = *ctx_.controls;
  const int value = c.SliderValue(ControlId{Control::kMainVolumeSlider});
  DebugPrint(L"on main volume change to %d dB\n", value);
  const OutputEdit edit = EditMainVolume(ctx_.unit->live, value);
  c.SetText(ControlId{Control::kMainVolumeEdit},
            VolumeText(ctx_.unit->live.mainVolume, kMainVolumeSliderMin));
  Send(edit);
}

void ChannelEditor::SetMainVolumeEdit() {
  if (!ApplyVolumeEdit(ControlId{Control::kMainVolumeEdit}, ControlId{Control::kMainVolumeSlider},
                       ctx_.unit->live.mainVolume, kMainVolumeSliderMin, kMainVolumeSliderMax)) {
    ctx_.controls->SetText(ControlId{Control::kMainVolumeEdit},
                           VolumeText(ctx_.unit->live.mainVolume, kMainVolumeSliderMin));
    return;
  }
  DebugPrint(L"on main volume edit change to %d dB\n",
             ctx_.controls->SliderValue(ControlId{Control::kMainVolumeSlider}));
  SetMainVolume();
}

void ChannelEditor::SetMainVolumeUp(bool up) {
  DebugPrint(L"SetMainVolumeUp %d \n", up ? 1 : 0);
  if (StepSlider(*ctx_.controls, ControlId{Control::kMainVolumeSlider}, ctx_.unit->live.mainVolume,
                 up ? 1 : -1, kMainVolumeSliderMin, kMainVolumeSliderMax)) {
    SetMainVolume();
  }
}

void ChannelEditor::SetMainMute() {
  const bool mute = ctx_.controls->IsSelected(ControlId{Control::kMainMute});
  DebugPrint(L"set main mute to %d\n", mute ? 1 : 0);
  Send(EditMainMute(ctx_.unit->live, mute));
}

void ChannelEditor::SetChMute(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const bool mute = ctx_.controls->IsSelected(ControlId{Control::kOutputMute, channel});
  DebugPrint(L"channel %d mute seleted %d\n", channel, mute ? 1 : 0);
  Send(EditChannelMute(ctx_.unit->live, channel, mute));
}

void ChannelEditor::SetChPhase(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const ControlId option{Control::kOutputPhase, channel};
  const bool reversed = ctx_.controls->IsSelected(option);
  DebugPrint(L"channel %d phase seleted %d\n", channel, reversed ? 1 : 0);
  const OutputEdit edit = EditPhase(ctx_.unit->live, channel, reversed);
  ctx_.controls->SetText(option, ctx_.unit->live.channels[channel].phase != 0 ? "${reverse phase}"
                                                                       : "${positive_phase}");
  Send(edit);
}

void ChannelEditor::ShowChannelDelay(int channel) {
  ScreenControls& c = *ctx_.controls;
  const float ms = ctx_.unit->live.channels[channel].delay;
  c.SetText(ControlId{Control::kOutputDelayEdit, channel}, DelayText(ms, DelayUnitOf(c)));
}

void ChannelEditor::SetChDelay(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  const float ms =
      static_cast<float>(ctx_.controls->SliderValue(ControlId{Control::kOutputDelaySlider, channel})) /
      1000.0f;
  DebugPrint(L"channel %d delay value %.3f\n", channel, static_cast<double>(ms));
  const OutputEdit edit = EditDelay(ctx_.unit->live, channel, ms);
  ShowChannelDelay(channel);
  Send(edit);
}

void ChannelEditor::SetChDelayEdit(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ScreenControls& c = *ctx_.controls;
  const ControlId edit{Control::kOutputDelayEdit, channel};
  const int unit = DelayUnitOf(c);
  const std::string text = c.Text(edit);
  if (!HoldsNumber(text) ||
      ShowsStoredText(c, edit, DelayText(ctx_.unit->live.channels[channel].delay, unit))) {
    ShowChannelDelay(channel);
    return;
  }
  const double value = DelayEditLimit(ParseReal(text), unit);
  const float ms = DelayMsFromEdit(value, unit);
  DebugPrint(L"channel %d delay edit value %.3f\n", channel, static_cast<double>(ms));
  const OutputEdit stored = EditDelay(ctx_.unit->live, channel, ms);
  // The typed value stays as typed (a sample count keeps its digits), limited.
  c.SetText(edit,
            unit == 0 ? FormatNumber("%.3f", value) : std::to_string(static_cast<int>(value)));
  c.SetSliderValue(ControlId{Control::kOutputDelaySlider, channel},
                   DelayMicroseconds(ctx_.unit->live.channels[channel].delay));
  Send(stored);
}

void ChannelEditor::SetChDelayUp(int channel, bool up) {
  DebugPrint(L"SetChDelayUp %d \n", up ? 1 : 0);
  if (channel < 0 || channel >= kOutputChannels) return;
  const int step = up ? kDelayStepMicroseconds : -kDelayStepMicroseconds;
  if (StepSlider(*ctx_.controls, ControlId{Control::kOutputDelaySlider, channel},
                 DelayMicroseconds(ctx_.unit->live.channels[channel].delay), step, 0,
                 kDelaySliderMax)) {
    SetChDelay(channel);
  }
}

// The unit delays are shown in is a choice of the screen, not a setting: the texts follow the
// model.
void ChannelEditor::SetDelayUnit() {
  DebugPrint(L"on eq comb_ch_unit valuechanged\n");
  for (int ch = 0; ch < kOutputChannels; ++ch) ShowChannelDelay(ch);
}

void ChannelEditor::SetChInput(int channel, int input) {
  if (channel < 0 || channel >= kOutputChannels || input < 1 || input > 6) return;
  const bool on = ctx_.controls->IsSelected(ControlId{Control::kOutputInput, channel, input});
  DebugPrint(L"set channel %d input %d\n", channel, input);
  const OutputEdit edit = EditRouting(ctx_.unit->live, channel, input, on);
  const Profile& p = ctx_.unit->live;
  DebugPrint(L"set channel %d input = 0x%x\n", channel,
             p.inputs[std::clamp(p.source, 0, kInputSources - 1)][channel]);
  Send(edit);
}

void ChannelEditor::SetInputSource() {
  const int index = ctx_.controls->CurSel(ControlId{Control::kInputSource});
  DebugPrint(L"on %s index %d\n", "EqualizerManager::SetInputSource", index);
  const OutputEdit edit = EditInputSource(ctx_.unit->live, index);
  for (int ch : edit.outputs) ctx_.view->LiveValueApplied(0x0B, ch);
  if (ctx_.state == ConnectState::kConnected) Send(edit);
}

void ChannelEditor::SetCurChannelChange(int channel) {
  DebugPrint(L"on SetCurChannelChange channel index %d\n", channel);
  if (channel < 0 || channel >= kOutputChannels) return;
  ctx_.unit->live.currChannel = channel;
  ShowCurrentStrip();
  ctx_.UpdateEqualizer(-1);
}

void ChannelEditor::ShowCurrentStrip() {
  const Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  const int partner = ctx_.Partner();
  ScreenControls& c = *ctx_.controls;
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

void ChannelEditor::SetChShow(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ctx_.unit->live.showChEqualizer[channel] =
      ctx_.controls->IsSelected(ControlId{Control::kOutputShown, channel}) ? 1 : 0;
  ctx_.ComputeChannelResponse(channel);
  ctx_.UpdateEqualizer(-1);
}

}  // namespace tolva::model
