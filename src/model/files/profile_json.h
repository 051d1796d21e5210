#pragma once

#include <string>
#include <string_view>

#include "model/profile/profile.h"

// The two profile-file formats as text: the scene profile (".spf", the live settings) and the
// whole-unit profile (".wpf", live settings, ten scenes and their names). Written exactly as
// the unit's files have always been (cJSON's unformatted printer, fixed key order); read with
// keys in any case and any order.
namespace tolva::model {

enum class ProfileReadResult {
  kOk,
  kOpenError,      // no text, or (scene profile) not JSON
  kLoadError,      // a key missing, of the wrong type or count; (whole unit) not JSON
  kModelMismatch,  // "model" is a number other than 19
};

// The placeholder text the user is shown for a result; empty for kOk.
std::string_view MessageOf(ProfileReadResult result);

inline constexpr std::string_view kProfileSaveOk = "${profile_save_ok}";
inline constexpr std::string_view kProfileBeyondLimits = "${profile_beyond_limits}";
inline constexpr std::string_view kProfileCreateError = "${profile_create_error}";
inline constexpr std::string_view kModelName = "tolva dsp";

// Both parsers read into a scratch copy of target and assign it only when the whole text was
// accepted: a rejected file changes nothing. Fields the file does not carry keep their values.
ProfileReadResult ParseSceneProfile(std::string_view text, Profile& target);
ProfileReadResult ParseWholeProfile(std::string_view text, UnitSettings& target);

std::string SceneProfileText(const Profile& live);
std::string WholeProfileText(const UnitSettings& unit);

}  // namespace tolva::model
