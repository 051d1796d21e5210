#include "ui/screen/control_names.h"

#include <array>
#include <cstdio>

#include "model/profile/input_sources.h"
#include "model/profile/profile.h"

namespace tolva::ui {
namespace {

// By role code.
constexpr std::array<std::string_view, model::kSpeakerRoles> kRoleMenuItems{
    "output_item_empty",
    "output_menu_front_left_high_freq",
    "output_menu_front_left_mid_freq",
    "output_menu_front_left_low_freq",
    "output_menu_front_left_mid_high_freq",
    "output_menu_front_left_mid_low_freq",
    "output_menu_front_left_all_freq",
    "output_menu_front_right_high_freq",
    "output_menu_front_right_mid_freq",
    "output_menu_front_right_low_freq",
    "output_menu_front_right_mid_high_freq",
    "output_menu_front_right_mid_low_freq",
    "output_menu_front_right_all_freq",
    "output_menu_rear_left_high_freq",
    "output_menu_rear_left_low_freq",
    "output_menu_rear_left_all_freq",
    "output_menu_rear_right_high_freq",
    "output_menu_rear_right_low_freq",
    "output_menu_rear_right_all_freq",
    "output_menu_center_high_freq",
    "output_menu_center_low_freq",
    "output_menu_center_all_freq",
    "output_menu_subwoof_left",
    "output_menu_subwoof_right",
    "output_menu_subwoof_low",
};

}  // namespace

std::string_view RoleMenuItem(int role) {
  return role >= 0 && role < model::kSpeakerRoles ? kRoleMenuItems[role] : std::string_view();
}

int RoleOfMenuItem(std::string_view item) {
  for (int role = 0; role < model::kSpeakerRoles; ++role) {
    if (kRoleMenuItems[role] == item) return role;
  }
  return -1;
}

std::string SourceComboItem(int source) {
  return "source_" + std::string(model::SourceInfo(source).name);
}

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
