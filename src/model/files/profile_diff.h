#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/profile/profile.h"

// Settings by the key paths of the profile files ("mainVolume", "channels/2/eqArray/4/eqGain"):
// one value looked up, or every field in which two sets of settings differ. Values are JSON
// text, as the files hold them.
namespace tolva::model {

struct ProfileDifference {
  std::string key;
  std::string a, b;  // "null" where one side has no such field
};

// The field or subtree at key ("" the whole profile), compact JSON; nullopt for no such key.
std::optional<std::string> ProfileValueAt(const Profile& profile, std::string_view key);

// Differences in the scene-profile fields, in file order.
std::vector<ProfileDifference> DiffProfiles(const Profile& a, const Profile& b);
// Differences in the whole-unit fields (live settings, ten scenes, their names).
std::vector<ProfileDifference> DiffUnits(const UnitSettings& a, const UnitSettings& b);

}  // namespace tolva::model
