#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "base/language_tables.h"
#include "cli/commands.h"
#include "model/files/profile_json.h"

namespace tolva::cli {
namespace {

// Used when no English language table is loaded into the process.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kFallback{{
    {"${profile_open_error}", "The profile file could not be opened."},
    {"${profile_create_error}", "The profile file could not be created."},
    {"${profile_load_error}", "The profile file is damaged or incomplete; nothing was loaded."},
    {"${software_not_match}", "The profile file belongs to another model of unit."},
    {"${value_held}", "%s is beyond what the unit takes: it holds %s."},
}};

}  // namespace

std::string EnglishText(std::string_view placeholder) {
  std::string text = Languages().ResolveIn(LanguageTables::kEnglish, placeholder);
  if (text != placeholder) return text;
  for (const auto& [key, english] : kFallback) {
    if (key == placeholder) return std::string(english);
  }
  return text;
}


int ProfileRefused(const std::string& path, model::ProfileReadResult result) {
  std::string why = EnglishText(model::MessageOf(result));
  // A file that is there but holds no JSON is damaged, not missing.
  std::error_code ec;
  if (result == model::ProfileReadResult::kOpenError && std::filesystem::is_regular_file(path, ec)) {
    why = std::filesystem::file_size(path, ec) == 0
              ? std::string("The file is empty.")
              : EnglishText(model::MessageOf(model::ProfileReadResult::kLoadError));
  }
  std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
  return kExitFailed;
}

int NotSaved(const std::string& path) {
  std::fprintf(stderr, "%s: %s\n", path.c_str(), EnglishText(model::kProfileCreateError).c_str());
  return kExitFailed;
}

}  // namespace tolva::cli
