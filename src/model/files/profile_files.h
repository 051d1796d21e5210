#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/files/profile_json.h"

// Profile files on disk. Readers change the model only when the whole file was accepted;
// writers replace the target in one rename, so a failed or interrupted save never truncates
// the profile already there.
namespace tolva::model {

// Files larger than this are not profiles (a whole-unit file is a few hundred kilobytes).
inline constexpr std::size_t kMaxProfileFileBytes = 16u << 20;

// The whole file, or nothing when it cannot be opened, sized or read, or is too large.
std::optional<std::string> ReadFileText(const std::string& path);
// Writes text to a temporary file in the target's folder, flushes it and renames it over the
// target (the file a symbolic link names, when the target is one). False on any failure, with
// the target untouched.
bool WriteFileAtomically(const std::string& path, std::string_view text);

ProfileReadResult ReadSceneProfile(const std::string& path, Profile& target);
ProfileReadResult ReadWholeProfile(const std::string& path, UnitSettings& target);
// What the user is told when a file was refused with `result` (not kOk), resolved in the
// current language: what is wrong with it, naming it. `whole` is true for a whole-unit load.
std::string ProfileRefusalText(const std::string& path, ProfileReadResult result, bool whole);
// True when the file was written; the caller shows kProfileSaveOk or kProfileCreateError.
bool WriteSceneProfile(const Profile& live, const std::string& path);
bool WriteWholeProfile(const UnitSettings& unit, const std::string& path);

}  // namespace tolva::model
