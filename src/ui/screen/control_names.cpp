#include "ui/screen/control_names.h"

#include <cstdio>

namespace tolva::ui {


std::string ControlName(const char* pattern, int index) {
  char name[48];
  std::snprintf(name, sizeof name, pattern, index);
  return name;
}

std::string LayoutName(const ControlId& id) {
  switch (id.control) {
    case Control::kConnect:
      return "btnConnect";
    case Control::kMainVolumeSlider:
      return "slider_main_volume";
    case Control::kMainVolumeEdit:
      return "edit_main_volume";
    case Control::kMainMute:
      return "main_mute";
    case Control::kInputSource:
      return "btn_input_source";
    case Control::kDelayUnit:
      return "comb_ch_unit";
    case Control::kBypass:
      return "btn_bypass";
    case Control::kEqMode:
      return "btn_arg_eq";
    case Control::kLink:
      return "btn_link_output";
    case Control::kLock:
      return "btn_lock_output";
    case Control::kHpFreq:
      return "hp_freq";
    case Control::kLpFreq:
      return "lp_freq";
    case Control::kHpType:
      return "hp_type";
    case Control::kLpType:
      return "lp_type";
    case Control::kHpSlope:
      return "hp_slop";
    case Control::kLpSlope:
      return "lp_slop";
    case Control::kBandFreq:
      return ControlName("eq_freq_%d", id.index);
    case Control::kBandQ:
      return ControlName("eq_q_%d", id.index);
    case Control::kBandGain:
      return ControlName("eq_gain_%d", id.index);
    case Control::kBandSlider:
      return ControlName("eq_slider_%d", id.index);
    case Control::kBandEnable:
      return ControlName("pt_enable_%d", id.index);
    case Control::kOutputSelect:
      return ControlName("ch_enable_%d", id.index);
    case Control::kOutputShown:
      return ControlName("ch_show_%d", id.index);
    case Control::kOutputRole:
      return ControlName("ch_output_btn_%d", id.index);
    case Control::kOutputVolumeSlider:
      return ControlName("slider_ch_volume_%d", id.index);
    case Control::kOutputVolumeEdit:
      return ControlName("edit_ch_volume_%d", id.index);
    case Control::kOutputMute:
      return ControlName("ch_mute_%d", id.index);
    case Control::kOutputPhase:
      return ControlName("ch_phase_%d", id.index);
    case Control::kOutputDelaySlider:
      return ControlName("slider_ch_delay_%d", id.index);
    case Control::kOutputDelayEdit:
      return ControlName("edit_ch_delay_%d", id.index);
    case Control::kOutputInput:
      return "option_ch_in" + std::to_string(id.input) + "_" + std::to_string(id.index);
    case Control::kSpeaker:
      return ControlName("speaker_%d", id.index);
  }
  return {};
}

}  // namespace tolva::ui
