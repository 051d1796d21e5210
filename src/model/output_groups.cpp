// Operations on whole outputs and on the output set: speaker roles from the output menu, link
// and lock, bypass, EQ reset, PEQ/GEQ mode and the output reset.
#include <cmath>

#include "base/debug_print.h"
#include "model/edit_operations.h"
#include "model/edit_rules.h"
#include "model/output_groups.h"
#include "model/output_links.h"
#include "model/output_operations.h"
#include "model/screen_text.h"
#include "model/speaker_roles.h"

namespace tolva::model {
namespace {

constexpr int kLinkScene = 0;  // link, lock and mode commands always address scene 0

}  // namespace

void OutputGroups::ShowOutputButtonsEnabled(bool enabled) {
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    ctx_.controls->SetEnabled(ControlId{Control::kOutputRole, ch}, enabled);
  }
}

void OutputGroups::SendUnlink() {
  ctx_.link->CH_Link_Ctrl(kLinkScene, 0, 0, {}, false);
}

std::array<RoleMenuState, kSpeakerRoles> OutputGroups::RoleMenuStates() const {
  return model::RoleMenuStates(ctx_.unit->live, output_menu_channel_);
}

void OutputGroups::SetOutputValue(int channel, std::string_view item) {
  DebugPrint("SetOutputValue channel %d selected value %s\n", channel, std::string(item).c_str());
  const int role = RoleOfMenuItem(item);
  if (channel < 0 || channel >= kOutputChannels || role < 0) return;
  const OutputEdit edit = EditRole(ctx_.unit->live, channel, role);
  ShowRole(channel);
  editor_.SetCurChannelChange(channel);
  for (int ch : edit.outputs) editor_.ShowChannelGain(ch);
  editor_.Send(edit);
}

void OutputGroups::ShowRole(int channel) {
  const Profile& p = ctx_.unit->live;
  ctx_.controls->SetText(ControlId{Control::kOutputRole, channel}, RoleButtonLabel(p.outputs[channel]));
  if (channel == p.currChannel) editor_.SetFreqDivider(channel);
  ctx_.view->LiveValueApplied(0x0D, channel);  // every button label and speaker icon
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetSpeakerFocus(int role) {
  DebugPrint(L"on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
  if (role < 1 || role >= kSpeakerRoles) return;
  ctx_.controls->SetSelected(ControlId{Control::kSpeaker, role}, true);
  for (int ch = 0; ch < std::min(ctx_.unit->live.channelCount, kOutputChannels); ++ch) {
    if (ctx_.unit->live.outputs[ch] == role) editor_.SetCurChannelChange(ch);
  }
}

void OutputGroups::CopyChannelConfig(int from, int to) {
  DebugPrint(L"copy out config from %d to %d\n", from, to);
  CopyChannel(ctx_.unit->live, from, to);
}

void OutputGroups::SetOutputLink() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputLink");
  Profile& p = ctx_.unit->live;
  ScreenControls& c = *ctx_.controls;
  if (!IsLinkable(p)) {
    c.SetSelected(ControlId{Control::kLink}, false);
    p.linkMode = 0;
    SendUnlink();
    ctx_.view->ShowMessage("${not_linkable_tips}");
    return;
  }
  if (p.linkMode == 1) {
    ClearLinks(p);
    c.SetSelected(ControlId{Control::kLink}, false);
    p.lockMode = 0;
    c.SetSelected(ControlId{Control::kLock}, false);
    ctx_.link->CH_Lock_Ctrl(kLinkScene, 0, false);
    ShowOutputButtonsEnabled(true);
    editor_.SetCurChannelChange(p.currChannel);
    SendUnlink();
    return;
  }
  const int choice =
      ctx_.view->AskCheck("${link_tips}", "${copy_left_to_right}", "${copy_right_to_left}");
  if (choice == 0) {
    c.SetSelected(ControlId{Control::kLink}, false);
    return;
  }
  DebugPrint(L"CMsgCheckBoxWnd %d\n", choice);
  const std::vector<int> pairs = LinkOutputs(p, choice);
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    DebugPrint(L"copy out config from %d to %d\n", pairs[i], pairs[i + 1]);
  }
  c.SetSelected(ControlId{Control::kLink}, true);
  c.SetSelected(ControlId{Control::kLock}, true);
  ctx_.link->CH_Lock_Ctrl(kLinkScene, 1, false);
  ShowOutputButtonsEnabled(false);
  const int current = ctx_.CurrentChannel();
  c.SetSliderValue(ControlId{Control::kOutputVolumeSlider, current}, p.channels[current].gain);
  editor_.SetChVolume(current);
  editor_.SetCurChannelChange(current);
  ctx_.link->CH_Link_Ctrl(kLinkScene, 1, static_cast<int>(pairs.size() / 2), pairs, false);
}

