#pragma once

#include "model/profile/profile.h"

// The 25 speaker roles an output can take: their default crossovers and left/right partners.
namespace tolva::model {

inline constexpr int kNoPartner = -1;
// The subwoofer pair, which shares one volume.
inline constexpr int kLeftSubwooferRole = 22;
inline constexpr int kRightSubwooferRole = 23;

struct SpeakerRole {
  int hp_fs, hp_slope;
  int lp_fs, lp_slope;
  int type;       // the same family for both filters
  int partner;    // role of the paired output, kNoPartner when none
  int band_mask;  // 1 low, 2 mid, 4 high: roles of one group may not share a band
};

// Role 0 for any code outside 0 … 24.
const SpeakerRole& RoleInfo(int role);
Crossover DefaultCrossoverOfRole(int role);
int PartnerRole(int role);
// 0 front left (and role 0), 1 front right, 2 rear left, 3 rear right, 4 centre, 5 subwoofer.
int SpeakerGroup(int role);

}  // namespace tolva::model
