// Filter text as other programs write it, what an import makes of it, and the profile diff.
#include "model/filter_exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "base/language_switch.h"
#include "model/filter_exchange_import.h"
#include "model/measurement.h"
#include "model/profile_diff.h"

namespace tolva::model {
namespace {

std::vector<FilterLine> For(const FilterText& text, const std::string& channel = "") {
  TextProblem error;
  auto lines = FiltersForChannel(text, channel, &error);
  EXPECT_TRUE(lines.has_value()) << English(error);
  return lines.value_or(std::vector<FilterLine>{});
}

ChannelSettings FlatChannel() {
  ChannelSettings ch;
  for (int b = 0; b < kEqBands; ++b) ch.eqArray[b] = EqBand{0.0f, 5.8f, 20 + 100 * b, 1};
  return ch;
}

TEST(FilterText, ReadsApoTextWithChannelBlocksAndOddShapes) {
  // A UTF-8 mark, tabs, runs of spaces, CRLF, lower case, a comment, "Filter:" without a number,
  // an OFF line.
  const FilterText text = ParseFilterText(
      "\xEF\xBB\xBFPreamp: -6.5 dB\r\n"
      "# from a preset collection\r\n"
      "Filter:\tON  PK Fc 63 Hz Gain -5.2 dB Q 2.10\r\n"
      "Channel: L R\r\n"
      "filter 2: on pk fc 1000 hz gain 3 db bw oct 0.5\r\n"
      "Filter 3: OFF PK Fc 2000 Hz Gain 9 dB Q 1\r\n"
      "Filter 4: ON LS 6dB Fc 105 Hz Gain 4.0 dB\r\n"
      "Channel: SUB\r\n"
      "Filter5: ON PK Fc 45.8 Hz Gain -2 dB Q 4\r\n"
      "Delay: 3 ms\r\n");
  ASSERT_TRUE(text.error.empty()) << English(text.error);
  EXPECT_EQ(text.preamp, -6.5);
  ASSERT_EQ(text.filters.size(), 5u);
  EXPECT_EQ(text.filters[1].bw_oct, 0.5);
  EXPECT_EQ(text.filters[3].type, "LS 6DB");
  ASSERT_EQ(text.ignored.size(), 1u);
  EXPECT_EQ(English(text.ignored[0]), "line 10: Delay: is not applied");
  EXPECT_EQ(FilterChannelNames(text), (std::vector<std::string>{"L", "R", "SUB"}));

  TextProblem error;
  EXPECT_FALSE(FiltersForChannel(text, "", &error));
  EXPECT_NE(English(error).find("(L, R, SUB)"), std::string::npos) << English(error);
  // The lines before any "Channel:" apply to every channel.
  const auto sub = For(text, "SUB");
  ASSERT_EQ(sub.size(), 2u);
  EXPECT_EQ(*sub[1].fc, 45.8);
  EXPECT_EQ(For(text, "R").size(), 4u);
}

TEST(FilterText, ReadsRewTextAndRefusesCommaDecimals) {
  const FilterText rew = ParseFilterText(
      "Filter Settings file\n\nRoom EQ V5.19\nDated: 23-07-2020 15:13:34\n\n"
      "Notes:Car front left\n\nEqualiser: Generic\nPreamp:\t-1.2 dB\n"
      "Filter  1: ON  PK       Fc   45.80 Hz  Gain   1.0 dB  Q 13.000\n"
      "Filter  2: ON  PK       Fc    3155 Hz  Gain  -0.8 dB  Q  0.400\n"
      "Filter 17: ON  None\n"
      "Filter 20: ON  HS       Fc   19800 Hz  Gain  -2.8 dB\n");
  ASSERT_TRUE(rew.error.empty()) << English(rew.error);
  ASSERT_EQ(rew.filters.size(), 3u);
  EXPECT_EQ(*rew.filters[0].q, 13.0);
  EXPECT_EQ(rew.filters[2].type, "HS");
  EXPECT_TRUE(rew.ignored.empty());

  const FilterText comma = ParseFilterText("Filter 1: ON PK Fc 100 Hz Gain -5,2 dB Q 1\n");
  const std::string refusal = English(comma.error);
  EXPECT_NE(refusal.find("line 1"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("decimal comma"), std::string::npos);
  EXPECT_NE(refusal.find("-5.2"), std::string::npos);
  EXPECT_FALSE(ParseFilterText("Filter 1: MAYBE PK Fc 100 Hz\n").error.empty());
  EXPECT_FALSE(ParseFilterText("Filter 1: ON PK Gain 3 dB Q 1\n").error.empty());  // no Fc
}

TEST(FilterImport, HoldsPeakingFiltersInFrequencyOrderAndWeighsWhatItCannotHold) {
  const FilterText text = ParseFilterText(
      "Filter: ON PK Fc 2000 Hz Gain 3 dB Q 1.25\n"
      "Filter: ON PK Fc 45.8 Hz Gain -2.25 dB Q 4\n"
      "Filter: ON HP Fc 30 Hz\n"
      "Filter: ON PK Fc 500 Hz Gain -24 dB Q 12\n");
  const FilterImportPlan plan = PlanFilterImport(text, For(text), FlatChannel());
  ASSERT_EQ(plan.peaking, 3);
  EXPECT_EQ(plan.bands[0], (EqBand{-2.25f, 4.0f, 46, 1}));
  EXPECT_EQ(plan.bands[1], (EqBand{-18.0f, 9.0f, 500, 1}));  // clamped to what a band holds
  EXPECT_EQ(plan.bands[2], (EqBand{3.0f, 1.25f, 2000, 1}));
  EXPECT_EQ(plan.bands[3], (EqBand{0.0f, 5.8f, 320, 1}));  // the rest flat, where they were
  // Rounded by the model (whole Hz) and by the unit's 0.1 steps; not refused.
  EXPECT_EQ(plan.rounded.size(), 3u);
  // The high-pass, the Q and the gain of the 500 Hz filter cannot be held.
  ASSERT_EQ(plan.refused.size(), 3u);
  EXPECT_NEAR(plan.refused[0].deviation_db, 7.8, 0.2);  // a 30 Hz high-pass at 20 Hz
  EXPECT_NEAR(plan.refused[1].deviation_db, 6.0, 0.1);  // -24 dB held as -18 dB
  EXPECT_GT(plan.total_deviation_db, 6.0);
}

// What the window says of a filter or measurement file: the English of lan_en.xml is the command
// line's word for word, and lan_cn.xml translates every message.
TEST(FilterImport, EveryMessageReadsAsTheCommandLineSaysItAndIsTranslated) {
  const FilterText text = ParseFilterText(
      "Preamp: -3 dB\nDelay: 2 ms\nFilter: OFF PK Fc 100 Hz Gain 1 dB Q 1\n"
      "Filter: ON PK Fc 200 Hz Gain 1 dB\nGraphicEQ: 25 -2; 40 4\nFilter: ON HS Fc 8000 Hz Gain 2 dB\n"
      "Filter: ON PK Fc 25000 Hz Gain -24 dB Q 12\nFilter: ON PK Fc 45.8 Hz Gain 2.25 dB Q 1.25\n");
  ChannelSettings few = FlatChannel();
  few.eqSize = 1;
  const FilterImportPlan plan = PlanFilterImport(text, For(text), few);
  ASSERT_EQ(plan.notes.size(), 3u);
  ASSERT_EQ(plan.refused.size(), 7u);
  std::vector<TextProblem> problems;
  for (const char* bad : {"Filter 1: ON PK Fc 100 Hz Gain -5,2 dB Q 1", "Filter 1:",
                          "Filter 1: MAYBE PK", "Filter 1: ON", "Filter 1: ON PK Fc 1 Hz Shift 2",
                          "Filter 1: ON PK Gain 1 dB", "Filter 1: ON PK Fc", "Filter 1: ON PK Fc x"}) {
    problems.push_back(ParseFilterText(bad).error);
  }
  for (const char* bad : {"20,000,78,5", "20 80\n30 x", "0 80", "20 80\n10 80", "* none",
                          "20\t80,5"}) {
    problems.push_back(ParseMeasurementText(bad).error);
  }
  const FilterText sides = ParseFilterText("Channel: L\nFilter: ON PK Fc 1 Hz Gain 1 dB Q 1\n"
                                           "Channel: R\n");
  const FilterText none = ParseFilterText("Filter: ON PK Fc 1 Hz Gain 1 dB Q 1\n");
  for (const auto& [t, channel] : {std::pair{&sides, ""}, {&sides, "C"}, {&none, "C"}}) {
    problems.emplace_back();
    EXPECT_FALSE(FiltersForChannel(*t, channel, &problems.back()));
  }
  for (const TextProblem& p : problems) ASSERT_FALSE(p.empty());

  LoadLanguageTables(Languages(), TOLVA_SOURCE_DIR "/resources/lan/", "");
  Languages().Select(LanguageTables::kEnglish);
  const std::vector<std::string> english = DescribeImportPlan(plan, English);
  EXPECT_EQ(DescribeImportPlan(plan, InCurrentLanguage), english);
  for (const TextProblem& p : problems) EXPECT_EQ(InCurrentLanguage(p), English(p));
  Languages().Select(LanguageTables::kChinese);
  const std::vector<std::string> chinese = DescribeImportPlan(plan, InCurrentLanguage);
  ASSERT_EQ(chinese.size(), english.size());
  // English words are lower case; the file's own keywords (Preamp, GraphicEQ, dB) are not.
  const auto latin_words = [](const std::string& s) {
    int words = 0, run = 0;
    for (const char c : s + " ") {
      if (c >= 'a' && c <= 'z') {
        ++run;
        continue;
      }
      words += run >= 2 && !(c >= 'A' && c <= 'Z');
      run = (c >= 'A' && c <= 'Z') ? -1000 : 0;
    }
    return words;
  };
  for (const std::string& line : chinese) EXPECT_EQ(latin_words(line), 0) << line;
  for (const TextProblem& p : problems) {
    EXPECT_EQ(latin_words(InCurrentLanguage(p)), 0) << InCurrentLanguage(p);
  }
  Languages().Clear();
}

TEST(FilterImport, MoreFiltersThanBandsKeepsTheLoudest) {
  std::string text;
  for (int i = 0; i < 33; ++i) {
    text += "Filter: ON PK Fc " + std::to_string(100 + 100 * i) + " Hz Gain " +
            std::to_string(i == 5 ? -0.5 : -(1.0 + i % 7)) + " dB Q 2\n";
  }
  const FilterText parsed = ParseFilterText(text);
  ChannelSettings ch = FlatChannel();
  const FilterImportPlan plan = PlanFilterImport(parsed, For(parsed), ch);
  EXPECT_EQ(plan.peaking, kEqBands);
  ASSERT_EQ(plan.refused.size(), 2u);
  EXPECT_NE(English(plan.refused[1].what).find("(PK 600 Hz)"), std::string::npos);  // quietest
  ch.eqSize = 2;
  EXPECT_EQ(PlanFilterImport(parsed, For(parsed), ch).refused.size(), 31u);
}

TEST(FilterExchange, ExportedTextImportsToTheSameBands) {
  ChannelSettings ch = FlatChannel();
  ch.bypass = 0;
  ch.eqArray[3] = {-4.5f, 2.1f, 63, 1};
  ch.eqArray[9] = {2.2999992f, 0.7f, 3150, 1};  // as the unit reports 2.3 dB
  ch.eqArray[12] = {6.0f, 1.0f, 5000, 0};        // disabled: not exported
  ch.crossover.hp = FilterSettings::Make(80, 2, 4);
  for (FilterTextFormat format : {FilterTextFormat::kApo, FilterTextFormat::kRew}) {
    const std::string text =
        WriteFilterText(format, ActiveBands(ch), CrossoverComments(ch.crossover), "front left");
    EXPECT_NE(text.find("# high-pass: Linkwitz-Riley 80 Hz 24 dB/oct"), std::string::npos);
    const FilterText back = ParseFilterText(text);
    ASSERT_TRUE(back.error.empty()) << text;
    const FilterImportPlan plan = PlanFilterImport(back, For(back), FlatChannel());
    EXPECT_TRUE(plan.refused.empty());
    EXPECT_TRUE(plan.rounded.empty()) << text;
    ASSERT_EQ(plan.peaking, 2);
    EXPECT_EQ(plan.bands[0], ch.eqArray[3]);
    EXPECT_EQ(plan.bands[1].freq, 3150);
    EXPECT_NEAR(plan.bands[1].eqGain, 2.3f, 1e-6);
  }
  ch.bypass = 1;
  EXPECT_TRUE(ActiveBands(ch).empty());
}

TEST(ProfileDiff, NamesEachDifferingFieldByItsKey) {
  auto a = std::make_unique<Profile>();
  auto b = std::make_unique<Profile>(*a);
  EXPECT_TRUE(DiffProfiles(*a, *b).empty());
  b->mainVolume = a->mainVolume - 7;
  b->channels[0].eqArray[7].eqGain = 1.3f;
  const auto d = DiffProfiles(*a, *b);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].key, "mainVolume");
  EXPECT_EQ(d[1].key, "channels/0/eqArray/7/eqGain");
  EXPECT_EQ(d[1].b, "1.3");  // not the float's 17 digits
  EXPECT_EQ(ProfileValueAt(*b, "channels/0/eqArray/7/eqGain"), "1.3");
  EXPECT_FALSE(ProfileValueAt(*b, "channels/0/eqArray/x"));
  EXPECT_FALSE(ProfileValueAt(*b, "nothing"));

