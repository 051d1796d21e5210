#pragma once

#include <QString>

#include <map>
#include <string>

#include "ui/kit/api/text.h"

// Puts one of the window layer's own language tables (resources/lan/ui_keys_*.xml) in place as
// the text resolver for the life of the object.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* language);  // "en" or "cn"
  ~ScopedLanguage();
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

  // Switches the table in place (as a language switch does).
  void Switch(const char* language);
  std::size_t size() const { return table_->size(); }

 private:
  std::shared_ptr<std::map<std::string, std::string>> table_;
  tolva::kit::TextResolver previous_;
};

std::map<std::string, std::string> LoadUiKeys(const char* language);

// The program's language file as the current table of Languages(), which the model's texts and
// the window both resolve through, for the life of the object ("en" or "cn").
class LanguageFile {
 public:
  explicit LanguageFile(const char* language);
  ~LanguageFile();
  LanguageFile(const LanguageFile&) = delete;
  LanguageFile& operator=(const LanguageFile&) = delete;

 private:
  tolva::kit::TextResolver previous_;
};
