#include "ui/screen/manager_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/debug_print.h"
#include "device/protocol/protocol_codes.h"
#include "model/edits/edit_rules.h"
#include "model/edits/screen_text.h"
#include "model/profile/control_ranges.h"
#include "model/profile/input_sources.h"
#include "model/profile/polarity.h"
#include "model/profile/speaker_roles.h"
#include "ui/screen/control_names.h"

namespace tolva::ui {

using namespace model;  // the screen shows the model's values by the model's names

namespace {

constexpr Control kCombos[] = {Control::kDelayUnit, Control::kHpType, Control::kLpType,
                               Control::kHpSlope, Control::kLpSlope};
constexpr int kInputOptions = 4;  // the layout has no options for inputs 5 and 6

int SliderTenths(float gain) {
  return static_cast<int>(std::lround(gain * 10.0f));
}

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

}  // namespace

BandTexts ShownBandTexts(const ChannelSettings& ch, int band) {
  if (band < 0 || band >= kEqBands || band >= ch.eqSize) return {"0", "0", "0.0"};
  const EqBand& b = ch.eqArray[band];
  const bool shown = ch.bypass == 0 && b.enable == 1;
  return {std::to_string(b.freq), FormatNumber("%.2f", b.eqFactor),
          shown ? GainText(b.eqGain) : "0.0"};
}

std::string CornerText(int fs) {
  return std::to_string(fs) + "Hz";
}

void ManagerScreen::SetDelayUnit(int unit) {
  delay_unit_ = unit >= 0 && unit <= 2 ? unit : 0;
  for (int ch = 0; ch < kOutputChannels; ++ch) ShowDelay(ch);
}

void ManagerScreen::ShowBandRows(int channel) {
  for (int band = 0; band < kEqBands; ++band) ShowBandRow(channel, band);
}

void ManagerScreen::ShowBandRow(int channel, int band) {
  if (band < 0 || band >= kEqBands) return;
  const ChannelSettings& ch = Live().channels[std::clamp(channel, 0, kOutputChannels - 1)];
  const BandRow n(band);
  const BandTexts texts = ShownBandTexts(ch, band);
  c_.SetText(n.freq, texts.freq);
  c_.SetText(n.q, texts.q);
  c_.SetText(n.gain, texts.gain);
  if (band >= ch.eqSize) {
    for (const ControlId* name : {&n.freq, &n.q, &n.gain, &n.slider, &n.enable}) {
      c_.SetEnabled(*name, false);
    }
    c_.SetSliderValue(n.slider, 0);
    c_.SetSelected(n.enable, false);
    return;
  }
  const bool peq = Live().peqMode == 1;
  const EqBand& b = ch.eqArray[band];
  c_.SetEnabled(n.freq, peq);
  c_.SetEnabled(n.q, peq);
  for (const ControlId* name : {&n.gain, &n.slider, &n.enable}) c_.SetEnabled(*name, true);
  const bool shown = ch.bypass == 0 && b.enable == 1;
  c_.SetSliderValue(n.slider, shown ? SliderTenths(b.eqGain) : 0);
  c_.SetSelected(n.enable, BandMarked(ch, band));
}

void ManagerScreen::ShowBypassButton() {
  const ChannelSettings& ch = Live().channels[manager_.CurrentChannel()];
  bool any = false;
  for (int band = 0; band < std::min(ch.eqSize, kEqBands) && !any; ++band) {
    any = BandMarked(ch, band);
  }
  c_.SetText(ControlId{Control::kBypass}, any ? "${bypass_eq}" : "${restore_eq}");
}

void ManagerScreen::ShowCrossover(int channel) {
  const Crossover& x = Live().channels[std::clamp(channel, 0, kOutputChannels - 1)].crossover;
  c_.SelectItem(ControlId{Control::kHpType}, x.hp.type);
  c_.SelectItem(ControlId{Control::kLpType}, x.lp.type);
  c_.SelectItem(ControlId{Control::kHpSlope}, x.hp.slope);
  c_.SelectItem(ControlId{Control::kLpSlope}, x.lp.slope);
  c_.SetText(ControlId{Control::kHpFreq}, CornerText(x.hp.fs));
  c_.SetText(ControlId{Control::kLpFreq}, CornerText(x.lp.fs));
  // Linkwitz-Riley is offered only the orders it has.
  for (const auto& [combo, type] : {std::pair{Control::kHpSlope, x.hp.type},
                                    std::pair{Control::kLpSlope, x.lp.type}}) {
    for (int code = 1; code < kMaxSlope; code += 2) {
      c_.SetItemVisible(ControlId{combo}, "slope_" + std::to_string(code), type != kLinkwitzRiley);
    }
  }
}

void ManagerScreen::ShowCurrentStrip() {
  const Profile& p = Live();
  const int current = manager_.CurrentChannel();
  const int partner = manager_.Editing().PartnerOf(current);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    c_.SetSelected(ControlId{Control::kOutputSelect, ch}, ch == current || ch == partner);
    c_.SetSelected(ControlId{Control::kOutputShown, ch}, p.showChEqualizer[ch] != 0);
  }
  for (int role = 1; role < kSpeakerRoles; ++role) {
    const bool mine = role == p.outputs[current] || (partner >= 0 && role == p.outputs[partner]);
    c_.SetSelected(ControlId{Control::kSpeaker, role}, mine);
  }
  ShowCrossover(current);
  ShowBandRows(current);
  ShowBypassButton();
}

