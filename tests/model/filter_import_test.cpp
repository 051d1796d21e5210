// What an import of filter text makes of an output's bands: the file's response, judged
// against an independent cookbook design on a grid of its own.
#include "model/interchange/filter_exchange_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "base/language_switch.h"
#include "cookbook_reference.h"
#include "model/fitting/band_fitter.h"
#include "model/fitting/cookbook_filters.h"
#include "model/interchange/measurement.h"

namespace tolva::model {
namespace {

namespace ref = reference;

ChannelFilters For(const FilterText& text, const std::string& channel = "") {
  TextProblem error;
  auto lines = FiltersForChannel(text, channel, &error);
  EXPECT_TRUE(lines.has_value()) << English(error);
  return lines.value_or(ChannelFilters{});
}

ChannelSettings FlatChannel() {
  ChannelSettings ch;
  for (int b = 0; b < kEqBands; ++b) ch.eqArray[b] = EqBand{0.0f, 5.8f, 20 + 100 * b, 1};
  return ch;
}

// The file's meaning, line by line, from the reference design alone (peaking and shelves with Q).
double FileDb(const FilterText& text, double f) {
  double sum = 0.0;
  for (const FilterLine& l : text.filters) {
    if (!l.on) continue;
    const double g = l.gain.value_or(0.0);
    if (l.type == "PK" && l.q) sum += ref::Db(ref::Peaking(*l.fc, g, *l.q), f);
    if (l.type == "LSC") sum += ref::Db(ref::Shelf(true, *l.fc, g, *l.q), f);
    if (l.type == "HSC") sum += ref::Db(ref::Shelf(false, *l.fc, g, *l.q), f);
    if (l.type == "HP") sum += ref::Db(ref::HighPass(*l.fc, std::sqrt(0.5)), f);
  }
  return sum;
}

double UnitDb(const std::array<EqBand, kEqBands>& bands, double f) {
  double sum = 0.0;
  for (const EqBand& b : bands) {
    // What the unit receives: the encoding's steps.
    const double gain = std::trunc((b.eqGain + 18.0) * 10.0 + 1e-3) / 10.0 - 18.0;
    const double q = std::trunc(b.eqFactor * 10.0 + 1e-3) / 10.0;
    if (b.enable == 1 && gain != 0.0) sum += ref::Db(ref::UnitBand(b.freq, gain, q), f);
  }
  return sum;
}

double LargestGap(const FilterText& text, const std::array<EqBand, kEqBands>& bands) {
  double worst = 0.0;
  for (double f : ref::JudgingGrid()) worst = std::max(worst, std::fabs(FileDb(text, f) - UnitDb(bands, f)));
  return worst;
}

struct RealFile {
  const char* name;
  const char* text;
};

// The kinds of files installers bring, written as those programs write them.
const RealFile kFiles[] = {
    {"AutoEq with shelves",
     "Preamp: -6.9 dB\nFilter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\n"
     "Filter 2: ON PK Fc 182 Hz Gain -3.4 dB Q 0.43\nFilter 3: ON PK Fc 1458 Hz Gain 2.9 dB Q 1.62\n"
     "Filter 4: ON PK Fc 3024 Hz Gain -4.7 dB Q 3.02\nFilter 5: ON PK Fc 5190 Hz Gain 5.8 dB Q 4.41\n"
     "Filter 6: ON PK Fc 7322 Hz Gain -3.9 dB Q 2.95\nFilter 7: ON PK Fc 40 Hz Gain 1.2 dB Q 1.21\n"
     "Filter 8: ON PK Fc 560 Hz Gain 0.9 dB Q 1.00\nFilter 9: ON PK Fc 8990 Hz Gain 2.1 dB Q 3.30\n"
     "Filter 10: ON HSC Fc 10000 Hz Gain -4.3 dB Q 0.70\n"},
    {"REW peaking, Q beyond a band",
     "Filter Settings file\n\nRoom EQ V5.19\nDated: 13-07-2020 18:01:59\n\nNotes:bookshelf\n\n"
     "Equaliser: Generic\nPreamp: -1.4 dB\n"
     "Filter  1: ON  PK       Fc     466 Hz  Gain  -0.6 dB  Q  4.209\n"
     "Filter  2: ON  PK       Fc     527 Hz  Gain   2.2 dB  Q  1.889\n"
     "Filter  3: ON  PK       Fc     857 Hz  Gain  -2.7 dB  Q  1.000\n"
     "Filter  4: ON  PK       Fc    1224 Hz  Gain  -2.0 dB  Q  5.000\n"
     "Filter  5: ON  PK       Fc    1459 Hz  Gain   4.6 dB  Q  1.123\n"
     "Filter  6: ON  PK       Fc    2285 Hz  Gain  -3.1 dB  Q  1.000\n"
     "Filter  7: ON  PK       Fc    2400 Hz  Gain  -0.6 dB  Q 12.000\n"
     "Filter  8: ON  PK       Fc    4429 Hz  Gain  -1.4 dB  Q  1.000\n"
     "Filter  9: ON  PK       Fc    6985 Hz  Gain  -2.1 dB  Q  4.998\n"
     "Filter 10: ON  PK       Fc   12192 Hz  Gain   4.0 dB  Q  1.001\n"
     "Filter 11: ON  PK       Fc   13179 Hz  Gain  -5.3 dB  Q  1.386\n"
     "Filter 12: ON  PK       Fc   17760 Hz  Gain  -1.6 dB  Q  5.000\n"
     "Filter 13: ON  None\n"},
    {"hand-written three bands",
     "# car, front doors\nFilter: ON PK Fc 63 Hz Gain 8 dB Q 0.8\nFilter: ON PK Fc 1000 Hz Gain -6 dB Q 2\n"
     "Filter: ON PK Fc 9700 Hz Gain -8 dB Q 2\n"},
    {"twelve overlapping cuts",
     "Filter 1: ON PK Fc 9000 Hz Gain -4.5 dB Q 3\nFilter 2: ON PK Fc 10300 Hz Gain -5 dB Q 4\n"
     "Filter 3: ON PK Fc 11500 Hz Gain -6 dB Q 4\nFilter 4: ON PK Fc 12600 Hz Gain -5.5 dB Q 5\n"
     "Filter 5: ON PK Fc 13700 Hz Gain -6.5 dB Q 6\nFilter 6: ON PK Fc 15000 Hz Gain -5 dB Q 4\n"
     "Filter 7: ON PK Fc 16400 Hz Gain -4 dB Q 3\nFilter 8: ON PK Fc 120 Hz Gain -6 dB Q 6\n"
     "Filter 9: ON PK Fc 240 Hz Gain -4 dB Q 5\nFilter 10: ON PK Fc 330 Hz Gain 3 dB Q 2\n"
     "Filter 11: ON PK Fc 45.80 Hz Gain -9 dB Q 8\nFilter 12: ON PK Fc 2500 Hz Gain -3 dB Q 0.6\n"},
};

TEST(FilterImport, PlaysWhatRealFilesMeanWithinAQuarterDecibel) {
  for (const RealFile& file : kFiles) {
    SCOPED_TRACE(file.name);
    const FilterText text = ParseFilterText(file.text);
    ASSERT_TRUE(text.error.empty()) << English(text.error);
    const FilterImportPlan plan = PlanFilterImport(For(text), FlatChannel());
    const double gap = LargestGap(text, plan.bands);
    EXPECT_LT(gap, 0.25);
    EXPECT_FALSE(plan.NeedsForce());
    // The reported figure is the true one, on the import's own grid.
    EXPECT_NEAR(plan.max_deviation_db, gap, 0.05);
    std::printf("%-30s largest %.3f dB at %.0f Hz, RMS %.3f dB, %d bands\n", file.name,
                plan.max_deviation_db, plan.worst_hz, plan.rms_deviation_db, plan.bands_used);
  }
}

TEST(FilterImport, PeakingFiltersTheBandsHoldGoInOneToOneAndOnlyChangesAreMade) {
  const FilterText text = ParseFilterText(
      "Filter: ON PK Fc 2000 Hz Gain 3 dB Q 1.25\nFilter: ON PK Fc 1000 Hz Gain 6 dB Q 1\n"
      "Filter: ON PK Fc 45.8 Hz Gain -2.25 dB BW Oct 0.5\n");
  ChannelSettings ch = FlatChannel();
  ch.eqArray[5] = {6.0f, 1.4f, 1000, 1};  // the 1000 Hz filter as the unit holds it
  ch.eqArray[9] = {-4.0f, 2.0f, 500, 1};  // not in the file: made flat
  const FilterImportPlan plan = PlanFilterImport(For(text), ch);
  EXPECT_EQ(plan.held, 3);
  EXPECT_TRUE(plan.reproduced.empty());
  EXPECT_EQ(plan.bands[5], ch.eqArray[5]);
  EXPECT_EQ(plan.bands[9].freq, 46);  // a slot that played anyway takes a new band
  EXPECT_EQ(plan.bands[0].freq, 2000);
  EXPECT_FLOAT_EQ(plan.bands[0].eqFactor, 1.5f);  // cookbook Q 1.25 at +3 dB is the unit's 1.49
  EXPECT_EQ(plan.bands_changed, 2);
  EXPECT_EQ(plan.bands_used, 3);
  EXPECT_LT(plan.max_deviation_db, 0.25);
  // Imported again onto what it made, nothing changes.
  ChannelSettings after = ch;
  after.eqArray = plan.bands;
  const FilterImportPlan again = PlanFilterImport(For(text), after);
  EXPECT_EQ(again.bands, plan.bands);
  EXPECT_EQ(again.bands_changed, 0);
}

TEST(FilterImport, WhatNoBandIsLikeIsReproducedOrLeftOutAndCounted) {
  const FilterText text = ParseFilterText(
      "Filter: ON PK Fc 500 Hz Gain -3 dB Q 1\nFilter: ON NO Fc 1000 Hz\n"
      "Filter: ON IIR Order 2 Coefficients 1 -1.9 0.9 1 -1.8 0.81\n"
      "Filter: ON PK Fc 3000 Hz Gain 2 dB\n");
  const FilterImportPlan plan = PlanFilterImport(For(text), FlatChannel());
  ASSERT_EQ(plan.reproduced.size(), 1u);
  EXPECT_NE(English(plan.reproduced[0]).find("line 2 (NO 1000 Hz)"), std::string::npos);
  ASSERT_EQ(plan.left_out.size(), 2u);  // the IIR line and the peaking filter without Q
  EXPECT_NE(English(plan.left_out[0]).find("IIR"), std::string::npos);
  // A notch's depth cannot be made of bands: refused, with where.
  EXPECT_TRUE(plan.BeyondLimit());
  EXPECT_NEAR(plan.worst_hz, 1000, 20);

  // GraphicEQ is a curve like any other: followed, and its deviation counted.
  const FilterText graphic = ParseFilterText("GraphicEQ: 20 -3; 100 4; 1000 0; 4000 -6; 8000 -6\n");
  ASSERT_TRUE(graphic.error.empty()) << English(graphic.error);
  const FilterImportPlan g = PlanFilterImport(For(graphic), FlatChannel());
  EXPECT_FALSE(g.NeedsForce());
  EXPECT_GT(g.max_deviation_db, 0.0);
  EXPECT_LT(g.max_deviation_db, 1.0);
  FilterImportOptions strict;
  strict.max_deviation_db = g.max_deviation_db / 2;
  EXPECT_TRUE(PlanFilterImport(For(graphic), FlatChannel(), strict).NeedsForce());
}

TEST(FilterImport, MoreFiltersThanBandsAreFittedTogether) {
  std::string text;
  for (int i = 0; i < 36; ++i) {
    text += "Filter: ON PK Fc " + std::to_string(100 + 150 * i) + " Hz Gain " +
            std::to_string(i == 5 ? -0.5 : -(1.0 + i % 7)) + " dB Q 4\n";
  }
  const FilterText parsed = ParseFilterText(text);
  const FilterImportPlan plan = PlanFilterImport(For(parsed), FlatChannel());
  EXPECT_EQ(plan.bands_used, kEqBands);
  ASSERT_EQ(plan.reproduced.size(), 5u);
  EXPECT_NE(English(plan.reproduced[0]).find("(PK 850 Hz)"), std::string::npos);  // quietest
  ChannelSettings two = FlatChannel();
  two.eqSize = 2;
  const FilterImportPlan few = PlanFilterImport(For(parsed), two);
  EXPECT_EQ(few.bands_used, 2);
  EXPECT_TRUE(few.NeedsForce());
  EXPECT_EQ(few.bands[2], two.eqArray[2]);  // slots the output does not have stay as they are
}

TEST(FilterExchange, ExportedTextPlaysTheUnitsCurveAndImportsToTheSameBands) {
  ChannelSettings ch = FlatChannel();
  ch.bypass = 0;
  ch.eqArray[3] = {-4.5f, 2.1f, 63, 1};
  ch.eqArray[9] = {2.2999992f, 0.7f, 3150, 1};  // as the unit reports 2.3 dB
  ch.eqArray[12] = {6.0f, 1.0f, 5000, 0};        // disabled: not exported
  ch.eqArray[20] = {11.0f, 9.0f, 12500, 1};
  ch.eqArray[21] = {-18.0f, 0.5f, 400, 1};
  ch.crossover.hp = FilterSettings::Make(80, 2, 4);
  for (FilterTextFormat format : {FilterTextFormat::kApo, FilterTextFormat::kRew}) {
    const std::string text =
        WriteFilterText(format, ActiveBands(ch), CrossoverComments(ch.crossover), "front left");
    EXPECT_NE(text.find("# high-pass: Linkwitz-Riley 80 Hz 24 dB/oct"), std::string::npos);
    const FilterText back = ParseFilterText(text);
    ASSERT_TRUE(back.error.empty()) << text;
    // Read by the cookbook, as other programs play it: the unit's own curve.
    EXPECT_LT(LargestGap(back, ch.eqArray), 0.05) << text;
    const FilterImportPlan plan = PlanFilterImport(For(back), ch);
    EXPECT_EQ(plan.bands, ch.eqArray);
    EXPECT_EQ(plan.bands_changed, 0);
    const FilterImportPlan onto_flat = PlanFilterImport(For(back), FlatChannel());
    EXPECT_EQ(onto_flat.held, 4);
    EXPECT_EQ(onto_flat.bands[0], ch.eqArray[3]);
    EXPECT_EQ(onto_flat.bands[3], ch.eqArray[20]);
  }
  ch.bypass = 1;
  EXPECT_TRUE(ActiveBands(ch).empty());
}

// What the window says of a filter or measurement file: the English of lan_en.xml is the command
// line's word for word, and lan_cn.xml translates every message.
TEST(FilterImport, EveryMessageReadsAsTheCommandLineSaysItAndIsTranslated) {
  const FilterText text = ParseFilterText(
      "Preamp: -3 dB\nDelay: 2 ms\nFilter: OFF PK Fc 100 Hz Gain 1 dB Q 1\n"
      "Filter: ON PK Fc 200 Hz Gain 1 dB\nGraphicEQ: 25 -2; 40 4\nFilter: ON HS Fc 8000 Hz Gain 2 dB\n"
      "Filter: ON PK Fc 25000 Hz Gain -4 dB Q 2\nFilter: ON PK Fc 45.8 Hz Gain 2.25 dB Q 1.25\n"
      "Filter: ON PK Fc 1000 Hz Gain -24 dB Q 12\n"
      "Filter: ON IIR Order 1 Coefficients 1 0 1 0\nFilter: ON XY Fc 100 Hz\n");
  ChannelSettings few = FlatChannel();
  few.eqSize = 1;
  const FilterImportPlan plan = PlanFilterImport(For(text), few);
  ASSERT_EQ(plan.notes.size(), 3u);
  // GraphicEQ, HS, the Q and gain of the 1000 Hz filter, the 45.8 Hz filter with no band left.
  ASSERT_EQ(plan.reproduced.size(), 5u);
  // The filter without Q, the one beyond half the rate, IIR, XY.
  ASSERT_EQ(plan.left_out.size(), 4u);
  ASSERT_TRUE(plan.BeyondLimit());
  std::vector<TextProblem> problems;
  for (const char* bad : {"Filter 1: ON PK Fc 100 Hz Gain -5,2 dB Q 1", "Filter 1:",
                          "Filter 1: MAYBE PK", "Filter 1: ON", "Filter 1: ON PK Fc 1 Hz Shift 2",
                          "Filter 1: ON PK Gain 1 dB", "Filter 1: ON PK Fc", "Filter 1: ON PK Fc x",
                          "Filter 1: ON PK Fc 8.000 Hz Gain 1 dB Q 1", "Include: SUB.TXT"}) {
    const FilterText t = ParseFilterText(bad);
    problems.push_back(t.error);
    if (t.error.empty()) EXPECT_FALSE(FiltersForChannel(t, "", &problems.back()));
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

}  // namespace
}  // namespace tolva::model
