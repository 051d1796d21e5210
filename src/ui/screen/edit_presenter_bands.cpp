// The band rows, the graph's drags and the crossover of the current output.
#include <algorithm>
#include <cmath>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/profile/scene_names.h"
#include "model/edits/screen_text.h"
#include "ui/screen/edit_presenter.h"

namespace tolva::ui {
namespace {

using model::BandSource;
using model::ChannelSettings;
using model::EqBand;
using model::kEqBands;
using model::kMaxFrequency;
using model::kMinFrequency;

constexpr float kSameValue = 0.01f;
// The unit's steps: Q and gain in tenths.
constexpr float kQStep = 0.1f;
constexpr float kGainStep = 0.1f;

ControlId FreqBox(bool high_pass) {
  return {high_pass ? Control::kHpFreq : Control::kLpFreq};
}

}  // namespace

void EditPresenter::ShowNotes(const ControlId& box, const std::vector<model::ClampNote>& notes) {
  std::string text;
  for (const model::ClampNote& n : notes) {
    if (!text.empty()) text += "\n";
    text += model::HeldValueText(Languages().Resolve("${value_held}"), n);
  }
  c_.SetNote(box, text);
}

bool EditPresenter::ShowsStoredText(const ControlId& box, const std::string& shown) const {
  const std::string text = c_.Text(box);
  return text == shown || text == Languages().Resolve(shown);
}

void EditPresenter::SetChEqEdit(int band) {
  if (band < 0 || band >= kEqBands) return;
  DebugPrint(L"SetChEqEdit band=%d\n", band);
  const int current = Current();
  const ChannelSettings& ch = Live().channels[current];
  const EqBand& stored = ch.eqArray[band];
  const ControlId freq_box{Control::kBandFreq, band}, q_box{Control::kBandQ, band},
      gain_box{Control::kBandGain, band};
  // Boxes left as they were shown change nothing, not even on a bypassed output, whose other
  // bands the first real edit silences.
  const BandTexts shown = ShownBandTexts(ch, band);
  if (ShowsStoredText(freq_box, shown.freq) && ShowsStoredText(q_box, shown.q) &&
      ShowsStoredText(gain_box, shown.gain)) {
    return;
  }
  // A box holding no number keeps what the row showed.
  const std::string freq_text = c_.Text(freq_box), q_text = c_.Text(q_box),
                    gain_text = c_.Text(gain_box);
  const int freq = model::HoldsNumber(freq_text) ? model::ParseFrequency(freq_text) : stored.freq;
  const double q = model::HoldsNumber(q_text) ? model::ParseReal(q_text) : stored.eqFactor;
  const double gain = model::HoldsNumber(gain_text)
                          ? model::ParseReal(gain_text)
                          : model::ShownGainTenths(ch, band) / 10.0;
  const model::EditResult r =
      Edit().SetBand(current, band, {freq, static_cast<float>(q), static_cast<float>(gain)});
  // The row shows what the band holds now, also when the edit was refused or changed nothing.
  screen_.ShowBandRow(current, band);
  screen_.ShowBypassButton();
  for (const auto& [box, value] : {std::pair{freq_box, "frequency"}, std::pair{q_box, "q"},
                                   std::pair{gain_box, "gain"}}) {
    std::vector<model::ClampNote> mine;
    for (const model::ClampNote& n : r.notes) {
      if (n.value == value) mine.push_back(n);
    }
    ShowNotes(box, mine);
  }
}

void EditPresenter::SetEqSlider(int band) {
  if (band < 0 || band >= kEqBands) return;
  const int current = Current();
  const EqBand& stored = Live().channels[current].eqArray[band];
  const float gain =
      static_cast<float>(c_.SliderValue(ControlId{Control::kBandSlider, band})) / 10.0f;
  Edit().SetBand(current, band, {stored.freq, stored.eqFactor, gain}, BandSource::kSlider);
  screen_.ShowBandRow(current, band);
}

void EditPresenter::OnEqEnable(int band) {
  DebugPrint(L"OnEqEnable mEqIndex %d\n", band);
  const int current = Current();
  const ChannelSettings& ch = Live().channels[current];
  if (band < 0 || band >= std::min(ch.eqSize, kEqBands)) return;
  Edit().SetBandEnabled(current, band, ch.eqArray[band].enable != 1);
  // The click toggled the button whatever the band did.
  screen_.ShowBandRow(current, band);
  screen_.ShowBypassButton();
}

void EditPresenter::StepBand(int band, int freq, float q, float gain) {
  const int current = Current();
  Edit().SetBand(current, band, {freq, q, gain});
  screen_.ShowBandRow(current, band);
  screen_.ShowBypassButton();
}

void EditPresenter::SetEqGainUp(int band, bool up) {
  if (band < 0 || band >= kEqBands) return;
  const EqBand& b = Live().channels[Current()].eqArray[band];
  const auto low = static_cast<float>(model::kBandGainMinDb);
  const auto high = static_cast<float>(model::kBandGainMaxDb);
  if (std::fabs(b.eqGain - (up ? high : low)) < kSameValue) return;
  StepBand(band, b.freq, b.eqFactor, std::clamp(b.eqGain + (up ? kGainStep : -kGainStep), low, high));
}

void EditPresenter::SetEqQUp(int band, bool up) {
  if (band < 0 || band >= kEqBands) return;
  const EqBand& b = Live().channels[Current()].eqArray[band];
  if (std::fabs(b.eqFactor - (up ? model::kMaxQ : model::kMinQ)) < kSameValue) return;
  const float q = std::clamp(b.eqFactor + (up ? kQStep : -kQStep), model::kMinQ, model::kMaxQ);
  StepBand(band, b.freq, q, b.eqGain);
}

void EditPresenter::SetEqFreqUp(int band, bool up) {
  if (band < 0 || band >= kEqBands) return;
  const EqBand& b = Live().channels[Current()].eqArray[band];
  // A frequency from a file may lie outside the scale: a step brings it to the nearer end.
  const bool outside = b.freq < kMinFrequency || b.freq > kMaxFrequency;
  if (!outside && (up ? b.freq >= kMaxFrequency : b.freq <= kMinFrequency)) return;
  const int next = outside ? std::clamp(b.freq, kMinFrequency, kMaxFrequency)
                           : model::StepFrequency(b.freq, up);
  StepBand(band, next, b.eqFactor, b.eqGain);
}

void EditPresenter::BandDragged(int band, int freq, float q, float gain) {
  Edit().SetBand(Current(), band, {freq, q, gain}, BandSource::kGraph);
}

void EditPresenter::CornerDragged(bool high_pass, int freq) {
  Edit().SetCorner(Current(), high_pass, freq, true);
}

void EditPresenter::SetCorner(bool high_pass) {
  const int current = Current();
  const model::Crossover& x = Live().channels[current].crossover;
  const std::string text = c_.Text(FreqBox(high_pass));
  const std::string stored = CornerText(high_pass ? x.hp.fs : x.lp.fs);
  std::vector<model::ClampNote> notes;
  if (model::HoldsNumber(text) && !ShowsStoredText(FreqBox(high_pass), stored)) {
    notes = Edit().SetCorner(current, high_pass, model::ParseFrequency(text)).notes;
  }
  screen_.ShowCrossover(current);
  ShowNotes(FreqBox(high_pass), notes);
}

void EditPresenter::SetHpFreq() {
  SetCorner(true);
}

void EditPresenter::SetLpFreq() {
  SetCorner(false);
}

void EditPresenter::StepCorner(bool high_pass, bool up) {
  const int current = Current();
  const model::Crossover& x = Live().channels[current].crossover;
  const int fs = high_pass ? x.hp.fs : x.lp.fs;
  if (up ? fs >= kMaxFrequency : fs <= kMinFrequency) return;
  int next = model::StepFrequency(fs, up);
  if (high_pass && next > x.lp.fs) next = x.lp.fs;
  if (!high_pass && next < x.hp.fs) next = x.hp.fs;
  if (next == fs) return;  // against the other corner
  Edit().SetCorner(current, high_pass, next);
  screen_.ShowCrossover(current);
}

void EditPresenter::SetHpFreqUp(bool up) {
  StepCorner(true, up);
}

void EditPresenter::SetLpFreqUp(bool up) {
  StepCorner(false, up);
}

// A type or slope combo: the item index is the code; an unchanged one does nothing.
void EditPresenter::SetFilterCode(bool high_pass, bool slope) {
  const ControlId combo{slope ? (high_pass ? Control::kHpSlope : Control::kLpSlope)
                              : (high_pass ? Control::kHpType : Control::kLpType)};
  const int index = c_.CurSel(combo);
  DebugPrint(L"filter code %d\n", index);
  if (index < 0) return;
  Edit().SetFilterCode(Current(), high_pass, slope, index);
  screen_.ShowCrossover(Current());
}

void EditPresenter::SetHpSlope() {
  SetFilterCode(true, true);
}

void EditPresenter::SetLpSlope() {
  SetFilterCode(false, true);
}

void EditPresenter::SetHpType() {
  SetFilterCode(true, false);
}

void EditPresenter::SetLpType() {
  SetFilterCode(false, false);
}

}  // namespace tolva::ui
