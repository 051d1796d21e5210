// Filter text as other programs write it, what an import makes of it, and the profile diff.
#include "model/interchange/filter_exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "model/interchange/measurement.h"
#include "model/files/profile_diff.h"

namespace tolva::model {
namespace {

ChannelFilters For(const FilterText& text, const std::string& channel = "") {
  TextProblem error;
  auto lines = FiltersForChannel(text, channel, &error);
  EXPECT_TRUE(lines.has_value()) << English(error);
  return lines.value_or(ChannelFilters{});
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
  ASSERT_EQ(text.filters.size(), 5u);
  EXPECT_EQ(text.filters[1].bw_oct, 0.5);
  EXPECT_EQ(text.filters[3].type, "LS 6DB");
  ASSERT_EQ(text.commands.size(), 2u);
  EXPECT_EQ(text.commands[0].preamp, -6.5);
  EXPECT_EQ(English(text.commands[1].note), "line 10: Delay: is not applied");
  EXPECT_EQ(FilterChannelNames(text), (std::vector<std::string>{"L", "R", "SUB"}));

  TextProblem error;
  EXPECT_FALSE(FiltersForChannel(text, "", &error));
  EXPECT_NE(English(error).find("(L, R, SUB)"), std::string::npos) << English(error);
  // The lines before any "Channel:" apply to every channel.
  const auto sub = For(text, "SUB");
  ASSERT_EQ(sub.filters.size(), 2u);
  EXPECT_EQ(*sub.filters[1].fc, 45.8);
  EXPECT_EQ(sub.Preamp(), -6.5);
  EXPECT_EQ(sub.commands.size(), 2u);  // the Preamp of every channel, the SUB block's Delay
  EXPECT_EQ(For(text, "R").filters.size(), 4u);
  EXPECT_EQ(For(text, "R").commands.size(), 1u);
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
  ASSERT_EQ(rew.commands.size(), 1u);
  EXPECT_EQ(rew.commands[0].preamp, -1.2);

  const FilterText comma = ParseFilterText("Filter 1: ON PK Fc 100 Hz Gain -5,2 dB Q 1\n");
  const std::string refusal = English(comma.error);
  EXPECT_NE(refusal.find("line 1"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("decimal comma"), std::string::npos);
  EXPECT_NE(refusal.find("-5.2"), std::string::npos);
  EXPECT_FALSE(ParseFilterText("Filter 1: MAYBE PK Fc 100 Hz\n").error.empty());
  EXPECT_FALSE(ParseFilterText("Filter 1: ON PK Gain 3 dB Q 1\n").error.empty());  // no Fc
}

// REW's formatted table, included files, per-block commands, other programs' coefficients and
// other locales' numbers: read as meant, or refused with their line, never misread.
TEST(FilterText, ReadsRewTablesAndRefusesWhatWouldBeMisread) {
  const FilterText table = ParseFilterText(
      "Notes:left\nConfigurable_PEQ\n"
      "Number Enabled Control Type Frequency(Hz) Gain(dB) Q Bandwidth(Hz)\n"
      "1 True Auto PK 66.00 -12.00 7.40 8.92\n2 False Manual PK 140.0 -3.00 3.21 43.61\n"
      "3\tTrue\tAuto\tLS_Q\t44.3\t-11.0\t0.7\n4 True Auto None\n");
  ASSERT_TRUE(table.error.empty()) << English(table.error);
  ASSERT_EQ(table.filters.size(), 3u);
  EXPECT_EQ(table.filters[0].type, "PK");
  EXPECT_EQ(table.filters[0].fc, 66.0);
  EXPECT_EQ(table.filters[0].gain, -12.0);
  EXPECT_EQ(table.filters[0].q, 7.4);
  EXPECT_FALSE(table.filters[1].on);
  EXPECT_EQ(table.filters[2].type, "LSQ");
  // Header lines over rows of no known layout hold no filter: refused, not a flat output.
  EXPECT_EQ(ParseFilterText("Notes:left\n1 True Auto PK 66 -12 7.4\n").error.key,
            "${filter_text_unknown}");

  const FilterText included = ParseFilterText("# speakers\nInclude: left.txt\nInclude: sub eq.txt\n");
  ASSERT_TRUE(included.error.empty());
  TextProblem error;
  EXPECT_FALSE(FiltersForChannel(included, "", &error));
  EXPECT_NE(English(error).find("(left.txt, sub eq.txt)"), std::string::npos) << English(error);

  const FilterText blocks = ParseFilterText(
      "Preamp: -1 dB\nChannel: L\nPreamp: -3 dB\nInclude: l.txt\nFilter: ON PK Fc 100 Hz Gain 1 dB Q 1\n"
      "Channel: R\nPreamp: -5 dB\nInclude: r.txt\nFilter: ON PK Fc 200 Hz Gain 1 dB Q 1\n");
  const ChannelFilters right = FiltersForChannel(blocks, "R", &error).value();
  EXPECT_EQ(right.Preamp(), -6.0);
  ASSERT_EQ(right.commands.size(), 3u);
  EXPECT_EQ(right.commands[2].include, "r.txt");

  const FilterText iir =
      ParseFilterText("Filter 1: ON IIR Order 2 Coefficients 1 -1.9 0.9 1 -1.8 0.81\n");
  ASSERT_TRUE(iir.error.empty()) << English(iir.error);
  EXPECT_EQ(iir.filters[0].type, "IIR");

  for (const char* misread : {"Filter 1: ON PK Fc 8.000 Hz Gain 1 dB Q 1",
                              "Filter 1: ON PK Fc 12.500 Hz Gain 1 dB Q 1",
                              "Filter 1: ON PK Fc 1M- 275 Hz Gain 1 dB Q 1",
                              "Filter 1: ON PK Fc 100 Hz Gain 1,5 dB Q 1",
                              "1 True Auto PK 66,5 -12 7.4"}) {
    const FilterText t = ParseFilterText(
        std::string("Number Enabled Control Type Frequency(Hz) Gain(dB) Q\n") + misread);
    EXPECT_NE(English(t.error).find("line 2"), std::string::npos) << misread << ": " << English(t.error);
  }
  EXPECT_EQ(ParseFilterText("Filter 1: ON PK Fc 45.125 Hz Gain 1 dB Q 1").filters.at(0).fc, 45.125);
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
