// Operations on whole outputs and on the output set: speaker roles from the output menu, link
// and lock, bypass, EQ reset, PEQ/GEQ mode and the output reset.
#include "model/manager/editing/output_groups.h"

#include <algorithm>

#include "base/debug_print.h"
#include "device/protocol/protocol_codes.h"
#include "model/edits/output_operations.h"

namespace tolva::model {

namespace sub = device::dsp_sub;

std::array<RoleMenuState, kSpeakerRoles> OutputGroups::RoleMenuStates(int channel) const {
  return model::RoleMenuStates(ctx_.unit->live, channel);
}

void OutputGroups::SetOutputRole(int channel, int role) {
  DebugPrint("SetOutputValue channel %d selected role %d\n", channel, role);
  if (channel < 0 || channel >= kOutputChannels || role < 0 || role >= kSpeakerRoles) return;
  editing_.SetRole(channel, role);
  ctx_.SelectOutput(channel);
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

void OutputGroups::SetOutputLink() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputLink");
  const Profile& p = ctx_.unit->live;
  if (!IsLinkable(p)) {
    editing_.SetLink(false);
    ctx_.view->ShowMessage("${not_linkable_tips}");
    return;
  }
  if (p.linkMode == 1) {
    editing_.SetLink(false);
    return;
  }
  const int choice =
      ctx_.view->AskCheck("${link_tips}", "${copy_left_to_right}", "${copy_right_to_left}");
  if (choice == 0) {
    ctx_.view->LiveValueApplied(sub::kLink, -1);  // the click may have marked the button
    return;
  }
  DebugPrint(L"CMsgCheckBoxWnd %d\n", choice);
  editing_.SetLink(true, choice);
}

void OutputGroups::SetOutpuLock() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutpuLock");
  const bool locked = ctx_.unit->live.lockMode == 1;
  // Refused, the lock is sent as it stands.
  const bool change = ctx_.view->Confirm(locked ? "${unlock_output_tips}" : "${lock_output_tips}");
  editing_.SetLock(change != locked);
}

void OutputGroups::SetOutputBypass() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputBypass");
  const int current = ctx_.CurrentChannel();
  const BypassStep step = NextBypassStep(ctx_.unit->live.channels[current]);
  if (step == BypassStep::kBypass && !ctx_.view->Confirm("${bypass_all_eq_tips}")) return;
  if (step == BypassStep::kRestore && !ctx_.view->Confirm("${restore_all_eq_tips}")) return;
  editing_.SetBypass(current, step);
}

void OutputGroups::SetOutputEqRest() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputEqRest");
  if (!ctx_.view->Confirm("${reset_all_eq_tips}")) return;
  editing_.ResetEq(ctx_.CurrentChannel());
}

void OutputGroups::SwitchEqMode() {
  const bool peq = ctx_.unit->live.peqMode == 1;
  if (!ctx_.view->Confirm(peq ? "${geq_mode_tips}" : "${peq_mode_tips}")) {
    ctx_.view->EqModeChanged();  // the click may have toggled the button
    return;
  }
  editing_.SetEqMode(!peq);
}

void OutputGroups::SetOutputReset() {
  DebugPrint(L"on %s\n", "EqualizerManager::SetOutputReset");
  const int choice =
      ctx_.view->AskChoice("${empty_output_tips}", {"${default}", "${cancel}", "${emptied}"});
  if (choice != 1 && choice != 2) return;
  editing_.ResetOutputs(choice == 1);
}

}  // namespace tolva::model