void OutputGroups::SetOutpuLock() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutpuLock");
  Profile& p = ctx_.unit->live;
  const bool locked = p.lockMode == 1;
  if (ctx_.view->Confirm(locked ? "${unlock_output_tips}" : "${lock_output_tips}")) {
    p.lockMode = locked ? 0 : 1;
  }
  ctx_.controls->SetSelected(ControlId{Control::kLock}, p.lockMode == 1);
  ShowOutputButtonsEnabled(p.lockMode == 0);
  if (p.lockMode == 0) {
    if (p.linkMode == 1) {
      ClearLinks(p);
      ctx_.controls->SetSelected(ControlId{Control::kLink}, false);
      SendUnlink();
    }
    editor_.SetCurChannelChange(p.currChannel);
  }
  ctx_.link->CH_Lock_Ctrl(kLinkScene, p.lockMode, false);
}

void OutputGroups::SetOutputBypass() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputBypass");
  const int current = ctx_.CurrentChannel();
  const BypassStep step = NextBypassStep(ctx_.unit->live.channels[current]);
  if (step == BypassStep::kBypass && !ctx_.view->Confirm("${bypass_all_eq_tips}")) return;
  if (step == BypassStep::kRestore && !ctx_.view->Confirm("${restore_all_eq_tips}")) return;
  const OutputEdit edit = EditBypass(ctx_.unit->live, current, ctx_.Partner(), step);
  if (step != BypassStep::kResend) {
    ctx_.controls->SetText(ControlId{Control::kBypass}, ctx_.unit->live.channels[current].bypass == 1
                                                        ? "${restore_eq}"
                                                        : "${bypass_eq}");
  }
  editor_.Send(edit);
  editor_.RefreshBandRows(current);
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetOutputEqRest() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputEqRest");
  if (!ctx_.view->Confirm("${reset_all_eq_tips}")) return;
  Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  const std::vector<int> channels = ResetBands(p, current, ctx_.Partner());
  editor_.RefreshBandRows(current);
  ctx_.controls->SetText(ControlId{Control::kBypass}, "${bypass_eq}");
  ctx_.UpdateEqualizer(-1);
  ctx_.link->PEQ_Reset_Ctrl(p.editScene, 0, static_cast<int>(channels.size()), channels, false);
}

void OutputGroups::ShowEqMode() {
  const bool peq = ctx_.unit->live.peqMode == 1;
  ctx_.controls->SetSelected(ControlId{Control::kEqMode}, peq);
  ctx_.controls->SetText(ControlId{Control::kEqMode}, peq ? "${peq_mode}" : "${geq_mode}");
  ctx_.controls->SetGraphPeqMode(peq);
}

void OutputGroups::SwitchEqMode() {
  Profile& p = ctx_.unit->live;
  const bool peq = p.peqMode == 1;
  if (!ctx_.view->Confirm(peq ? "${geq_mode_tips}" : "${peq_mode_tips}")) {
    ShowEqMode();  // the click may have toggled the button
    return;
  }
  for (const BandRef& r : SetEqMode(p, !peq)) {
    // A band switched off keeps playing nothing.
    const BandOnUnit band = BandAsSent(p.channels[r.channel], r.band);
    ctx_.link->EQ_Ctrl(kLinkScene, 0, r.channel, r.band, band.freq, band.q, band.gain, false);
  }
  ShowEqMode();
  editor_.RefreshBandRows(p.currChannel);
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetOutputReset() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputReset");
  const int choice =
      ctx_.view->AskChoice("${empty_output_tips}", {"${default}", "${cancel}", "${emptied}"});
  if (choice != 1 && choice != 2) return;
  const OutputEdit edit = ResetOutputs(ctx_.unit->live, choice == 1);
  for (int ch = 0; ch < kOutputChannels; ++ch) ShowRole(ch);
  for (int ch : edit.outputs) editor_.ShowChannelGain(ch);
  ctx_.controls->SetSelected(ControlId{Control::kLock}, false);
  ShowOutputButtonsEnabled(true);
  ctx_.controls->SetSelected(ControlId{Control::kLink}, false);
  editor_.Send(edit);
  editor_.SetCurChannelChange(0);
}

}  // namespace tolva::model
