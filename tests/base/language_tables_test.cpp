#include "base/language_tables.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tolva {
namespace {

constexpr const char* kChineseXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<Language>
  <Text id="${tips}" value="提示"/>
  <TEXT id="${mute}" value="静音"/>
  <text id="${two_lines}" value="分频{\n}设置"/>
  <Text value="没有 id"/>
  <Text id="${no_value}"/>
  <Other id="${other}" value="not a text element"/>
  <Group><Text id="${nested}" value="too deep"/></Group>
  <Text id="${tips}" value="提示（新）"/>
</Language>)";

constexpr const char* kEnglishXml =
    R"(<Language><Text id="${tips}" value="Notice"/><Text id="${mute}" value="Mute"/></Language>)";

class LanguageTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tables_.LoadXml(kChineseXml, LanguageTables::kChinese));
    ASSERT_TRUE(tables_.LoadXml(kEnglishXml, LanguageTables::kEnglish));
  }
  LanguageTables tables_;
};

TEST_F(LanguageTablesTest, ReadsTextChildrenOfTheRootInAnyCaseAndLaterEntriesWin) {
  ASSERT_TRUE(tables_.Select("cn_zh"));
  EXPECT_EQ(tables_.Resolve("${tips}"), "提示（新）");
  EXPECT_EQ(tables_.Resolve("${mute}"), "静音");
  // Entries without both attributes, other elements and deeper elements are not entries.
  EXPECT_EQ(tables_.Resolve("${no_value}"), "${no_value}");
  EXPECT_EQ(tables_.Resolve("${other}"), "${other}");
  EXPECT_EQ(tables_.Resolve("${nested}"), "${nested}");
}

TEST_F(LanguageTablesTest, PlaceholderRules) {
  ASSERT_TRUE(tables_.Select("cn_zh"));
  EXPECT_EQ(tables_.Resolve(""), "");
  EXPECT_EQ(tables_.Resolve("-12dB"), "-12dB");
  // Only placeholders get line breaks; a plain text is returned as it came.
  EXPECT_EQ(tables_.Resolve("a{\\n}b"), "a{\\n}b");
  EXPECT_EQ(tables_.Resolve("${two_lines}"), "分频\n设置");
  EXPECT_EQ(tables_.Resolve("${absent}"), "${absent}");
  EXPECT_EQ(tables_.Resolve("${absent{\\n}key}"), "${absent\nkey}");
  EXPECT_EQ(tables_.Resolve("$tips"), "$tips");
  EXPECT_EQ(tables_.Resolve("${tips} "), "${tips} ") << "the whole text is the key";
}

TEST_F(LanguageTablesTest, SelectsByNameInAnyCaseAndIgnoresUnknownNames) {
  EXPECT_EQ(tables_.CurrentName(), "cn_zh") << "the first table loaded is current";
  EXPECT_TRUE(tables_.Select("EN"));
  EXPECT_EQ(tables_.CurrentName(), "en");
  EXPECT_EQ(tables_.Resolve("${tips}"), "Notice");
  EXPECT_FALSE(tables_.Select("de"));
  EXPECT_EQ(tables_.CurrentName(), "en");
  EXPECT_TRUE(tables_.Select("CN_ZH"));
  EXPECT_EQ(tables_.Resolve("${mute}"), "静音");
  EXPECT_EQ(tables_.ResolveIn("en", "${mute}"), "Mute");
  EXPECT_EQ(tables_.ResolveIn("de", "${mute}"), "${mute}");
  EXPECT_EQ(tables_.CurrentName(), "cn_zh");
}

TEST_F(LanguageTablesTest, AThirdTableIsRefusedButReloadingOneReplacesIt) {
  EXPECT_FALSE(tables_.LoadXml(kEnglishXml, "fr"));
  EXPECT_FALSE(tables_.Select("fr"));
  ASSERT_TRUE(tables_.LoadXml(R"(<L><Text id="${tips}" value="Hint"/></L>)", "EN"));
  EXPECT_EQ(tables_.ResolveIn("en", "${tips}"), "Hint");
  EXPECT_EQ(tables_.ResolveIn("en", "${mute}"), "${mute}");
}

TEST(LanguageTablesLoad, BrokenOrMissingFilesLoadNothing) {
  LanguageTables tables;
  EXPECT_FALSE(tables.LoadFile("/nonexistent/lan_cn.xml", "cn_zh"));
  EXPECT_FALSE(tables.LoadXml("", "cn_zh"));
  EXPECT_FALSE(tables.LoadXml("not xml at all", "cn_zh"));
  // Well-formed up to a point: a half-read table would hide the error, so none is kept.
  EXPECT_FALSE(tables.LoadXml(R"(<L><Text id="${tips}" value="提示"/><Text id=)", "cn_zh"));
  EXPECT_EQ(tables.CurrentName(), "");
  EXPECT_EQ(tables.Resolve("${tips}"), "${tips}");
  // Failed loads take no slot.
  EXPECT_TRUE(tables.LoadXml(kEnglishXml, "en"));
  EXPECT_TRUE(tables.LoadXml(kChineseXml, "cn_zh"));
}

TEST(LanguageTablesThreads, ResolvingWhileSwitchingIsSafe) {
  LanguageTables tables;
  ASSERT_TRUE(tables.LoadXml(kChineseXml, "cn_zh"));
  ASSERT_TRUE(tables.LoadXml(kEnglishXml, "en"));
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      const std::string text = tables.Resolve("${tips}");
      ASSERT_TRUE(text == "Notice" || text == "提示（新）") << text;
    }
  });
  for (int i = 0; i < 2000; ++i) tables.Select(i % 2 ? "cn_zh" : "en");
  stop = true;
  reader.join();
}

}  // namespace
}  // namespace tolva
