#include "model/profile/speaker_roles.h"

#include <array>

namespace tolva::model {
namespace {

constexpr std::array<SpeakerRole, kSpeakerRoles> kRoles{{
    {"output_item_empty", 20, 0, 20000, 0, 3, kNoPartner, 0},
    {"output_menu_front_left_high_freq", 3400, 2, 20000, 0, 3, 7, 4},
    {"output_menu_front_left_mid_freq", 600, 2, 1900, 2, 3, 8, 2},
    {"output_menu_front_left_low_freq", 70, 3, 320, 2, 3, 9, 1},
    {"output_menu_front_left_mid_high_freq", 600, 2, 20000, 0, 3, 10, 6},
    {"output_menu_front_left_mid_low_freq", 70, 2, 1900, 2, 3, 11, 3},
    {"output_menu_front_left_all_freq", 20, 0, 20000, 0, 3, 12, 7},
    {"output_menu_front_right_high_freq", 3400, 2, 20000, 0, 3, 1, 4},
    {"output_menu_front_right_mid_freq", 600, 2, 1900, 2, 3, 2, 2},
    {"output_menu_front_right_low_freq", 70, 3, 320, 2, 3, 3, 1},
    {"output_menu_front_right_mid_high_freq", 600, 2, 20000, 0, 3, 4, 6},
    {"output_menu_front_right_mid_low_freq", 70, 2, 1900, 2, 3, 5, 3},
    {"output_menu_front_right_all_freq", 20, 0, 20000, 0, 3, 6, 7},
    {"output_menu_rear_left_high_freq", 3400, 2, 20000, 0, 3, 16, 4},
    {"output_menu_rear_left_low_freq", 70, 3, 320, 2, 3, 17, 1},
    {"output_menu_rear_left_all_freq", 20, 0, 20000, 0, 3, 18, 7},
    {"output_menu_rear_right_high_freq", 3400, 2, 20000, 0, 3, 13, 4},
    {"output_menu_rear_right_low_freq", 70, 3, 320, 2, 3, 14, 1},
    {"output_menu_rear_right_all_freq", 20, 0, 20000, 0, 3, 15, 7},
    {"output_menu_center_high_freq", 3400, 2, 20000, 0, 3, kNoPartner, 4},
    {"output_menu_center_low_freq", 70, 3, 320, 2, 3, kNoPartner, 1},
    {"output_menu_center_all_freq", 20, 0, 20000, 0, 3, kNoPartner, 7},
    {"output_menu_subwoof_left", 30, 4, 50, 2, 1, 23, 4},
    {"output_menu_subwoof_right", 30, 4, 50, 2, 1, 22, 2},
    {"output_menu_subwoof_low", 30, 4, 50, 2, 1, kNoPartner, 7},
}};

}  // namespace

const SpeakerRole& RoleInfo(int role) {
  return role >= 0 && role < kSpeakerRoles ? kRoles[role] : kRoles[0];
}

Crossover DefaultCrossoverOfRole(int role) {
  const SpeakerRole& r = RoleInfo(role);
  return MakeCrossover(FilterSettings::Make(r.hp_fs, r.type, r.hp_slope),
                       FilterSettings::Make(r.lp_fs, r.type, r.lp_slope));
}

int PartnerRole(int role) {
  return RoleInfo(role).partner;
}

int RoleOfMenuItem(std::string_view item) {
  for (int role = 0; role < kSpeakerRoles; ++role) {
    if (kRoles[role].menu_item == item) return role;
  }
  return -1;
}

int SpeakerGroup(int role) {
  if (role <= 6) return 0;  // 0 counts as front left
  if (role <= 12) return 1;
  if (role <= 15) return 2;
  if (role <= 18) return 3;
  if (role <= 21) return 4;
  return 5;
}

}  // namespace tolva::model