void ManagerScreen::EqModeChanged() {
  const bool peq = Live().peqMode == 1;
  c_.SetSelected(ControlId{Control::kEqMode}, peq);
  c_.SetText(ControlId{Control::kEqMode}, peq ? "${peq_mode}" : "${geq_mode}");
  c_.SetGraphPeqMode(peq);
}

void ManagerScreen::InitControls() {
  const int unit = c_.CurSel(ControlId{Control::kDelayUnit});
  delay_unit_ = unit >= 0 && unit <= 2 ? unit : 0;
  const int height = kComboItemHeight * c_.DisplayScalePercent() / 100;
  for (Control combo : kCombos) c_.SetItemHeight({combo}, height);
  for (int source = 0; source < kInputSources; ++source) {
    c_.SetItemVisible(ControlId{Control::kInputSource}, SourceComboItem(source),
                      SourceInfo(source).offered);
  }
  ShowMainVolume();
  ShowRoles();
  ShowCurrentStrip();
}

void ManagerScreen::ShowConnectState(ConnectState state) {
  switch (state) {
    case ConnectState::kDisconnected:
      c_.SetText(ControlId{Control::kConnect}, "${btn_disconnected}");
      c_.SetSelected(ControlId{Control::kConnect}, false);
      c_.SetTextColor(ControlId{Control::kConnect}, kDisconnectedColor);
      break;
    case ConnectState::kConnecting:
      c_.SetText(ControlId{Control::kConnect}, "${btn_connecting}");
      break;
    case ConnectState::kConnected:
      c_.SetText(ControlId{Control::kConnect}, "${btn_connected}");
      c_.SetTextColor(ControlId{Control::kConnect}, kConnectedColor);
      c_.SetSelected(ControlId{Control::kConnect}, true);
      break;
  }
}

void ManagerScreen::ShowUnitAnswering(bool answering) {
  c_.SetText(ControlId{Control::kConnect}, answering ? "${btn_connected}" : "${device_no_answer}");
  c_.SetTextColor(ControlId{Control::kConnect}, answering ? kConnectedColor : kDisconnectedColor);
}

void ManagerScreen::ShowMainVolume() {
  c_.SetSliderValue(ControlId{Control::kMainVolumeSlider}, Live().mainVolume);
  c_.SetText(ControlId{Control::kMainVolumeEdit},
             VolumeText(Live().mainVolume, kMainVolumeSliderMin));
  c_.SetSelected(ControlId{Control::kMainMute}, Live().mainVolumeMute != 0);
}

void ManagerScreen::ShowChannelVolume(int ch) {
  const ControlId slider{Control::kOutputVolumeSlider, ch};
  c_.SetSliderValue(slider, Live().channels[ch].gain);
  c_.SetText(ControlId{Control::kOutputVolumeEdit, ch},
             VolumeText(Live().channels[ch].gain, kChannelVolumeSliderMin));
}

void ManagerScreen::ShowDelay(int ch) {
  const float delay = Live().channels[ch].delay;
  c_.SetSliderValue(ControlId{Control::kOutputDelaySlider, ch},
                    static_cast<int>(std::lround(static_cast<double>(delay) * 1000.0)));
  c_.SetText(ControlId{Control::kOutputDelayEdit, ch},
             DelayText(delay, delay_unit_));
}

void ManagerScreen::ShowPhase(int ch) {
  const bool reversed = PolarityInverted(Live().channels[ch].phase);
  const ControlId option{Control::kOutputPhase, ch};
  c_.SetSelected(option, reversed);
  c_.SetText(option, reversed ? "${reverse phase}" : "${positive_phase}");
}

void ManagerScreen::ShowInputs(int ch) {
  const Profile& p = Live();
  const int source = std::clamp(p.source, 0, kInputSources - 1);
  const int mask = p.inputs[source][ch];
  const bool two_only = SourceRoutesOnlyTwoInputs(source);
  for (int in = 0; in < kInputOptions; ++in) {
    const ControlId option{Control::kOutputInput, ch, in + 1};
    c_.SetSelected(option, (mask >> in) & 1);
    if (in >= 2) {
      c_.SetEnabled(option, !two_only);
      c_.SetVisible(option, !two_only);
    }
  }
}

void ManagerScreen::ShowRoles() {
  for (int role = 1; role < kSpeakerRoles; ++role)
    c_.SetVisible(ControlId{Control::kSpeaker, role}, false);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const int role = Live().outputs[ch];
    c_.SetText(ControlId{Control::kOutputRole, ch}, RoleButtonLabel(role));
    if (role > 0 && role < kSpeakerRoles) c_.SetVisible(ControlId{Control::kSpeaker, role}, true);
  }
}

