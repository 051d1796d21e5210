#include "model/profile/speaker_roles.h"

#include <array>

namespace tolva::model {
namespace {

constexpr std::array<SpeakerRole, kSpeakerRoles> kRoles{{
    {20, 0, 20000, 0, 3, kNoPartner, 0},    // 0 empty
    {3400, 2, 20000, 0, 3, 7, 4},           // 1 front left high
    {600, 2, 1900, 2, 3, 8, 2},             // 2 front left mid
    {70, 3, 320, 2, 3, 9, 1},               // 3 front left low
    {600, 2, 20000, 0, 3, 10, 6},           // 4 front left mid high
    {70, 2, 1900, 2, 3, 11, 3},             // 5 front left mid low
    {20, 0, 20000, 0, 3, 12, 7},            // 6 front left all
    {3400, 2, 20000, 0, 3, 1, 4},           // 7 front right high
    {600, 2, 1900, 2, 3, 2, 2},             // 8 front right mid
    {70, 3, 320, 2, 3, 3, 1},               // 9 front right low
    {600, 2, 20000, 0, 3, 4, 6},            // 10 front right mid high
    {70, 2, 1900, 2, 3, 5, 3},              // 11 front right mid low
    {20, 0, 20000, 0, 3, 6, 7},             // 12 front right all
    {3400, 2, 20000, 0, 3, 16, 4},          // 13 rear left high
    {70, 3, 320, 2, 3, 17, 1},              // 14 rear left low
    {20, 0, 20000, 0, 3, 18, 7},            // 15 rear left all
    {3400, 2, 20000, 0, 3, 13, 4},          // 16 rear right high
    {70, 3, 320, 2, 3, 14, 1},              // 17 rear right low
    {20, 0, 20000, 0, 3, 15, 7},            // 18 rear right all
    {3400, 2, 20000, 0, 3, kNoPartner, 4},  // 19 center high
    {70, 3, 320, 2, 3, kNoPartner, 1},      // 20 center low
    {20, 0, 20000, 0, 3, kNoPartner, 7},    // 21 center all
    {30, 4, 50, 2, 1, 23, 4},               // 22 subwoof left
    {30, 4, 50, 2, 1, 22, 2},               // 23 subwoof right
    {30, 4, 50, 2, 1, kNoPartner, 7},       // 24 subwoof low
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

int SpeakerGroup(int role) {
  if (role <= 6) return 0;  // 0 counts as front left
  if (role <= 12) return 1;
  if (role <= 15) return 2;
  if (role <= 18) return 3;
  if (role <= 21) return 4;
  return 5;
}

}  // namespace tolva::model
