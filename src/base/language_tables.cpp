#include "base/language_tables.h"

// Minimal until the language loader lands: lookups and selection work, loading does not.
namespace tolva {

bool LanguageTables::LoadFile(const std::string&, const std::string&) { return false; }
bool LanguageTables::LoadXml(std::string_view, const std::string&) { return false; }
bool LanguageTables::Select(std::string_view) { return false; }
std::string LanguageTables::CurrentName() const { return {}; }
std::string LanguageTables::Resolve(std::string_view text) const { return std::string(text); }
std::string LanguageTables::ResolveIn(std::string_view, std::string_view text) const {
  return std::string(text);
}
void LanguageTables::Clear() {}

LanguageTables& Languages() {
  static LanguageTables tables;
  return tables;
}

}  // namespace tolva