  // Every other kind of field a profile file stores is listed, in file order; mixer trims and
  // the source, which no profile file holds, cannot differ from a file and are not.
  auto c = std::make_unique<Profile>(*a);
  c->subVolume = 4;
  c->mainVolumeMute = 1;
  c->channels[2].delay = 1.5f;
  c->channels[5].crossover.hp.fs = 80;
  c->channels[1].eqSize = 30;
  c->inputs[4][3] = 2;
  c->outputs[1] = 7;
  c->linkOutputs[0] = 1;
  c->showChEqualizer[2] = 1;
  c->currChannel = 3;
  c->linkMode = 1;
  c->lockMode = 1;
  c->inputMixTrim[2][1][0] = 40;
  c->source = 2;
  std::vector<std::string> keys;
  for (const ProfileDifference& d : DiffProfiles(*a, *c)) keys.push_back(d.key);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "subVolume", "mainVolumeMute", "channels/1/eqSize",
                      "channels/1/eqArray/30", "channels/2/delay", "channels/5/crossover/hp/fs",
                      "inputs/4/3", "outputs/1", "linkOutputs/0", "showChEqualizer/2",
                      "currChannel", "linkMode", "lockMode"}));

  // The whole unit: scene names and the stored scenes' fields too.
  auto u = std::make_unique<UnitSettings>();
  auto v = std::make_unique<UnitSettings>(*u);
  SetSceneName(v->sceneName[3], u"Bass");
  v->scenes[4].channels[0].eqArray[2].eqGain = -2.5f;
  const auto whole = DiffUnits(*u, *v);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(whole[0].key, "sceneName/3");
  EXPECT_EQ(whole[1].key, "sceneArray/4/channels/0/eqArray/2/eqGain");
}

