#include <array>
#include <string>
#include <utility>

#include "base/language_tables.h"
#include "cli/commands.h"

namespace tolva::cli {
namespace {

// Used when no English language table is loaded into the process.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kFallback{{
    {"${profile_open_error}", "The profile file could not be opened."},
    {"${profile_load_error}", "The profile file is damaged or incomplete; nothing was loaded."},
    {"${software_not_match}", "The profile file belongs to another model of unit."},
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

}  // namespace tolva::cli
