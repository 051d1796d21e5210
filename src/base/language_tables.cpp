#include "base/language_tables.h"

#include <QByteArray>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>

namespace tolva {
namespace {

constexpr std::size_t kMaxTables = 2;
constexpr std::string_view kPlaceholderStart = "${";
constexpr std::string_view kLineBreakMark = "{\\n}";

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string ReplaceLineBreakMarks(std::string text) {
  for (std::size_t at = text.find(kLineBreakMark); at != std::string::npos;
       at = text.find(kLineBreakMark, at + 1)) {
    text.replace(at, kLineBreakMark.size(), "\n");
  }
  return text;
}

// Reads the entries of one language file; nullopt when it is not well-formed XML, so a broken
// file loads nothing rather than half a table.
std::optional<std::map<std::string, std::string, std::less<>>> ParseTexts(const QByteArray& xml) {
  std::map<std::string, std::string, std::less<>> texts;
  QXmlStreamReader reader(xml);
  int depth = 0;
  bool saw_root = false;
  while (!reader.atEnd()) {
    const auto token = reader.readNext();
    if (token == QXmlStreamReader::StartElement) {
      ++depth;
      saw_root = true;
      if (depth != 2 || reader.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) != 0) {
        continue;
      }
      const auto attributes = reader.attributes();
      if (!attributes.hasAttribute(QLatin1String("id")) ||
          !attributes.hasAttribute(QLatin1String("value"))) {
        continue;
      }
      texts.insert_or_assign(attributes.value(QLatin1String("id")).toString().toStdString(),
                             attributes.value(QLatin1String("value")).toString().toStdString());
    } else if (token == QXmlStreamReader::EndElement) {
      --depth;
    }
  }
  if (reader.hasError() || !saw_root) return std::nullopt;
  return texts;
}

}  // namespace

bool LanguageTables::LoadFile(const std::string& path, const std::string& name) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  return LoadXml(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), name);
}

bool LanguageTables::LoadXml(std::string_view xml, const std::string& name) {
  auto texts = ParseTexts(QByteArray(xml.data(), static_cast<qsizetype>(xml.size())));
  if (!texts) return false;
  std::unique_lock lock(mutex_);
  auto same_name = std::find_if(tables_.begin(), tables_.end(),
                                [&](const Table& t) { return EqualsIgnoreCase(t.name, name); });
  if (same_name != tables_.end()) {
    // Reloading a table replaces it; it does not count as another table.
    same_name->texts = std::move(*texts);
    return true;
  }
  if (tables_.size() >= kMaxTables) return false;
  tables_.push_back(Table{name, std::move(*texts)});
  if (current_ < 0) current_ = 0;
  return true;
}

bool LanguageTables::Select(std::string_view name) {
  std::unique_lock lock(mutex_);
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (EqualsIgnoreCase(tables_[i].name, name)) {
      current_ = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

std::string LanguageTables::CurrentName() const {
  std::shared_lock lock(mutex_);
  return current_ >= 0 ? tables_[static_cast<std::size_t>(current_)].name : std::string();
}

std::string LanguageTables::Resolve(std::string_view text) const {
  std::shared_lock lock(mutex_);
  const Table* table = current_ >= 0 ? &tables_[static_cast<std::size_t>(current_)] : nullptr;
  return ResolveWith(table, text);
}

std::string LanguageTables::ResolveIn(std::string_view table_name, std::string_view text) const {
  std::shared_lock lock(mutex_);
  return ResolveWith(FindLocked(table_name), text);
}

void LanguageTables::Clear() {
  std::unique_lock lock(mutex_);
  tables_.clear();
  current_ = -1;
}

const LanguageTables::Table* LanguageTables::FindLocked(std::string_view name) const {
  for (const Table& table : tables_) {
    if (EqualsIgnoreCase(table.name, name)) return &table;
  }
  return nullptr;
}

std::string LanguageTables::ResolveWith(const Table* table, std::string_view text) {
  if (!text.starts_with(kPlaceholderStart)) return std::string(text);
  if (table != nullptr) {
    if (auto it = table->texts.find(text); it != table->texts.end()) {
      return ReplaceLineBreakMarks(it->second);
    }
  }
  return ReplaceLineBreakMarks(std::string(text));
}

LanguageTables& Languages() {
  static LanguageTables tables;
  return tables;
}

}  // namespace tolva
