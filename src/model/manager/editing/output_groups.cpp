// Operations on whole outputs and on the output set: speaker roles from the output menu, link
// and lock, bypass, EQ reset, PEQ/GEQ mode and the output reset.
#include <cmath>

#include "base/debug_print.h"
#include "device/protocol/protocol_codes.h"
#include "model/manager/editing/command_sending.h"
#include "model/edits/edit_operations.h"
#include "model/edits/edit_rules.h"
#include "model/manager/editing/output_groups.h"
#include "model/profile/output_links.h"
#include "model/edits/output_operations.h"
#include "model/edits/screen_text.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

namespace sub = device::dsp_sub;

constexpr int kLinkScene = 0;  // link, lock and mode commands always address scene 0

}  // namespace

void OutputGroups::Send(const OutputEdit& edit) {
  SendCommands(*ctx_.link, edit.commands, false);
}

void OutputGroups::ShowGains(const std::vector<int>& channels) {
  for (int ch : channels) ctx_.view->LiveValueApplied(sub::kTrim, ch);
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
  ctx_.SelectOutput(channel);
  ShowGains(edit.outputs);
  Send(edit);
}

void OutputGroups::ShowRole(int channel) {
  if (channel == ctx_.unit->live.currChannel) ctx_.view->LiveValueApplied(sub::kFilter, channel);
  ctx_.view->LiveValueApplied(sub::kRole, channel);  // every button label and speaker icon
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetSpeakerFocus(int role) {
  DebugPrint(L"on %s index %d\n", "EqualizerManager::SetSpeakerFocus", role);
  if (role < 1 || role >= kSpeakerRoles) return;
  bool found = false;
  for (int ch = 0; ch < std::min(ctx_.unit->live.channelCount, kOutputChannels); ++ch) {
    if (ctx_.unit->live.outputs[ch] == role) {
      ctx_.SelectOutput(ch);
      found = true;
    }
  }
  // The click may have marked an icon no output plays: the marks follow the outputs again.
  if (!found) ctx_.view->ShowCurrentStrip();
}

void OutputGroups::CopyChannelConfig(int from, int to) {
  DebugPrint(L"copy out config from %d to %d\n", from, to);
  CopyChannel(ctx_.unit->live, from, to);
}

void OutputGroups::SetOutputLink() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputLink");
  Profile& p = ctx_.unit->live;
  if (!IsLinkable(p)) {
    p.linkMode = 0;
    ctx_.view->LiveValueApplied(sub::kLink, -1);
    SendUnlink();
    ctx_.view->ShowMessage("${not_linkable_tips}");
    return;
  }
  if (p.linkMode == 1) {
    ClearLinks(p);
    p.lockMode = 0;
    ctx_.link->CH_Lock_Ctrl(kLinkScene, 0, false);
    ctx_.view->LiveValueApplied(sub::kLink, -1);
    ctx_.SelectOutput(p.currChannel);
    SendUnlink();
    return;
  }
  const int choice =
      ctx_.view->AskCheck("${link_tips}", "${copy_left_to_right}", "${copy_right_to_left}");
  if (choice == 0) {
    ctx_.view->LiveValueApplied(sub::kLink, -1);  // the click may have marked the button
    return;
  }
  DebugPrint(L"CMsgCheckBoxWnd %d\n", choice);
  const std::vector<int> pairs = LinkOutputs(p, choice);
  for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
    DebugPrint(L"copy out config from %d to %d\n", pairs[i], pairs[i + 1]);
  }
  ctx_.link->CH_Lock_Ctrl(kLinkScene, 1, false);
  ctx_.view->LiveValueApplied(sub::kLink, -1);
  // The partner takes the current output's gain, as the unit's copy does.
  const int current = ctx_.CurrentChannel();
  const OutputEdit gain = EditChannelGain(p, current, ctx_.Partner(), p.channels[current].gain);
  ShowGains({current});
  ShowGains(gain.outputs);
  Send(gain);
  ctx_.SelectOutput(current);
  ctx_.link->CH_Link_Ctrl(kLinkScene, 1, static_cast<int>(pairs.size() / 2), pairs, false);
}

void OutputGroups::SetOutpuLock() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutpuLock");
  Profile& p = ctx_.unit->live;
  const bool locked = p.lockMode == 1;
  if (ctx_.view->Confirm(locked ? "${unlock_output_tips}" : "${lock_output_tips}")) {
    p.lockMode = locked ? 0 : 1;
  }
  if (p.lockMode == 0 && p.linkMode == 1) {
    ClearLinks(p);
    SendUnlink();
  }
  ctx_.view->LiveValueApplied(sub::kLock, -1);
  if (p.lockMode == 0) ctx_.SelectOutput(p.currChannel);
  ctx_.link->CH_Lock_Ctrl(kLinkScene, p.lockMode, false);
}

void OutputGroups::SetOutputBypass() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputBypass");
  const int current = ctx_.CurrentChannel();
  const BypassStep step = NextBypassStep(ctx_.unit->live.channels[current]);
  if (step == BypassStep::kBypass && !ctx_.view->Confirm("${bypass_all_eq_tips}")) return;
  if (step == BypassStep::kRestore && !ctx_.view->Confirm("${restore_all_eq_tips}")) return;
  const OutputEdit edit = EditBypass(ctx_.unit->live, current, ctx_.Partner(), step);
  Send(edit);
  ctx_.view->LiveValueApplied(sub::kBypass, current);
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetOutputEqRest() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputEqRest");
  if (!ctx_.view->Confirm("${reset_all_eq_tips}")) return;
  Profile& p = ctx_.unit->live;
  const int current = ctx_.CurrentChannel();
  const std::vector<int> channels = ResetBands(p, current, ctx_.Partner());
  ctx_.view->LiveValueApplied(sub::kBandReset, current);
  ctx_.UpdateEqualizer(-1);
  ctx_.link->PEQ_Reset_Ctrl(p.editScene, 0, static_cast<int>(channels.size()), channels, false);
}

void OutputGroups::SwitchEqMode() {
  Profile& p = ctx_.unit->live;
  const bool peq = p.peqMode == 1;
  if (!ctx_.view->Confirm(peq ? "${geq_mode_tips}" : "${peq_mode_tips}")) {
    ctx_.view->EqModeChanged();  // the click may have toggled the button
    return;
  }
  for (const BandRef& r : SetEqMode(p, !peq)) {
    // A band switched off keeps playing nothing.
    const BandOnUnit band = BandAsSent(p.channels[r.channel], r.band);
    ctx_.link->EQ_Ctrl(kLinkScene, 0, r.channel, r.band, band.freq, band.q, band.gain, false);
  }
  ctx_.view->EqModeChanged();
  ctx_.view->BandsEdited(p.currChannel, -1);
  ctx_.UpdateEqualizer(-1);
}

void OutputGroups::SetOutputReset() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputReset");
  const int choice =
      ctx_.view->AskChoice("${empty_output_tips}", {"${default}", "${cancel}", "${emptied}"});
  if (choice != 1 && choice != 2) return;
  const OutputEdit edit = ResetOutputs(ctx_.unit->live, choice == 1);
  for (int ch = 0; ch < kOutputChannels; ++ch) ShowRole(ch);
  ShowGains(edit.outputs);
  ctx_.view->LiveValueApplied(sub::kLink, -1);
  Send(edit);
  ctx_.SelectOutput(0);
}

}  // namespace tolva::model
