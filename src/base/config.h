#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolva {

// config.ini: a Windows profile (INI) file in the working directory. Section and key names
// match in any case; reading never fails (a missing or garbled file reads as absent); writing
// changes one value and keeps every other line of the file as it was.
class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // The integer the value starts with; `fallback` when the key is absent or holds no number.
  int IntValue(std::string_view section, std::string_view key, int fallback) const;
  // Replaces the value in place, adds the key to its section, or appends the section. The file
  // is replaced atomically, so a failed write leaves the old one. False when it cannot be written.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline constexpr const char* kConfigFileName = "config.ini";

// "config.ini" in the current working directory, where the program keeps it.
std::string ConfigIniPath();

// The interface language: true for Chinese (key "lan" non-zero or absent), false for English.
bool ReadChineseSetting(const std::string& config_path);
// Stores the language as "1" (Chinese) or "0" (English).
bool WriteChineseSetting(const std::string& config_path, bool chinese);

}  // namespace tolva
