#include "ui/screen/edit_routing.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/debug_print.h"
#include "model/manager/equalizer_manager.h"
#include "ui/screen/edit_presenter.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/api/message_types.h"

namespace tolva::ui {
namespace {

namespace msg = kit::msgtype;
using model::EqualizerManager;

bool Starts(std::string_view name, std::string_view prefix) {
  return name.substr(0, prefix.size()) == prefix;
}

bool Is(const kit::ControlNotify& n, const char* type) {
  return n.type == type;
}

bool RouteClick(EqualizerManager& m, EditPresenter& p, const kit::ControlNotify& n) {
  if (n.name == "btnConnect") {
    m.Connect(true);
  } else if (n.name == "btn_reset_eq") {
    m.SetOutputEqRest();
  } else if (n.name == "btn_bypass") {
    m.SetOutputBypass();
  } else if (n.name == "btn_reset_output") {
    m.SetOutputReset();
  } else if (Starts(n.name, "ch_enable_")) {
    p.SetCurChannelChange(n.user_data);
  } else if (Starts(n.name, "speaker_")) {
    m.SetSpeakerFocus(n.user_data);
  } else if (Starts(n.name, "pt_enable_")) {
    p.OnEqEnable(n.user_data);
  } else if (n.name == "btn_lock_output") {
    m.SetOutpuLock();
  } else if (n.name == "btn_link_output") {
    m.SetOutputLink();
  } else if (n.name == "btn_arg_eq") {
    m.SwitchEqMode();
  } else {
    return false;
  }
  return true;
}

bool RouteSelectChanged(EditPresenter& p, const kit::ControlNotify& n) {
  DebugPrint("on option %s DUI_MSGTYPE_SELECTCHANGED index ", n.name.c_str());
  DebugPrint(L"%d\n", n.user_data);
  if (Starts(n.name, "ch_show_")) {
    p.SetChShow(n.user_data);
  } else if (Starts(n.name, "ch_mute_")) {
    p.SetChMute(n.user_data);
  } else if (Starts(n.name, "ch_phase_")) {
    p.SetChPhase(n.user_data);
  } else if (Starts(n.name, "main_mute")) {
    p.SetMainMute();
  } else if (Starts(n.name, "option_ch_in") && n.name.size() > 13 && n.name[13] == '_' &&
             n.name[12] >= '1' && n.name[12] <= '6') {
    p.SetChInput(n.user_data, n.name[12] - '0');
  } else {
    return false;
  }
  return true;
}

bool RouteSlider(EditPresenter& p, kit::ControlSurface& surface, const kit::ControlNotify& n) {
  if (Starts(n.name, "eq_slider_")) {
    const kit::Slider* slider = surface.FindSlider(n.name);
    DebugPrint("on eq silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d value %d\n", n.user_data, slider != nullptr ? slider->Value() : 0);
    p.SetEqSlider(n.user_data);
  } else if (Starts(n.name, "slider_main_volume")) {
    p.SetMainVolume();
  } else if (Starts(n.name, "slider_ch_volume_")) {
    DebugPrint("on volume silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    p.SetChVolume(n.user_data);
  } else if (Starts(n.name, "slider_ch_delay_")) {
    DebugPrint("on delay silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    p.SetChDelay(n.user_data);
  } else {
    return false;
  }
  return true;
}

bool RouteSpin(EditPresenter& p, const kit::ControlNotify& n, bool up) {
  const int i = n.user_data;
  if (Starts(n.name, "eq_freq_")) {
    p.SetEqFreqUp(i, up);
  } else if (Starts(n.name, "eq_q_")) {
    p.SetEqQUp(i, up);
  } else if (Starts(n.name, "eq_gain_")) {
    p.SetEqGainUp(i, up);
  } else if (Starts(n.name, "hp_freq")) {
    p.SetHpFreqUp(up);
  } else if (Starts(n.name, "lp_freq")) {
    p.SetLpFreqUp(up);
  } else if (n.name == "edit_main_volume") {
    p.SetMainVolumeUp(up);
  } else if (Starts(n.name, "edit_ch_volume_")) {
    p.SetChVolumeUp(i, up);
  } else if (Starts(n.name, "edit_ch_delay_")) {
    p.SetChDelayUp(i, up);
  } else {
    return false;
  }
  return true;
}

bool IsBandEdit(std::string_view name) {
  return Starts(name, "eq_freq_") || Starts(name, "eq_q_") || Starts(name, "eq_gain_");
}

// "return" in a band box commits it and moves on (frequency, Q, gain, then the next band's
// frequency); the box left behind then holds what it was shown, and its "killfocus" sends nothing.
void MoveFocusWithinBands(EqualizerManager& m, EditPresenter& p, kit::ControlSurface& surface,
                          const kit::ControlNotify& n) {
  const int bands = std::max(1, m.LiveProfile().channels[m.CurrentChannel()].eqSize);
  std::string next;
  if (Starts(n.name, "eq_freq_")) {
    next = "eq_q_" + std::to_string(n.user_data);
  } else if (Starts(n.name, "eq_q_")) {
    next = "eq_gain_" + std::to_string(n.user_data);
  } else {
    next = "eq_freq_" + std::to_string((n.user_data + 1) % bands);
  }
  p.SetChEqEdit(n.user_data);
  kit::Edit* edit = surface.FindEdit(next);
  if (edit != nullptr && edit->IsEnabled()) edit->SetFocus();
}

bool RouteCommit(EqualizerManager& m, EditPresenter& p, kit::ControlSurface& surface,
                 const kit::ControlNotify& n, bool is_return) {
  DebugPrint(is_return ? "on edit %s DUI_MSGTYPE_RETURN\n" : "on %s DUI_MSGTYPE_KILLFOCUS\n",
             n.name.c_str());
  const int i = n.user_data;
  if (n.name == "edit_main_volume") {
    p.SetMainVolumeEdit();
  } else if (Starts(n.name, "hp_freq")) {
    p.SetHpFreq();
  } else if (Starts(n.name, "lp_freq")) {
    p.SetLpFreq();
  } else if (Starts(n.name, "edit_ch_delay_")) {
    p.SetChDelayEdit(i);
  } else if (Starts(n.name, "edit_ch_volume_")) {
    p.SetChVolumeEdit(i);
  } else if (IsBandEdit(n.name)) {
    DebugPrint("on eq %s killfocus index ", n.name.c_str());
    DebugPrint(L"%d\n", i);
    if (is_return) {
      MoveFocusWithinBands(m, p, surface, n);
    } else {
      p.SetChEqEdit(i);
    }
  } else {
    return false;
  }
  return true;
}

// The arrow keys' ring through the edit boxes: bands' frequencies, Qs, gains (of the current
// output's bands), strip volumes, strip delays, the corners and the main volume. Disabled boxes
// (frequency and Q in graphic mode) are passed over.
bool MoveAlongTheRing(EqualizerManager& m, kit::ControlSurface& surface,
                      const kit::ControlNotify& n, bool forward) {
  DebugPrint(forward ? "on edit %s DUI_MSGTYPE_VALUECHANGED_RIGHT\n"
                     : "on edit %s DUI_MSGTYPE_VALUECHANGED_LEFT\n",
             n.name.c_str());
  const int bands = std::clamp(m.LiveProfile().channels[m.CurrentChannel()].eqSize, 0, 31);
  std::vector<std::string> ring;
  for (const char* stem : {"eq_freq_", "eq_q_", "eq_gain_"}) {
    for (int b = 0; b < bands; ++b) ring.push_back(stem + std::to_string(b));
  }
  for (const char* stem : {"edit_ch_volume_", "edit_ch_delay_"}) {
    for (int ch = 0; ch < 6; ++ch) ring.push_back(stem + std::to_string(ch));
  }
  ring.insert(ring.end(), {"hp_freq", "lp_freq", "edit_main_volume"});
  const auto at = std::find(ring.begin(), ring.end(), n.name);
  if (at == ring.end()) return false;
  const auto size = static_cast<std::ptrdiff_t>(ring.size());
  std::ptrdiff_t i = at - ring.begin();
  for (std::ptrdiff_t step = 1; step < size; ++step) {
    i = (i + (forward ? 1 : size - 1)) % size;
    kit::Edit* edit = surface.FindEdit(ring[static_cast<std::size_t>(i)]);
    if (edit != nullptr && edit->IsEnabled()) {
      edit->SetFocus();
      return true;
    }
  }
  return true;
}

bool RouteItemSelect(EditPresenter& p, kit::ControlSurface& surface,
                     const kit::ControlNotify& n) {
  DebugPrint("on %s DUI_MSGTYPE_ITEMSELECT\n", n.name.c_str());
  const auto log_choice = [&](const char* line) {
    const kit::Combo* combo = surface.FindCombo(n.name);
    DebugPrint(line, n.name.c_str());
    DebugPrint(L"%d\n", combo != nullptr ? combo->CurSel() : -1);
  };
  if (Starts(n.name, "comb_ch_unit")) {
    p.SetDelayUnit();
  } else if (Starts(n.name, "hp_type")) {
    log_choice("on eq hp_type %s valuechanged index ");
    p.SetHpType();
  } else if (Starts(n.name, "lp_type")) {
    log_choice("on eq lp_type %s valuechanged index ");
    p.SetLpType();
  } else if (Starts(n.name, "hp_slop")) {
    log_choice("on eq hp_slop %s valuechanged index ");
    p.SetHpSlope();
  } else if (Starts(n.name, "lp_slop")) {
    log_choice("on eq lp_slop %s valuechanged index ");
    p.SetLpSlope();
  } else if (n.name == "btn_input_source") {
    p.SetInputSource();
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool RouteEditNotification(EqualizerManager& m, EditPresenter& p, kit::ControlSurface& surface,
                           const kit::ControlNotify& n) {
  if (Is(n, msg::kClick)) return RouteClick(m, p, n);
  if (Is(n, msg::kSelectChanged)) return RouteSelectChanged(p, n);
  if (Is(n, msg::kValueChanged) || Is(n, msg::kMoveValueChanged)) return RouteSlider(p, surface, n);
  if (Is(n, msg::kValueChangedUp)) return RouteSpin(p, n, true);
  if (Is(n, msg::kValueChangedDown)) return RouteSpin(p, n, false);
  if (Is(n, msg::kReturn)) return RouteCommit(m, p, surface, n, true);
  if (Is(n, msg::kKillFocus)) return RouteCommit(m, p, surface, n, false);
  if (Is(n, msg::kSetFocus)) {
    DebugPrint("on %s DUI_MSGTYPE_SETFOCUS\n", n.name.c_str());
    if (!IsBandEdit(n.name)) return false;
    DebugPrint("on eq %s setfocus index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    m.UpdateEqualizer(n.user_data);
    return true;
  }
  if (Is(n, msg::kItemSelect)) return RouteItemSelect(p, surface, n);
  if (Is(n, msg::kValueChangedRight)) return MoveAlongTheRing(m, surface, n, true);
  if (Is(n, msg::kValueChangedLeft)) return MoveAlongTheRing(m, surface, n, false);
  return false;
}

}  // namespace tolva::ui
