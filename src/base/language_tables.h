#pragma once

#include <map>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tolva {

// The language tables: placeholder ("${tips}") -> display text, UTF-8. At most two tables are
// loaded; exactly one is current. Thread-safe: worker threads and the CLI resolve texts too.
class LanguageTables {
 public:
  static constexpr const char* kChinese = "cn_zh";
  static constexpr const char* kEnglish = "en";

  // Loads a language file (XML: root's children named Text, any case, with "id" and "value").
  // False when the file is missing or not XML, or when two tables are loaded already.
  bool LoadFile(const std::string& path, const std::string& name);
  bool LoadXml(std::string_view xml, const std::string& name);
  // Makes the table of that name current (any case); an unlisted name changes nothing.
  bool Select(std::string_view name);
  std::string CurrentName() const;
  // Resolves a text as shown on screen: texts beginning with "${" are looked up; a missing key
  // stays as written; every "{\n}" becomes a line break.
  std::string Resolve(std::string_view text) const;
  // Looks a key up in a named table without changing the current one (the CLI's English texts).
  std::string ResolveIn(std::string_view table_name, std::string_view text) const;
  void Clear();

 private:
  struct Table {
    std::string name;
    std::map<std::string, std::string, std::less<>> texts;
  };
  const Table* FindLocked(std::string_view name) const;
  static std::string ResolveWith(const Table* table, std::string_view text);

  mutable std::shared_mutex mutex_;  // guards tables_ and current_
  std::vector<Table> tables_;
  int current_ = -1;
};

// The process's tables, used by every window and by the CLI.
LanguageTables& Languages();

}  // namespace tolva
