#include "base/config.h"

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <charconv>
#include <climits>
#include <filesystem>

namespace tolva {
namespace {

constexpr const char* kConfigSection = "config";
constexpr const char* kLanguageKey = "lan";

// The file's text with enough of its encoding remembered to write it back byte for byte:
// Latin-1 keeps any byte as one character, so lines we do not touch round-trip unchanged.
struct IniText {
  enum class Encoding { kBytes, kUtf8Bom, kUtf16Le };
  Encoding encoding = Encoding::kBytes;
  QStringList lines;  // without their '\n'; a '\r' before it stays part of the line
  bool ends_with_newline = true;
  bool crlf = false;
};

IniText Decode(const QByteArray& bytes) {
  IniText ini;
  QString text;
  if (bytes.startsWith("\xFF\xFE")) {
    ini.encoding = IniText::Encoding::kUtf16Le;
    text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
  } else if (bytes.startsWith("\xEF\xBB\xBF")) {
    ini.encoding = IniText::Encoding::kUtf8Bom;
    text = QString::fromLatin1(bytes.mid(3));
  } else {
    text = QString::fromLatin1(bytes);
  }
  if (text.isEmpty()) return ini;
  ini.ends_with_newline = text.endsWith(QLatin1Char('\n'));
  if (ini.ends_with_newline) text.chop(1);
  ini.lines = text.split(QLatin1Char('\n'));
  ini.crlf = !ini.lines.isEmpty() && ini.lines.front().endsWith(QLatin1Char('\r'));
  return ini;
}

QByteArray Encode(const IniText& ini) {
  QString text = ini.lines.join(QLatin1Char('\n'));
  if (ini.ends_with_newline && !ini.lines.isEmpty()) text += QLatin1Char('\n');
  switch (ini.encoding) {
    case IniText::Encoding::kUtf16Le: {
      QByteArray out("\xFF\xFE");
      for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
      }
      return out;
    }
    case IniText::Encoding::kUtf8Bom:
      return QByteArray("\xEF\xBB\xBF") + text.toLatin1();
    case IniText::Encoding::kBytes:
      break;
  }
  return text.toLatin1();
}

std::optional<IniText> ReadIni(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return Decode(file.readAll());
}

// "[name]" (anything after the bracket is ignored, as Windows does); nullopt for other lines.
std::optional<QString> SectionName(const QString& line) {
  const QString t = line.trimmed();
  if (!t.startsWith(QLatin1Char('['))) return std::nullopt;
  const auto close = t.indexOf(QLatin1Char(']'));
  if (close < 0) return std::nullopt;
  return t.mid(1, close - 1).trimmed();
}

bool IsKeyLine(const QString& line, QStringView key, QString* value) {
  const QString t = line.trimmed();
  if (t.startsWith(QLatin1Char(';'))) return false;
  const auto eq = t.indexOf(QLatin1Char('='));
  if (eq < 0 || t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) return false;
  if (value != nullptr) *value = t.mid(eq + 1).trimmed();
  return true;
}

struct KeyPlace {
  int section_line = -1;  // the header of the first matching section
  int section_end = -1;   // one past its last non-blank line
  int key_line = -1;
  QString value;
};

KeyPlace Find(const IniText& ini, std::string_view section, std::string_view key) {
  const QString want_section = QString::fromUtf8(section.data(), static_cast<int>(section.size()));
  const QString want_key = QString::fromUtf8(key.data(), static_cast<int>(key.size()));
  KeyPlace place;
  bool inside = false;
  for (int i = 0; i < ini.lines.size(); ++i) {
    const QString& line = ini.lines[i];
    if (auto name = SectionName(line)) {
      if (inside) break;
      inside = name->compare(want_section, Qt::CaseInsensitive) == 0;
      if (inside) place.section_line = place.section_end = i;
      continue;
    }
    if (!inside) continue;
    if (!line.trimmed().isEmpty()) place.section_end = i;
    if (place.key_line < 0 && IsKeyLine(line, want_key, &place.value)) place.key_line = i;
  }
  if (place.section_end >= 0) ++place.section_end;
  return place;
}

}  // namespace

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  auto ini = ReadIni(path_);
  if (!ini) return std::nullopt;
  KeyPlace place = Find(*ini, section, key);
  if (place.key_line < 0) return std::nullopt;
  return place.value.toStdString();
}

int IniFile::IntValue(std::string_view section, std::string_view key, int fallback) const {
  auto text = Value(section, key);
  if (!text || text->empty()) return fallback;
  const char* first = text->data();
  const char* last = first + text->size();
  if (*first == '+') ++first;
  int value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (end == first) return fallback;
  // A number too long for an int is still a number; only its sign matters to callers.
  if (error == std::errc::result_out_of_range) return *first == '-' ? INT_MIN : INT_MAX;
  return value;
}

bool IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  IniText ini = ReadIni(path_).value_or(IniText{});
  const QString eol_tail = ini.crlf ? QStringLiteral("\r") : QString();
  const QString entry = QString::fromUtf8(key.data(), static_cast<int>(key.size())) +
                        QLatin1Char('=') +
                        QString::fromUtf8(value.data(), static_cast<int>(value.size())) + eol_tail;
  KeyPlace place = Find(ini, section, key);
  if (place.key_line >= 0) {
    ini.lines[place.key_line] = entry;
  } else if (place.section_line >= 0) {
    ini.lines.insert(place.section_end, entry);
  } else {
    if (!ini.lines.isEmpty() && !ini.ends_with_newline) ini.lines.back() += eol_tail;
    ini.lines.append(QLatin1Char('[') +
                     QString::fromUtf8(section.data(), static_cast<int>(section.size())) +
                     QLatin1Char(']') + eol_tail);
    ini.lines.append(entry);
    ini.ends_with_newline = true;
  }
  QSaveFile file(QString::fromStdString(path_));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = Encode(ini);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

std::string ConfigIniPath() {
  std::error_code error;
  const std::filesystem::path dir = std::filesystem::current_path(error);
  return (error ? std::filesystem::path(kConfigFileName) : dir / kConfigFileName).string();
}

bool ReadChineseSetting(const std::string& config_path) {
  return IniFile(config_path).IntValue(kConfigSection, kLanguageKey, 1) != 0;
}

bool WriteChineseSetting(const std::string& config_path, bool chinese) {
  return IniFile(config_path).SetValue(kConfigSection, kLanguageKey, chinese ? "1" : "0");
}

}  // namespace tolva
