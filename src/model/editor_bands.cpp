// Editing the EQ bands of the current output: typed values, the gain sliders, the enable
// buttons, the step buttons and drags on the graph.
#include <algorithm>
#include <cmath>

#include "base/debug_print.h"
#include "model/control_ranges.h"
#include "model/edit_operations.h"
#include "model/edit_rules.h"
#include "model/channel_editor.h"
#include "model/screen_text.h"

namespace tolva::model {
namespace {

constexpr float kGainEpsilon = 0.001f;
constexpr float kSameValue = 0.01f;

// The controls of one band row.
struct BandRow {
  explicit BandRow(int band)
      : freq{Control::kBandFreq, band},
        q{Control::kBandQ, band},
        gain{Control::kBandGain, band},
        slider{Control::kBandSlider, band},
        enable{Control::kBandEnable, band} {}
  ControlId freq, q, gain, slider, enable;
};

int SliderTenths(float gain) {
  return static_cast<int>(std::lround(gain * 10.0f));
}

float Tenths(float value) {
  return static_cast<float>(SliderTenths(value)) / 10.0f;
}

// What a band row's three boxes show for the stored band.
struct BandTexts {
  std::string freq, q, gain;
};

BandTexts ShownBandTexts(const ChannelSettings& ch, int band) {
  if (band >= ch.eqSize) return {"0", "0", "0.0"};
  const EqBand& b = ch.eqArray[band];
  const bool shown = ch.bypass == 0 && b.enable == 1;
  return {std::to_string(b.freq), FormatNumber("%.2f", b.eqFactor),
          shown ? GainText(b.eqGain) : "0.0"};
}

}  // namespace

void ChannelEditor::SendBand(int channel, int band, float gain) {
  const EqBand& b = ctx_.unit->live.channels[channel].eqArray[band];
  ctx_.link->EQ_Ctrl(ctx_.unit->live.editScene, 0, channel, band, b.freq, b.eqFactor, gain, false);
}

void ChannelEditor::SendBypass(int channel) {
  const int value = ctx_.unit->live.channels[channel].bypass;
  ctx_.link->PEQ_Bypass_Ctrl(ctx_.unit->live.editScene, 0, channel, channel, std::span(&value, 1), false);
}

void ChannelEditor::SetChEqEdit(int band) {
  if (band < 0 || band >= kEqBands) return;
  DebugPrint(L"SetChEqEdit band=%d\n", band);
  ScreenControls& c = *ctx_.controls;
  const BandRow n(band);
  const ChannelSettings& ch = ctx_.unit->live.channels[ctx_.CurrentChannel()];
  const EqBand& stored = ch.eqArray[band];
  // Boxes left as they were shown change nothing, not even on a bypassed output, whose other
  // bands the first real edit silences.
  const BandTexts shown = ShownBandTexts(ch, band);
  if (ShowsStoredText(c, n.freq, shown.freq) && ShowsStoredText(c, n.q, shown.q) &&
      ShowsStoredText(c, n.gain, shown.gain)) {
    return;
  }

  // A box holding no number keeps what the row showed.
  const std::string freq_text = c.Text(n.freq);
  int freq = HoldsNumber(freq_text) ? ParseFrequency(freq_text) : stored.freq;
  if (freq < kMinFrequency || freq > kMaxFrequency) freq = stored.freq;
  c.SetText(n.freq, std::to_string(freq));

  const std::string q_text = c.Text(n.q);
  const double typed_q = HoldsNumber(q_text) ? ParseReal(q_text) : stored.eqFactor;
  const auto q = static_cast<float>(std::clamp(typed_q, double{kMinQ}, double{kMaxQ}));
  c.SetText(n.q, FormatNumber("%.2f", q));

  // The gain is held in the unit's tenths of a dB, and the box shows the gain as held.
  const std::string gain_text = c.Text(n.gain);
  const double typed =
      HoldsNumber(gain_text) ? ParseReal(gain_text) : ShownGainTenths(ch, band) / 10.0;
  const double gain = std::round(std::clamp(typed, kBandGainMinDb, kBandGainMaxDb) * 10.0) / 10.0;
  c.SetText(n.gain, GainText(gain));
  c.SetSliderValue(n.slider, static_cast<int>(std::lround(gain * 10.0)));
  DebugPrint(L"freqValue(%d) ,qValue(%f) ,gainValue(%.1f)\n", freq, static_cast<double>(q), gain);

  ApplyBandEdit(band, freq, q, static_cast<float>(gain), BandSource::kEdit);
}

void ChannelEditor::SetEqSlider(int band) {
  if (band < 0 || band >= kEqBands) return;
  ScreenControls& c = *ctx_.controls;
  const BandRow n(band);
  const float gain = static_cast<float>(c.SliderValue(n.slider)) / 10.0f;
  c.SetText(n.gain, GainText(gain));
  const int freq = ParseInteger(c.Text(n.freq));
  const auto q = static_cast<float>(ParseReal(c.Text(n.q)));
  DebugPrint(L"sliderValue (%.1f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d)\n",
             static_cast<double>(gain), freq, static_cast<double>(q), band,
             ctx_.unit->live.currChannel);
  ApplyBandEdit(band, freq, q, gain, BandSource::kSlider);
}

// Steps 5 to 10 of a band edit, shared by the edits, the sliders and the graph.
void ChannelEditor::ApplyBandEdit(int band, int freq, float q, float gain, BandSource source) {
  const int current = ctx_.CurrentChannel();
  const int partner = ctx_.Partner();
  const BandEditResult r = EditBand(ctx_.unit->live, current, partner, band, {freq, q, gain}, source);
  for (const BandSend& s : r.cleared) {
    ctx_.link->EQ_Ctrl(ctx_.unit->live.editScene, 0, s.channel, s.band, s.freq, s.q, s.gain, false);
  }
  if (!r.stored) return;

  ScreenControls& c = *ctx_.controls;
  const BandRow n(band);
  c.SetSelected(n.enable, r.audible);
  c.SetText({Control::kBypass}, r.flat ? "${restore_eq}" : "${bypass_eq}");
  const auto send_bypass = [&](int target) {
    if (std::find(r.bypass_changed.begin(), r.bypass_changed.end(), target) !=
        r.bypass_changed.end()) {
      SendBypass(target);
    }
  };

  // The bypass goes out only when it changed, for drags too: the unit holds it already, and a
  // drag step would otherwise cost a second exchange.
  if (source == BandSource::kGraph) {
    for (int target : {current, partner}) {
      if (target < 0) continue;
      if (target == current || target == r.band_partner) SendBand(target, band, gain);
      send_bypass(target);
    }
    // Cleared bands and a changed bypass show in other rows; otherwise a drag step changes this
    // band's row alone.
    const bool bypass_changed = std::find(r.bypass_changed.begin(), r.bypass_changed.end(),
                                          current) != r.bypass_changed.end();
    if (!r.cleared.empty() || bypass_changed) {
      RefreshBandRows(current);
    } else {
      RefreshBandRow(current, band);
    }
    ctx_.UpdateEqualizer(band);
    c.SetSliderValue(n.slider, SliderTenths(gain));
    return;
  }
  send_bypass(current);
  if (partner >= 0) send_bypass(partner);
  ctx_.UpdateEqualizer(band);
  SendBand(current, band, gain);
  if (r.band_partner >= 0) SendBand(r.band_partner, band, gain);
}

void ChannelEditor::OnEqEnable(int band) {
  DebugPrint(L"OnEqEnable mEqIndex %d\n", band);
  Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  ChannelSettings& ch = p.channels[current];
  if (band < 0 || band >= std::min(ch.eqSize, kEqBands)) return;
  ScreenControls& c = *ctx_.controls;
  const BandRow n(band);
  EqBand& b = ch.eqArray[band];
  int slider = ShownGainTenths(ch, band);
  const float shown = static_cast<float>(slider) / 10.0f;
  bool changed = false;
  if (b.enable == 1 && std::fabs(shown) > kGainEpsilon) {
    b.enable = 0;
    slider = 0;
    c.SetSelected(n.enable, false);
    c.SetSliderValue(n.slider, 0);
    c.SetText(n.gain, "0.0");
    SendBand(current, band, 0.0f);
    changed = true;
  } else if (b.enable == 0 && std::fabs(b.eqGain - shown) > kGainEpsilon) {
    b.enable = 1;
    slider = SliderTenths(b.eqGain);
    c.SetSelected(n.enable, true);
    c.SetSliderValue(n.slider, slider);
    c.SetText(n.gain, GainText(b.eqGain));
    SendBand(current, band, b.eqGain);
    changed = true;
  }
  if (changed) ctx_.UpdateEqualizer(band);
  // The partner follows the band's state even when this click changed nothing here (the two may
  // have drifted apart, by a file or by an edit made before linking).
  const int partner = ctx_.Partner();
  if (partner >= 0 && band < p.channels[partner].eqSize) {
    EqBand& other = p.channels[partner].eqArray[band];
    other.enable = b.enable;
    SendBand(partner, band, other.enable == 1 ? other.eqGain : 0.0f);
  }
  c.SetSelected(n.enable, slider != 0);
  ShowBypassButtonFromBands();
}

void ChannelEditor::SetEqGainUp(int band, bool up) {
  DebugPrint(L"SetEqGainUp index(%d) up(%d)\n", band, up ? 1 : 0);
  if (band < 0 || band >= kEqBands) return;
  const float gain = ctx_.unit->live.channels[ctx_.CurrentChannel()].eqArray[band].eqGain;
  const auto low = static_cast<float>(kBandGainMinDb), high = static_cast<float>(kBandGainMaxDb);
  if (std::fabs(gain - (up ? high : low)) < kSameValue) return;
  const float next = std::clamp(gain + (up ? 0.1f : -0.1f), low, high);
  ctx_.controls->SetText(BandRow(band).gain, GainText(next));
  SetChEqEdit(band);
}

void ChannelEditor::SetEqQUp(int band, bool up) {
  DebugPrint(L"SetEqQUp index(%d) up(%d)\n", band, up ? 1 : 0);
  if (band < 0 || band >= kEqBands) return;
  const float q = ctx_.unit->live.channels[ctx_.CurrentChannel()].eqArray[band].eqFactor;
  if (std::fabs(q - (up ? kMaxQ : kMinQ)) < kSameValue) return;
  const float next = std::clamp(q + (up ? 0.05f : -0.05f), kMinQ, kMaxQ);
  ctx_.controls->SetText(BandRow(band).q, FormatNumber("%.2f", next));
  SetChEqEdit(band);
}

void ChannelEditor::SetEqFreqUp(int band, bool up) {
  DebugPrint(L"SetEqFreqUp index(%d) up(%d)\n", band, up ? 1 : 0);
  if (band < 0 || band >= kEqBands) return;
  const int freq = ctx_.unit->live.channels[ctx_.CurrentChannel()].eqArray[band].freq;
  // A frequency from a file may lie outside the scale: a step brings it to the nearer end.
  const bool outside = freq < kMinFrequency || freq > kMaxFrequency;
  if (!outside && (up ? freq >= kMaxFrequency : freq <= kMinFrequency)) return;
  const int next =
      outside ? std::clamp(freq, kMinFrequency, kMaxFrequency) : StepFrequency(freq, up);
  ctx_.controls->SetText(BandRow(band).freq, std::to_string(next));
  SetChEqEdit(band);
}

void ChannelEditor::EqualizerCallback(int index, int kind) {
  DebugPrint(L"%s cmd %d index %d\n", "EqualizerCallback", kind, index);
  ScreenControls& c = *ctx_.controls;
  if (kind == 0) {
    if (index < 0 || index >= kEqBands) return;
    // The graph gives any gain and Q; the unit holds tenths of each, and so does the band, so
    // that the screen never shows a value the unit does not hold.
    const EqualizerGraphData::Band b = c.GraphBand(index);
    ApplyBandEdit(index, b.freq, Tenths(b.q), Tenths(b.gain), BandSource::kGraph);
    return;
  }
  if (kind != 1 && kind != 2) return;
  Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  const bool high_pass = kind == 1;
  const int corner = high_pass ? c.GraphHpFreq() : c.GraphLpFreq();
  const int partner = ctx_.Partner();
  if (!EditCornerFromGraph(p, current, partner, high_pass, corner)) return;
  const Crossover& x = p.channels[current].crossover;
  c.SetText(high_pass ? ControlId{Control::kHpFreq} : ControlId{Control::kLpFreq},
            std::to_string(high_pass ? x.hp.fs : x.lp.fs) + "Hz");
  const int filter = high_pass ? kHighPassFilter : kLowPassFilter;
  SendFilter(current, filter);
  if (partner >= 0) SendFilter(partner, filter);
  ctx_.UpdateEqualizer(-1);
  DebugPrint(L"EqualizerCallback mLpFreq(%d)\n", x.lp.fs);
}

void ChannelEditor::RefreshBandRows(int channel) {
  for (int band = 0; band < kEqBands; ++band) RefreshBandRow(channel, band);
}

void ChannelEditor::RefreshBandRow(int channel, int band) {
  const ChannelSettings& ch = ctx_.unit->live.channels[std::clamp(channel, 0, kOutputChannels - 1)];
  ScreenControls& c = *ctx_.controls;
  const BandRow n(band);
  const BandTexts texts = ShownBandTexts(ch, band);
  c.SetText(n.freq, texts.freq);
  c.SetText(n.q, texts.q);
  c.SetText(n.gain, texts.gain);
  if (band >= ch.eqSize) {
    for (const ControlId* name : {&n.freq, &n.q, &n.gain, &n.slider, &n.enable}) {
      c.SetEnabled(*name, false);
    }
    c.SetSliderValue(n.slider, 0);
    c.SetSelected(n.enable, false);
    return;
  }
  const bool peq = ctx_.unit->live.peqMode == 1;
  const EqBand& b = ch.eqArray[band];
  c.SetEnabled(n.freq, peq);
  c.SetEnabled(n.q, peq);
  for (const ControlId* name : {&n.gain, &n.slider, &n.enable}) c.SetEnabled(*name, true);
  const bool shown = ch.bypass == 0 && b.enable == 1;
  c.SetSliderValue(n.slider, shown ? SliderTenths(b.eqGain) : 0);
  c.SetSelected(n.enable, BandMarked(ch, band));
}

void ChannelEditor::ShowBypassButtonFromBands() {
  const ChannelSettings& ch = ctx_.unit->live.channels[ctx_.CurrentChannel()];
  bool any = false;
  for (int band = 0; band < std::min(ch.eqSize, kEqBands) && !any; ++band) {
    any = BandMarked(ch, band);
  }
  ctx_.controls->SetText(ControlId{Control::kBypass}, any ? "${bypass_eq}" : "${restore_eq}");
}

}  // namespace tolva::model
