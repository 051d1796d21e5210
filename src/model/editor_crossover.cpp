// Editing the crossover of the current output: corners typed or stepped, type and slope chosen.
#include "base/debug_print.h"
#include "model/edit_operations.h"
#include "model/edit_rules.h"
#include "model/channel_editor.h"

namespace tolva::model {
namespace {

ControlId FreqEdit(bool high_pass) {
  return {high_pass ? Control::kHpFreq : Control::kLpFreq};
}

std::string CornerText(int fs) {
  return std::to_string(fs) + "Hz";
}

}  // namespace

void ChannelEditor::SendFilter(int channel, int filter) {
  const Crossover& x = ctx_.unit->live.channels[channel].crossover;
  const FilterSettings& f = filter == kHighPassFilter ? x.hp : x.lp;
  ctx_.link->Filter_Ctrl(ctx_.unit->live.editScene, 0, channel, filter, f.type, f.fs, f.slope, false);
}

// The corner from its edit, kept on its side of the other corner and within 20 … 20000 Hz.
void ChannelEditor::SetCornerFromEdit(Corner corner) {
  const bool high_pass = corner == Corner::kHighPass;
  Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  const int partner = ctx_.Partner();
  const std::string text = ctx_.controls->Text(FreqEdit(high_pass));
  const Crossover& x = p.channels[current].crossover;
  const std::string stored = CornerText(high_pass ? x.hp.fs : x.lp.fs);
  if (!HoldsNumber(text) || ShowsStoredText(*ctx_.controls, FreqEdit(high_pass), stored)) {
    ctx_.controls->SetText(FreqEdit(high_pass), stored);
    return;
  }
  const int fs = EditCornerFromText(p, current, partner, high_pass, ParseFrequency(text));
  DebugPrint(high_pass ? L"set hp freq to %d \n" : L"set lp freq to %d \n", fs);
  ctx_.controls->SetText(FreqEdit(high_pass), CornerText(fs));
  ctx_.UpdateEqualizer(-1);
  const int filter = high_pass ? kHighPassFilter : kLowPassFilter;
  SendFilter(current, filter);
  if (partner >= 0) SendFilter(partner, filter);
}

void ChannelEditor::SetHpFreq() {
  SetCornerFromEdit(Corner::kHighPass);
}

void ChannelEditor::SetLpFreq() {
  SetCornerFromEdit(Corner::kLowPass);
}

void ChannelEditor::StepCorner(Corner corner, bool up) {
  const bool high_pass = corner == Corner::kHighPass;
  DebugPrint(high_pass ? L"SetHpFreqUp up(%d)\n" : L"SetLpFreqUp up(%d)\n", up ? 1 : 0);
  const Crossover& x = ctx_.unit->live.channels[ctx_.CurrentChannel()].crossover;
  const int fs = high_pass ? x.hp.fs : x.lp.fs;
  if (up ? fs >= kMaxFrequency : fs <= kMinFrequency) return;
  int next = StepFrequency(fs, up);
  if (high_pass && next > x.lp.fs) next = x.lp.fs;
  if (!high_pass && next < x.hp.fs) next = x.hp.fs;
  ctx_.controls->SetText(FreqEdit(high_pass), CornerText(next));
  SetCornerFromEdit(corner);
}

void ChannelEditor::SetHpFreqUp(bool up) {
  StepCorner(Corner::kHighPass, up);
}

void ChannelEditor::SetLpFreqUp(bool up) {
  StepCorner(Corner::kLowPass, up);
}

// A type or slope combo: the item index is the code; an unchanged one does nothing.
void ChannelEditor::SetFilterCode(Corner corner, bool slope) {
  const bool high_pass = corner == Corner::kHighPass;
  const ControlId combo{slope ? (high_pass ? Control::kHpSlope : Control::kLpSlope)
                              : (high_pass ? Control::kHpType : Control::kLpType)};
  const int index = ctx_.controls->CurSel(combo);
  // Narrow: the item text is UTF-8.
  const char* line = slope ? (high_pass ? "set hp slop to %s index " : "set lp slop to %s index ")
                           : (high_pass ? "set hp type to %s index " : "set lp type to %s index ");
  DebugPrint(line, ctx_.controls->ItemText(combo, index).c_str());
  DebugPrint(L"%d\n", index);
  if (index < 0) return;
  const int current = ctx_.CurrentChannel();
  const int partner = ctx_.Partner();
  if (!EditFilterCode(ctx_.unit->live, current, partner, high_pass, slope, index)) return;
  ctx_.UpdateEqualizer(-1);
  const int filter = high_pass ? kHighPassFilter : kLowPassFilter;
  SendFilter(current, filter);
  if (partner >= 0) SendFilter(partner, filter);
}

void ChannelEditor::SetHpSlope() {
  SetFilterCode(Corner::kHighPass, true);
}

void ChannelEditor::SetLpSlope() {
  SetFilterCode(Corner::kLowPass, true);
}

void ChannelEditor::SetHpType() {
  SetFilterCode(Corner::kHighPass, false);
}

void ChannelEditor::SetLpType() {
  SetFilterCode(Corner::kLowPass, false);
}

void ChannelEditor::SetFreqDivider(int channel) {
  const Crossover& x = ctx_.unit->live.channels[std::clamp(channel, 0, kOutputChannels - 1)].crossover;
  DebugPrint(L"on SetFreqDivider getHPType %d\n", x.hp.type);
  DebugPrint(L"on SetFreqDivider getLPType %d\n", x.lp.type);
  DebugPrint(L"on SetFreqDivider getHPFs %d\n", x.hp.fs);
  DebugPrint(L"on SetFreqDivider getLPFs %d\n", x.lp.fs);
  DebugPrint(L"on SetFreqDivider getHPSlope %d\n", x.hp.slope);
  DebugPrint(L"on SetFreqDivider getLPSlope %d\n", x.lp.slope);
  ScreenControls& c = *ctx_.controls;
  c.SelectItem(ControlId{Control::kHpType}, x.hp.type);
  c.SelectItem(ControlId{Control::kLpType}, x.lp.type);
  c.SelectItem(ControlId{Control::kHpSlope}, x.hp.slope);
  c.SelectItem(ControlId{Control::kLpSlope}, x.lp.slope);
  c.SetText(ControlId{Control::kHpFreq}, CornerText(x.hp.fs));
  c.SetText(ControlId{Control::kLpFreq}, CornerText(x.lp.fs));
}

}  // namespace tolva::model
