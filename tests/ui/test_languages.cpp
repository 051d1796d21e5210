#include "test_languages.h"

#include <QFile>
#include <QXmlStreamReader>

#include "base/language_tables.h"

std::map<std::string, std::string> LoadUiKeys(const char* language) {
  std::map<std::string, std::string> table;
  QFile file(QStringLiteral(TOLVA_SOURCE_DIR "/resources/lan/ui_keys_%1.xml").arg(language));
  if (!file.open(QIODevice::ReadOnly)) return table;
  QXmlStreamReader xml(&file);
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement &&
        xml.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0) {
      table[xml.attributes().value("id").toString().toStdString()] =
          xml.attributes().value("value").toString().toStdString();
    }
  }
  return table;
}

ScopedLanguage::ScopedLanguage(const char* language)
    : table_(std::make_shared<std::map<std::string, std::string>>(LoadUiKeys(language))) {
  previous_ = tolva::kit::SetTextResolver([table = table_](std::string_view text) {
    auto it = table->find(std::string(text));
    return it == table->end() ? std::string(text) : it->second;
  });
}

ScopedLanguage::~ScopedLanguage() {
  tolva::kit::SetTextResolver(std::move(previous_));
}

void ScopedLanguage::Switch(const char* language) {
  *table_ = LoadUiKeys(language);
}

LanguageFile::LanguageFile(const char* language) {
  const std::string dir = TOLVA_SOURCE_DIR "/resources/lan/";
  tolva::Languages().Clear();
  tolva::Languages().LoadFile(dir + "lan_" + language + ".xml", language);
  tolva::Languages().Select(language);
  previous_ = tolva::kit::SetTextResolver({});
}

LanguageFile::~LanguageFile() {
  tolva::kit::SetTextResolver(std::move(previous_));
  tolva::Languages().Clear();
}