TEST(Measurement, ReadsRewTextAndInterpolatesOntoTheGrid) {
  const MeasurementText m = ParseMeasurementText(
      "* Measurement data measured by REW V5.20\r\n* Freq(Hz) SPL(dB) Phase(degrees)\r\n"
      "100.0\t80.0\t-12.5\r\n200.0, 86.0, -13\r\n400 80\r\n");
  ASSERT_TRUE(m.error.empty()) << English(m.error);
  const dsp::Curve& grid = dsp::StandardEvaluator().grid();
  const dsp::Curve on_grid = MeasurementOnGrid(m.measurement, grid);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (grid[i] < 100.0 || grid[i] > 400.0) {
      EXPECT_TRUE(std::isnan(on_grid[i]));
    } else {
      EXPECT_NEAR(on_grid[i], 86.0 - 6.0 * std::fabs(std::log2(grid[i] / 200.0)), 1e-9);
    }
  }
  EXPECT_NE(English(ParseMeasurementText("100 80\n50 81\n").error).find("ascend"),
            std::string::npos);
  EXPECT_FALSE(ParseMeasurementText("* nothing\n").error.empty());
}

// Another locale's exports: decimal commas between tabs, semicolons or spaces are refused with
// their line, never split into shifted values; semicolons with decimal points are read.
TEST(Measurement, RefusesDecimalCommasWithTheirLine) {
  for (const char* text : {"* REW\n20,5\t78,125\t-12,5\n", "* REW\n20,5;78,125;-12,5\n",
                           "* REW\n20,5 78,125\n"}) {
    const MeasurementText m = ParseMeasurementText(text);
    EXPECT_NE(English(m.error).find("line 2: \"20,5\" is written with a decimal comma"),
              std::string::npos)
        << text << " -> " << English(m.error);
    EXPECT_TRUE(m.measurement.freq.empty());
  }
  const MeasurementText csv = ParseMeasurementText("100,0,80,5\n200,0,86,5\n");
  EXPECT_NE(English(csv.error).find("line 1: 4 columns"), std::string::npos) << English(csv.error);

  const MeasurementText semicolons =
      ParseMeasurementText("Freq;SPL;Phase\n100.5;80.25;-3\n200;86\n");
  ASSERT_TRUE(semicolons.error.empty()) << English(semicolons.error);
  EXPECT_EQ(semicolons.measurement.freq, (std::vector<double>{100.5, 200.0}));
  EXPECT_EQ(semicolons.measurement.level, (std::vector<double>{80.25, 86.0}));
}

}  // namespace
}  // namespace tolva::model
