#pragma once

#include <string_view>

#include "model/profile.h"

// The 25 speaker roles an output can take: their default crossovers and left/right partners.
namespace tolva::model {

inline constexpr int kNoPartner = -1;

struct SpeakerRole {
  std::string_view menu_item;  // control name of the output menu
  int hp_fs, hp_slope;
  int lp_fs, lp_slope;
  int type;     // the same family for both filters
  int partner;  // role of the paired output, kNoPartner when none
};

// Role 0 for any code outside 0 … 24.
const SpeakerRole& RoleInfo(int role);
Crossover DefaultCrossoverOfRole(int role);
int PartnerRole(int role);

}  // namespace tolva::model
