#include "ui/edit_routing.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/debug_print.h"
#include "model/equalizer_manager.h"
#include "ui/kit/controls.h"
#include "ui/kit/message_types.h"

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

bool RouteClick(EqualizerManager& m, const kit::ControlNotify& n) {
  if (n.name == "btnConnect") {
    m.Connect(true);
  } else if (n.name == "btn_reset_eq") {
    m.SetOutputEqRest();
  } else if (n.name == "btn_bypass") {
    m.SetOutputBypass();
  } else if (n.name == "btn_reset_output") {
    m.SetOutputReset();
  } else if (Starts(n.name, "ch_enable_")) {
    m.SetCurChannelChange(n.user_data);
  } else if (Starts(n.name, "speaker_")) {
    m.SetSpeakerFocus(n.user_data);
  } else if (Starts(n.name, "pt_enable_")) {
    m.OnEqEnable(n.user_data);
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

bool RouteSelectChanged(EqualizerManager& m, const kit::ControlNotify& n) {
  DebugPrint("on option %s DUI_MSGTYPE_SELECTCHANGED index ", n.name.c_str());
  DebugPrint(L"%d\n", n.user_data);
  if (Starts(n.name, "ch_show_")) {
    m.SetChShow(n.user_data);
  } else if (Starts(n.name, "ch_mute_")) {
    m.SetChMute(n.user_data);
  } else if (Starts(n.name, "ch_phase_")) {
    m.SetChPhase(n.user_data);
  } else if (Starts(n.name, "main_mute")) {
    m.SetMainMute();
  } else if (Starts(n.name, "option_ch_in") && n.name.size() > 13 && n.name[13] == '_' &&
             n.name[12] >= '1' && n.name[12] <= '6') {
    m.SetChInput(n.user_data, n.name[12] - '0');
  } else {
    return false;
  }
  return true;
}

bool RouteSlider(EqualizerManager& m, kit::ControlSurface& surface, const kit::ControlNotify& n) {
  if (Starts(n.name, "eq_slider_")) {
    const kit::Slider* slider = surface.FindSlider(n.name);
    DebugPrint("on eq silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d value %d\n", n.user_data, slider != nullptr ? slider->Value() : 0);
    m.SetEqSlider(n.user_data);
  } else if (Starts(n.name, "slider_main_volume")) {
    m.SetMainVolume();
  } else if (Starts(n.name, "slider_ch_volume_")) {
    DebugPrint("on volume silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    m.SetChVolume(n.user_data);
  } else if (Starts(n.name, "slider_ch_delay_")) {
    DebugPrint("on delay silder %s valuechanged index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    m.SetChDelay(n.user_data);
  } else {
    return false;
  }
  return true;
}

bool RouteSpin(EqualizerManager& m, const kit::ControlNotify& n, bool up) {
  const int i = n.user_data;
  if (Starts(n.name, "eq_freq_")) {
    m.SetEqFreqUp(i, up);
  } else if (Starts(n.name, "eq_q_")) {
    m.SetEqQUp(i, up);
  } else if (Starts(n.name, "eq_gain_")) {
    m.SetEqGainUp(i, up);
  } else if (Starts(n.name, "hp_freq")) {
    m.SetHpFreqUp(up);
  } else if (Starts(n.name, "lp_freq")) {
    m.SetLpFreqUp(up);
  } else if (n.name == "edit_main_volume") {
    m.SetMainVolumeUp(up);
  } else if (Starts(n.name, "edit_ch_volume_")) {
    m.SetChVolumeUp(i, up);
  } else if (Starts(n.name, "edit_ch_delay_")) {
    m.SetChDelayUp(i, up);
  } else {
    return false;
  }
  return true;
}

bool IsBandEdit(std::string_view name) {
  return Starts(name, "eq_freq_") || Starts(name, "eq_q_") || Starts(name, "eq_gain_");
}

// "return" in a band box moves on (frequency, Q, gain, then the next band's frequency); the box
// left behind commits through its "killfocus".
void MoveFocusWithinBands(EqualizerManager& m, kit::ControlSurface& surface,
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
  kit::Edit* edit = surface.FindEdit(next);
  if (edit != nullptr && edit->IsEnabled()) {
    edit->SetFocus();
  } else {
    m.SetChEqEdit(n.user_data);  // nowhere to go (graphic mode): commit in place
  }
}

bool RouteCommit(EqualizerManager& m, kit::ControlSurface& surface, const kit::ControlNotify& n,
                 bool is_return) {
  DebugPrint(is_return ? "on edit %s DUI_MSGTYPE_RETURN\n" : "on %s DUI_MSGTYPE_KILLFOCUS\n",
             n.name.c_str());
  const int i = n.user_data;
  if (n.name == "edit_main_volume") {
    m.SetMainVolumeEdit();
  } else if (Starts(n.name, "hp_freq")) {
    m.SetHpFreq();
  } else if (Starts(n.name, "lp_freq")) {
    m.SetLpFreq();
  } else if (Starts(n.name, "edit_ch_delay_")) {
    m.SetChDelayEdit(i);
  } else if (Starts(n.name, "edit_ch_volume_")) {
    m.SetChVolumeEdit(i);
  } else if (IsBandEdit(n.name)) {
    DebugPrint("on eq %s killfocus index ", n.name.c_str());
    DebugPrint(L"%d\n", i);
    if (is_return) {
      MoveFocusWithinBands(m, surface, n);
    } else {
      m.SetChEqEdit(i);
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

bool RouteItemSelect(EqualizerManager& m, kit::ControlSurface& surface,
                     const kit::ControlNotify& n) {
  DebugPrint("on %s DUI_MSGTYPE_ITEMSELECT\n", n.name.c_str());
  const auto log_choice = [&](const char* line) {
    const kit::Combo* combo = surface.FindCombo(n.name);
    DebugPrint(line, n.name.c_str());
    DebugPrint(L"%d\n", combo != nullptr ? combo->CurSel() : -1);
  };
  if (Starts(n.name, "comb_ch_unit")) {
    m.SetDelayUnit();
  } else if (Starts(n.name, "hp_type")) {
    log_choice("on eq hp_type %s valuechanged index ");
    m.SetHpType();
  } else if (Starts(n.name, "lp_type")) {
    log_choice("on eq lp_type %s valuechanged index ");
    m.SetLpType();
  } else if (Starts(n.name, "hp_slop")) {
    log_choice("on eq hp_slop %s valuechanged index ");
    m.SetHpSlope();
  } else if (Starts(n.name, "lp_slop")) {
    log_choice("on eq lp_slop %s valuechanged index ");
    m.SetLpSlope();
  } else if (n.name == "btn_input_source") {
    m.SetInputSource();
  } else {
    return false;
  }
  return true;
}

// A band notification names its band; the corner handles belong to no band and carry -1, and
// must still reach the manager.
bool RouteGraph(EqualizerManager& m, const kit::ControlNotify& n, int kind) {
  if (kind == 0 && n.user_data < 0) return true;
  DebugPrint(L"on DUI_MSGTYPE_EQUALIZERCHANGED index %d\n", n.user_data);
  m.EqualizerCallback(n.user_data, kind);
  return true;
}

}  // namespace

bool RouteEditNotification(EqualizerManager& m, kit::ControlSurface& surface,
                           const kit::ControlNotify& n) {
  if (Is(n, msg::kClick)) return RouteClick(m, n);
  if (Is(n, msg::kSelectChanged)) return RouteSelectChanged(m, n);
  if (Is(n, msg::kValueChanged) || Is(n, msg::kMoveValueChanged)) return RouteSlider(m, surface, n);
  if (Is(n, msg::kValueChangedUp)) return RouteSpin(m, n, true);
  if (Is(n, msg::kValueChangedDown)) return RouteSpin(m, n, false);
  if (Is(n, msg::kReturn)) return RouteCommit(m, surface, n, true);
  if (Is(n, msg::kKillFocus)) return RouteCommit(m, surface, n, false);
  if (Is(n, msg::kSetFocus)) {
    DebugPrint("on %s DUI_MSGTYPE_SETFOCUS\n", n.name.c_str());
    if (!IsBandEdit(n.name)) return false;
    DebugPrint("on eq %s setfocus index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    m.UpdateEqualizer(n.user_data);
    return true;
  }
  if (Is(n, msg::kItemSelect)) return RouteItemSelect(m, surface, n);
  if (Is(n, msg::kValueChangedRight)) return MoveAlongTheRing(m, surface, n, true);
  if (Is(n, msg::kValueChangedLeft)) return MoveAlongTheRing(m, surface, n, false);
  if (Is(n, msg::kEqualizerEq)) return RouteGraph(m, n, 0);
  if (Is(n, msg::kEqualizerHp)) return RouteGraph(m, n, 1);
  if (Is(n, msg::kEqualizerLp)) return RouteGraph(m, n, 2);
  return false;
}

}  // namespace tolva::ui
