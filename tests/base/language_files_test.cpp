#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>

#include <fstream>
#include <map>
#include <set>
#include <string>

#include "base/language_tables.h"

namespace tolva {
namespace {

const std::string kLanDir = std::string(TOLVA_SOURCE_DIR) + "/resources/lan/";

std::map<std::string, std::string> Entries(const std::string& file) {
  QFile f(QString::fromStdString(kLanDir + file));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file;
  QXmlStreamReader xml(&f);
  std::map<std::string, std::string> entries;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("Text")) {
      continue;
    }
    const std::string id = xml.attributes().value("id").toString().toStdString();
    EXPECT_FALSE(entries.count(id)) << file << " repeats " << id;
    entries[id] = xml.attributes().value("value").toString().toStdString();
  }
  EXPECT_FALSE(xml.hasError()) << file << ": " << xml.errorString().toStdString();
  return entries;
}

std::set<std::string> RequiredKeys() {
  std::ifstream in(kLanDir + "required_keys.txt");
  std::set<std::string> keys;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) keys.insert(line);
  }
  return keys;
}

TEST(LanguageFiles, BothLanguagesTranslateEveryRequiredKey) {
  const auto required = RequiredKeys();
  ASSERT_GT(required.size(), 100u);
  for (const char* file : {"lan_cn.xml", "lan_en.xml"}) {
    const auto entries = Entries(file);
    for (const std::string& key : required) {
      auto it = entries.find(key);
      ASSERT_NE(it, entries.end()) << file << " lacks " << key;
      EXPECT_FALSE(it->second.empty()) << file << ": empty " << key;
      EXPECT_NE(it->second, key) << file << ": untranslated " << key;
    }
  }
}

TEST(LanguageFiles, DefineTheSameKeysWithTheSamePrintfArguments) {
  const auto cn = Entries("lan_cn.xml");
  const auto en = Entries("lan_en.xml");
  ASSERT_EQ(cn.size(), en.size());
  for (const auto& [key, text] : cn) {
    auto it = en.find(key);
    ASSERT_NE(it, en.end()) << key;
    // The scene texts are formatted with numbers and names: both languages take them in order.
    auto conversions = [](const std::string& s) {
      std::string out;
      for (std::size_t i = s.find('%'); i != std::string::npos; i = s.find('%', i + 2)) {
        if (i + 1 < s.size()) out += s[i + 1];
      }
      return out;
    };
    EXPECT_EQ(conversions(text), conversions(it->second)) << key;
    EXPECT_EQ(key.rfind("${", 0), 0u) << key;
    EXPECT_EQ(key.back(), '}') << key;
  }
}

TEST(LanguageFiles, LoadThroughTheTablesWithTwoLineTexts) {
  LanguageTables tables;
  ASSERT_TRUE(tables.LoadFile(kLanDir + "lan_cn.xml", "cn_zh"));
  ASSERT_TRUE(tables.LoadFile(kLanDir + "lan_en.xml", "en"));
  EXPECT_EQ(tables.ResolveIn("cn_zh", "${tips}"), "提示");
  EXPECT_EQ(tables.ResolveIn("en", "${load_scene_tips1}"), "Load scene %d (%s)?");
  EXPECT_NE(tables.ResolveIn("en", "${device_reboot}").find('\n'), std::string::npos);
}

}  // namespace
}  // namespace tolva
