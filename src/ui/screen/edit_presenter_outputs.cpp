// The output strips and the global values: volumes, mutes, polarity, delay, routing, the input
// source and which output is current.
#include <algorithm>
#include <cmath>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/edits/screen_text.h"
#include "ui/screen/edit_presenter.h"

namespace tolva::ui {
namespace {

using model::kChannelVolumeSliderMax;
using model::kChannelVolumeSliderMin;
using model::kMainVolumeSliderMax;
using model::kMainVolumeSliderMin;

bool ShowsOff(const std::string& text) {
  return text == "${off}" || text == Languages().Resolve("${off}");
}

bool Valid(int channel) {
  return channel >= 0 && channel < model::kOutputChannels;
}

int DelayMicroseconds(float ms) {
  return static_cast<int>(std::lround(static_cast<double>(ms) * 1000.0));
}

}  // namespace

bool EditPresenter::ReadVolumeBox(const ControlId& box, int stored, int low, double& db) const {
  const std::string text = c_.Text(box);
  if (ShowsStoredText(box, model::VolumeText(stored, low))) return false;
  // "Off" stands for the slider's minimum it shows.
  if (ShowsOff(text)) {
    db = low;
    return true;
  }
  if (!model::HoldsNumber(text)) return false;
  db = model::ParseReal(text);
  return true;
}

void EditPresenter::SetChVolume(int channel) {
  if (!Valid(channel)) return;
  const int db = c_.SliderValue(ControlId{Control::kOutputVolumeSlider, channel});
  if (channel != Live().currChannel) SetCurChannelChange(channel);
  DebugPrint(L"set channel %d volume to %ddB\n", channel, db);
  Edit().SetOutputGain(channel, db);
}

void EditPresenter::SetChVolumeEdit(int channel) {
  if (!Valid(channel)) return;
  const ControlId box{Control::kOutputVolumeEdit, channel};
  double db = 0.0;
  if (!ReadVolumeBox(box, Live().channels[channel].gain, kChannelVolumeSliderMin, db)) {
    screen_.ShowChannelVolume(channel);
    return;
  }
  if (channel != Live().currChannel) SetCurChannelChange(channel);
  const model::EditResult r = Edit().SetOutputGain(channel, db);
  screen_.ShowChannelVolume(channel);
  ShowNotes(box, r.notes);
}

void EditPresenter::SetChVolumeUp(int channel, bool up) {
  if (!Valid(channel)) return;
  const int gain = Live().channels[channel].gain;
  if (up ? gain >= kChannelVolumeSliderMax : gain <= kChannelVolumeSliderMin) return;
  if (channel != Live().currChannel) SetCurChannelChange(channel);
  Edit().SetOutputGain(channel, gain + (up ? 1 : -1));
}

void EditPresenter::SetMainVolume() {
  const int db = c_.SliderValue(ControlId{Control::kMainVolumeSlider});
  DebugPrint(L"on main volume change to %d dB\n", db);
  Edit().SetMainVolume(db);
}

void EditPresenter::SetMainVolumeEdit() {
  const ControlId box{Control::kMainVolumeEdit};
  double db = 0.0;
  if (!ReadVolumeBox(box, Live().mainVolume, kMainVolumeSliderMin, db)) {
    screen_.ShowMainVolume();
    return;
  }
  ShowNotes(box, Edit().SetMainVolume(db).notes);
}

void EditPresenter::SetMainVolumeUp(bool up) {
  const int volume = Live().mainVolume;
  if (up ? volume >= kMainVolumeSliderMax : volume <= kMainVolumeSliderMin) return;
  Edit().SetMainVolume(volume + (up ? 1 : -1));
}

void EditPresenter::SetMainMute() {
  Edit().SetMainMute(c_.IsSelected(ControlId{Control::kMainMute}));
}

void EditPresenter::SetChMute(int channel) {
  if (!Valid(channel)) return;
  Edit().SetMute(channel, c_.IsSelected(ControlId{Control::kOutputMute, channel}));
}

void EditPresenter::SetChPhase(int channel) {
  if (!Valid(channel)) return;
  Edit().SetPhase(channel, c_.IsSelected(ControlId{Control::kOutputPhase, channel}));
}

void EditPresenter::SetChDelay(int channel) {
  if (!Valid(channel)) return;
  const int us = c_.SliderValue(ControlId{Control::kOutputDelaySlider, channel});
  Edit().SetDelay(channel, static_cast<float>(us) / 1000.0f);
}

void EditPresenter::SetChDelayEdit(int channel) {
  if (!Valid(channel)) return;
  const ControlId box{Control::kOutputDelayEdit, channel};
  const int unit = screen_.DelayUnit();
  const std::string text = c_.Text(box);
  // A box left with its rounded text was not edited: read back, a cm delay would move.
  if (!model::HoldsNumber(text) ||
      ShowsStoredText(box, model::DelayText(Live().channels[channel].delay, unit))) {
    screen_.ShowDelay(channel);
    return;
  }
  const double asked = model::ParseReal(text);
  const double value = model::DelayEditLimit(asked, unit);
  Edit().SetDelay(channel, model::DelayMsFromEdit(value, unit));
  std::vector<model::ClampNote> notes;
  if (value != asked) notes.push_back({"delay", asked, value});
  ShowNotes(box, notes);
  // The typed value stays as typed (a distance keeps its digits), limited.
  c_.SetText(box, unit == 0 ? model::FormatNumber("%.3f", value)
                            : std::to_string(static_cast<int>(value)));
}

void EditPresenter::SetChDelayUp(int channel, bool up) {
  if (!Valid(channel)) return;
  const int us = DelayMicroseconds(Live().channels[channel].delay);
  if (up ? us >= model::kDelaySliderMax : us <= 0) return;
  const int step = up ? model::kDelayStepMicroseconds : -model::kDelayStepMicroseconds;
  const int next = std::clamp(us + step, 0, model::kDelaySliderMax);
  Edit().SetDelay(channel, static_cast<float>(next) / 1000.0f);
}

void EditPresenter::SetDelayUnit() {
  screen_.SetDelayUnit(c_.CurSel(ControlId{Control::kDelayUnit}));
}

void EditPresenter::SetChInput(int channel, int input) {
  if (!Valid(channel) || input < 1 || input > 6) return;
  Edit().SetRouting(channel, input,
                    c_.IsSelected(ControlId{Control::kOutputInput, channel, input}));
}

void EditPresenter::SetInputSource() {
  const int index = c_.CurSel(ControlId{Control::kInputSource});
  if (index >= 0) Edit().SetSource(index);
}

void EditPresenter::SetCurChannelChange(int channel) {
  DebugPrint(L"on SetCurChannelChange channel index %d\n", channel);
  Edit().SelectOutput(channel);
}

void EditPresenter::SetChShow(int channel) {
  if (!Valid(channel)) return;
  Edit().SetOutputShown(channel, c_.IsSelected(ControlId{Control::kOutputShown, channel}));
}

}  // namespace tolva::ui