void ManagerScreen::ShowLinkState() {
  const Profile& p = Live();
  c_.SetSelected(ControlId{Control::kLink}, p.linkMode == 1);
  c_.SetSelected(ControlId{Control::kLock}, p.lockMode == 1);
  const bool editable = p.linkMode != 1 && p.lockMode != 1;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    c_.SetEnabled(ControlId{Control::kOutputRole, ch}, editable);
  }
}

void ManagerScreen::LiveValueApplied(int code, int ch) {
  const Profile& p = Live();
  const bool current = ch == p.currChannel;
  switch (code) {
    case device::dsp_sub::kSource:
      // The unit's source is listed even where this model's list does not offer it (a factory
      // reset leaves the optical input), so the screen says what the unit plays and the user
      // can choose it again after trying another.
      c_.SetItemVisible(ControlId{Control::kInputSource},
                        SourceComboItem(std::clamp(p.source, 0, kInputSources - 1)), true);
      c_.SelectItem(ControlId{Control::kInputSource}, p.source);
      break;
    case device::dsp_sub::kMainVolume:
    case device::dsp_sub::kMainMute:
      ShowMainVolume();
      break;
    case device::dsp_sub::kFilter:
      if (current) ShowCrossover(ch);
      break;
    case device::dsp_sub::kBand:
      // The bypass reply comes before the bands, so the button follows the bands too.
      if (current) {
        ShowBandRows(ch);
        ShowBypassButton();
      }
      break;
    case device::dsp_sub::kBandReset:
      // Flat bands, and the button offers the bypass again.
      if (current) {
        ShowBandRows(ch);
        c_.SetText(ControlId{Control::kBypass}, "${bypass_eq}");
      }
      break;
    case device::dsp_sub::kDelay:
      ShowDelay(ch);
      break;
    case device::dsp_sub::kTrim:
      ShowChannelVolume(ch);
      break;
    case device::dsp_sub::kChannelMute:
      c_.SetSelected(ControlId{Control::kOutputMute, ch}, p.channels[ch].mute != 0);
      break;
    case device::dsp_sub::kPhase:
      ShowPhase(ch);
      break;
    case device::dsp_sub::kMix:
      ShowInputs(ch);
      break;
    case device::dsp_sub::kRole:
      ShowRoles();
      break;
    case device::dsp_sub::kLink:
    case device::dsp_sub::kLock:
      ShowLinkState();
      ShowCurrentStrip();
      break;
    case device::dsp_sub::kBypass:
      if (current) {
        ShowBandRows(ch);
        ShowBypassButton();
      }
      break;
    default:
      break;
  }
}

void ManagerScreen::BandsEdited(int ch, int band) {
  if (ch != Live().currChannel) return;
  if (band >= 0) {
    ShowBandRow(ch, band);
  } else {
    ShowBandRows(ch);
  }
  ShowBypassButton();
}

void ManagerScreen::RefreshFromProfile() {
  ShowMainVolume();
  ShowRoles();
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    ShowChannelVolume(ch);
    c_.SetSelected(ControlId{Control::kOutputMute, ch}, Live().channels[ch].mute != 0);
    ShowPhase(ch);
    ShowDelay(ch);
    ShowInputs(ch);
  }
  ShowLinkState();
  EqModeChanged();
  ShowCurrentStrip();
}

void ManagerScreen::UpdateAllVolumeEdit() {
  const Profile& p = Live();
  c_.SetText(ControlId{Control::kMainVolumeEdit}, VolumeText(p.mainVolume, kMainVolumeSliderMin));
  DebugPrint(L"on main volume edit change to %d dB\n", p.mainVolume);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    c_.SetText(ControlId{Control::kOutputVolumeEdit, ch},
               VolumeText(p.channels[ch].gain, kChannelVolumeSliderMin));
    DebugPrint(L"on ch volume edit change to %d dB\n", p.channels[ch].gain);
  }
}

void ManagerScreen::UpdateEqualizer(int band) {
  const Profile& p = Live();
  const int current = std::clamp(p.currChannel, 0, kOutputChannels - 1);
  const ChannelSettings& ch = p.channels[current];
  EqualizerGraphData data;
  data.band_count = std::clamp(ch.eqSize, 0, kEqBands);
  for (int b = 0; b < kEqBands; ++b) {
    const EqBand& e = ch.eqArray[b];
    data.bands[b] = {GraphGain(ch, b), e.eqFactor, e.freq};
  }
  data.hp_freq = ch.crossover.hp.fs;
  data.lp_freq = ch.crossover.lp.fs;
  for (int c = 0; c < kOutputChannels; ++c) {
    data.curves[c] = &manager_.ChannelCurvesOf(c).total;
    data.shown[c] = p.showChEqualizer[c] != 0;
  }
  data.grid = &manager_.Grid();
  data.current = current;
  data.highlight = band;
  c_.SetEqualizerGraph(data);
}

}  // namespace tolva::ui
