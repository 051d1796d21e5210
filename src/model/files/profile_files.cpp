#include "model/files/profile_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include <cjson/cJSON.h>

#include "base/language_tables.h"
#include "model/profile/scene_names.h"

namespace tolva::model {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadFileText(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file.get());
  if (size < 0 || static_cast<unsigned long>(size) > kMaxProfileFileBytes) return std::nullopt;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (size > 0 && std::fread(text.data(), 1, text.size(), file.get()) != text.size()) {
    return std::nullopt;
  }
  return text;
}

bool WriteFileAtomically(const std::string& path, std::string_view text) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    const fs::path resolved = fs::weakly_canonical(target, ec);
    if (ec) return false;
    target = resolved;
  }
  if (target.filename().empty()) return false;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  // Keep the permissions of the file being replaced; a new file gets the usual 0644.
  struct stat existing {};
  const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

ProfileReadResult ReadSceneProfile(const std::string& path, Profile& target) {
  const std::optional<std::string> text = ReadFileText(path);
  if (!text) return ProfileReadResult::kOpenError;
  return ParseSceneProfile(*text, target);
}

ProfileReadResult ReadWholeProfile(const std::string& path, UnitSettings& target) {
  const std::optional<std::string> text = ReadFileText(path);
  if (!text) return ProfileReadResult::kOpenError;
  return ParseWholeProfile(*text, target);
}

std::string ProfileRefusalText(const std::string& path, ProfileReadResult result, bool whole) {
  const std::string name = std::filesystem::path(path).filename().string();
  const char* what = "${profile_cannot_open}";
  if (result == ProfileReadResult::kModelMismatch) {
    what = "${profile_other_model}";
  } else if (const std::optional<std::string> text = ReadFileText(path); !text) {
    what = "${profile_cannot_open}";
  } else if (text->find_first_not_of(" \t\r\n") == std::string::npos) {
    what = "${profile_empty}";
  } else if (std::unique_ptr<cJSON, decltype(&cJSON_Delete)> json(
                 cJSON_ParseWithLength(text->data(), text->size()), cJSON_Delete);
             json == nullptr) {
    what = "${profile_cut_short}";  // a file that breaks off, or no profile at all
  } else {
    // A file of the other kind (a scene profile renamed .wpf) is not damaged: say which it is.
    auto unit = std::make_unique<UnitSettings>();
    Profile scene;
    if (whole && ParseSceneProfile(*text, scene) == ProfileReadResult::kOk) {
      what = "${profile_scene_not_whole}";
    } else if (!whole && ParseWholeProfile(*text, *unit) == ProfileReadResult::kOk) {
      what = "${profile_whole_not_scene}";
    } else {
      what = "${profile_incomplete}";
    }
  }
  return FillPlaceholders(Languages().Resolve(what), {name});
}

bool WriteSceneProfile(const Profile& live, const std::string& path) {
  const std::string text = SceneProfileText(live);
  return !text.empty() && WriteFileAtomically(path, text);
}

bool WriteWholeProfile(const UnitSettings& unit, const std::string& path) {
  const std::string text = WholeProfileText(unit);
  return !text.empty() && WriteFileAtomically(path, text);
}

}  // namespace tolva::model
