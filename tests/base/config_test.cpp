#include "base/config.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string_view>

#include "base/debug_print.h"
#include "base/language_switch.h"
#include "test_files.h"

namespace tolva {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;
using namespace std::literals;

class ConfigTest : public ::testing::Test {
 protected:
  testing::TempDir temp_;
  std::string ini_ = temp_.Path("config.ini");
};

struct LanCase {
  std::optional<std::string_view> file;  // none: no file
  bool chinese;
};

class ConfigLanguageTest : public ConfigTest, public ::testing::WithParamInterface<LanCase> {};

TEST_P(ConfigLanguageTest, ReadsTheLanguage) {
  if (GetParam().file) WriteBytes(ini_, std::string(*GetParam().file));
  EXPECT_EQ(ReadChineseSetting(ini_), GetParam().chinese);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigLanguageTest,
    ::testing::Values(LanCase{std::nullopt, true}, LanCase{"[config]\nlan=0\n", false},
                      LanCase{"[config]\nlan=7\n", true}, LanCase{"[config]\nlan=-1\n", true},
                      LanCase{"[config]\nlan=1\n", true}, LanCase{"[config]\n", true},
                      LanCase{"[other]\nlan=0\n", true},
                      LanCase{"\r\n [ CONFIG ] \r\n  LAN = 0 \r\n", false},
                      LanCase{"[config]\nlan=0 ; English\n", false},
                      LanCase{"[config]\nlan=\n", true}, LanCase{"[config]\nlan=abc\n", true},
                      LanCase{"[config]\n;lan=0\n", true},
                      LanCase{"[config]\nlan=99999999999999\n", true},
                      LanCase{"[config]\nlan=0\n[config2]\nlan=1\n", false},
                      LanCase{"\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe"sv, true},
                      LanCase{"\xEF\xBB\xBF[config]\nlan=0\n", false},
                      LanCase{"\xFF\xFE[\0c\0o\0n\0f\0i\0g\0]\0\n\0l\0a\0n\0=\0"
                              "0\0\n\0"sv,
                              false}));

TEST_F(ConfigTest, WritingKeepsEveryOtherLineOfTheFile) {
  const std::string before =
      "; tuning notes\r\n[window]\r\nx=10\r\n\r\n[Config]\r\nother=yes\r\nLan=1\r\n\r\n"
      "[tail]\r\nk=v\r\n";
  WriteBytes(ini_, before);
  ASSERT_TRUE(WriteChineseSetting(ini_, false));
  std::string expected = before;
  expected.replace(expected.find("Lan=1"), 5, "lan=0");
  EXPECT_EQ(ReadBytes(ini_), expected);
  EXPECT_FALSE(ReadChineseSetting(ini_));
}

TEST_F(ConfigTest, WritingAddsTheKeyOrTheSectionWhereMissing) {
  ASSERT_TRUE(WriteChineseSetting(ini_, false));
  EXPECT_EQ(ReadBytes(ini_), "[config]\nlan=0\n");

  WriteBytes(ini_, "[config]\r\nother=1\r\n\r\n[next]\r\na=b");
  ASSERT_TRUE(WriteChineseSetting(ini_, true));
  EXPECT_EQ(ReadBytes(ini_), "[config]\r\nother=1\r\nlan=1\r\n\r\n[next]\r\na=b");

  WriteBytes(ini_, "[next]\na=b");
  ASSERT_TRUE(WriteChineseSetting(ini_, false));
  EXPECT_EQ(ReadBytes(ini_), "[next]\na=b\n[config]\nlan=0\n");
}

TEST_F(ConfigTest, WritingKeepsAnUtf16FileInUtf16) {
  const std::string before(
      "\xFF\xFE[\0c\0o\0n\0f\0i\0g\0]\0\n\0l\0a\0n\0=\0"
      "1\0\n\0",
      32);
  WriteBytes(ini_, before);
  ASSERT_TRUE(WriteChineseSetting(ini_, false));
  std::string expected = before;
  expected[28] = '0';
  EXPECT_EQ(ReadBytes(ini_), expected);
}

TEST_F(ConfigTest, AFailedWriteSaysSoAndLeavesTheFile) {
  WriteBytes(ini_, "[config]\nlan=1\n");
  ASSERT_EQ(chmod(temp_.dir.path().toLocal8Bit().constData(), 0500), 0);
  const bool root = ::access(ini_.c_str(), W_OK) == 0 && geteuid() == 0;
  if (!root) EXPECT_FALSE(WriteChineseSetting(ini_, false));
  chmod(temp_.dir.path().toLocal8Bit().constData(), 0700);
  if (!root) EXPECT_EQ(ReadBytes(ini_), "[config]\nlan=1\n");
  EXPECT_FALSE(WriteChineseSetting(temp_.Path("missing/dir/config.ini"), false));
}

TEST_F(ConfigTest, SwitchingTwiceFromChineseWritesZeroThenOneAndLogsEachStep) {
  const std::string log = temp_.Path("save.log");
  ASSERT_TRUE(InitConsoleWindow(log));
  LanguageTables tables;
  ASSERT_TRUE(tables.LoadXml(R"(<L><Text id="${tips}" value="提示"/></L>)", "cn_zh"));
  ASSERT_TRUE(tables.LoadXml(R"(<L><Text id="${tips}" value="Notice"/></L>)", "en"));
  WriteBytes(ini_, "[config]\nlan=1\n");
  ASSERT_TRUE(tables.Select("cn_zh"));

  std::string seen_by_repaint;
  auto repaint = [&] {
    seen_by_repaint = tables.Resolve("${tips}") + "/" + ReadBytes(ini_);
    DebugPrint(L"repaint\n");
  };
  EXPECT_FALSE(SwitchLanguage(tables, ini_, repaint));
  EXPECT_EQ(seen_by_repaint, "Notice/[config]\nlan=0\n");
  EXPECT_TRUE(SwitchLanguage(tables, ini_, repaint));
  EXPECT_EQ(seen_by_repaint, "提示/[config]\nlan=1\n");
  EXPECT_EQ(tables.CurrentName(), "cn_zh");
  CloseConsoleWindow();
  EXPECT_EQ(testing::ReadUtf16Le(log),
            u"InitConsoleWindow OK!\n"
            u"change language to en\nrepaint\nchange language finish\n"
            u"change language to cn\nrepaint\nchange language finish\n");
}

TEST_F(ConfigTest, StartupTablesFollowTheConfigAndSurviveMissingFiles) {
  const std::string lan = std::string(TOLVA_SOURCE_DIR) + "/resources/lan";
  WriteBytes(ini_, "[config]\nlan=0\n");
  LanguageTables english;
  LoadLanguageTables(english, lan, ini_);
  EXPECT_EQ(english.CurrentName(), "en");
  EXPECT_EQ(english.Resolve("${tips}"), "Notice");

  LanguageTables none;
  LoadLanguageTables(none, temp_.Path("no_lan"), ini_);
  EXPECT_EQ(none.Resolve("${tips}"), "${tips}");
}

}  // namespace
}  // namespace tolva
