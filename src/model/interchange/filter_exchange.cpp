#include "model/interchange/filter_exchange.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "model/fitting/peaking_conversion.h"
#include "model/interchange/text_lines.h"

namespace tolva::model {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// REW's "formatted text": a header row naming the columns, then one row per filter
// ("1 True Auto PK 45.80 -3.50 4.000"). The columns are found by their names.
struct RewTable {
  int enabled = -1, type = -1, freq = -1, gain = -1, q = -1;
  bool Complete() const { return enabled >= 0 && type >= 0 && freq >= 0; }
};

// "Fc 8.000 Hz" from an old REW in a locale with thousands dots means 8000 Hz; read as a
// decimal it would be below any band. Such a number is refused, never guessed.
bool LooksLikeThousandsDot(std::string_view token) {
  const std::size_t dot = token.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot > 2 || token.size() != dot + 4) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (i != dot && !IsDigit(token[i])) return false;
  }
  const auto value = ParseNumberToken(token);
  return value && *value < kMinFrequency;
}

class LineReader {
 public:
  LineReader(FilterText& out, RewTable& table, int line, std::vector<std::string_view> tokens)
      : out_(out), table_(table), line_(line), tokens_(std::move(tokens)) {}

  enum class Kind { kOther, kHeader, kContent };
  // kOther for a line that is none of the formats' own (prose, REW's version line); kHeader
  // for lines that name a file's kind without holding anything (REW's notes and dates).
  Kind Read() {
    const std::string first = Upper(tokens_[0]);
    if (first.starts_with("FILTER")) return ReadFilter(first) ? Kind::kContent : Kind::kOther;
    if (first == "PREAMP:") {
      const auto gain = NumberAt(1, "Preamp");
      if (gain) out_.commands.push_back({Block(), {}, *gain, {}});
      return Kind::kContent;
    }
    if (first == "CHANNEL:") {
      std::vector<std::string> names;
      for (std::size_t i = 1; i < tokens_.size(); ++i) names.emplace_back(tokens_[i]);
      out_.blocks.push_back(std::move(names));
      return Kind::kContent;
    }
    if (first == "GRAPHICEQ:") {
      ReadGraphicEq();
      return Kind::kContent;
    }
    if (first == "NUMBER" && ReadTableHeader()) return Kind::kContent;
    if (table_.Complete() && ParseNumberToken(tokens_[0])) {
      ReadTableRow();
      return Kind::kContent;
    }
    // REW's header lines carry nothing the unit needs.
    for (const char* header : {"DATED:", "NOTES:", "EQUALISER:", "EQUALIZER:"}) {
      if (first.starts_with(header)) return Kind::kHeader;
    }
    if (first == "INCLUDE:") {
      std::string file;
      for (std::size_t i = 1; i < tokens_.size(); ++i) {
        file += (file.empty() ? "" : " ") + std::string(tokens_[i]);
      }
      out_.commands.push_back(
          {Block(), {line_, "${filter_command_ignored}", {std::string(tokens_[0])}}, {}, file});
      return Kind::kContent;
    }
    if (first.ends_with(':')) {
      out_.commands.push_back(
          {Block(), {line_, "${filter_command_ignored}", {std::string(tokens_[0])}}, {}, {}});
      return Kind::kContent;
    }
    return Kind::kOther;
  }

 private:
  int Block() const { return static_cast<int>(out_.blocks.size()) - 1; }
  void Fail(const char* key, std::vector<std::string> values = {}) {
    if (out_.error.empty()) out_.error = {line_, key, std::move(values)};
  }

  std::optional<double> NumberAt(std::size_t i, const char* what) {
    if (i >= tokens_.size()) {
      Fail("${filter_no_value}", {what});
      return std::nullopt;
    }
    return NumberOf(tokens_[i], what);
  }
  std::optional<double> NumberOf(std::string_view token, const char* what) {
    if (IsCommaDecimal(token)) {
      if (out_.error.empty()) out_.error = CommaDecimalProblem(line_, token);
      return std::nullopt;
    }
    if (std::string_view(what) == "Fc" && LooksLikeThousandsDot(token)) {
      Fail("${filter_thousands_dot}", {std::string(token)});
      return std::nullopt;
    }
    const auto value = ParseNumberToken(token);
    if (!value) Fail("${filter_not_number}", {what, std::string(token)});
    return value;
  }

  // "Filter 1:", "Filter1:" or "Filter:"; "Filter Settings file" is REW's title line. A filter
  // line without its colon is refused, not passed over: its filter would be lost unsaid.
  bool ReadFilter(const std::string& first) {
    std::size_t i = 1;
    const bool numbered = first.size() > 6 && IsDigit(first[6]);
    if (first == "FILTER") {
      if (tokens_.size() >= 2 && Upper(tokens_[1]) == "SETTINGS") return true;
      if (tokens_.size() < 2 || !tokens_[1].ends_with(':')) {
        Fail("${filter_no_colon}");
        return true;
      }
      i = 2;
    } else if (!first.ends_with(':')) {
      if (numbered) Fail("${filter_no_colon}");
      return numbered;
    }
    ReadFilterFields(i);
    return true;
  }

  FilterLine Started() const {
    FilterLine f;
    f.line = line_;
    f.block = Block();
    return f;
  }

  void ReadFilterFields(std::size_t i) {
    if (i >= tokens_.size()) return Fail("${filter_line_empty}");
    FilterLine f = Started();
    const std::string state = Upper(tokens_[i++]);
    if (state != "ON" && state != "OFF") return Fail("${filter_on_off}", {state});
    f.on = state == "ON";
    if (i >= tokens_.size()) return Fail("${filter_no_type}");
    f.type = Upper(tokens_[i++]);
    if (f.type == "NONE") return;  // REW's unused slot
    // Coefficients of another program's design, at a rate the text does not give: kept as
    // a filter the bands cannot hold.
    if (f.type == "IIR") {
      out_.filters.push_back(std::move(f));
      return;
    }
    if ((f.type == "LS" || f.type == "HS") && i < tokens_.size() &&
        Upper(tokens_[i]).ends_with("DB") && IsDigit(tokens_[i][0])) {
      f.type += " " + Upper(tokens_[i++]);
    }
    while (i < tokens_.size()) {
      const std::string key = Upper(tokens_[i++]);
      if (key == "FC") {
        f.fc = NumberAt(i++, "Fc");
        if (i < tokens_.size() && Upper(tokens_[i]) == "HZ") ++i;
      } else if (key == "GAIN") {
        f.gain = NumberAt(i++, "Gain");
        if (i < tokens_.size() && Upper(tokens_[i]) == "DB") ++i;
      } else if (key == "Q") {
        f.q = NumberAt(i++, "Q");
      } else if (key == "BW" && i < tokens_.size() && Upper(tokens_[i]) == "OCT") {
        f.bw_oct = NumberAt(i + 1, "BW Oct");
        i += 2;
      } else {
        return Fail("${filter_unknown_word}", {key});
      }
      if (!out_.error.empty()) return;
    }
    if (!f.fc) return Fail("${filter_no_fc}");
    out_.filters.push_back(std::move(f));
  }

  bool ReadTableHeader() {
    RewTable t;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      const std::string name = Upper(tokens_[i]);
      if (name == "ENABLED") t.enabled = static_cast<int>(i);
      if (name == "TYPE") t.type = static_cast<int>(i);
      if (name.starts_with("FREQUENCY")) t.freq = static_cast<int>(i);
      if (name.starts_with("GAIN")) t.gain = static_cast<int>(i);
      if (name == "Q") t.q = static_cast<int>(i);
    }
    if (!t.Complete()) return false;
    table_ = t;
    return true;
  }

  void ReadTableRow() {
    const auto at = [&](int column) -> std::optional<std::string_view> {
      if (column < 0 || static_cast<std::size_t>(column) >= tokens_.size()) return std::nullopt;
      return tokens_[static_cast<std::size_t>(column)];
    };
    FilterLine f = Started();
    const auto enabled = at(table_.enabled);
    const auto type = at(table_.type);
    if (!enabled || !type) return Fail("${filter_no_type}");
    const std::string state = Upper(*enabled);
    if (state != "TRUE" && state != "FALSE") return Fail("${filter_on_off}", {state});
    f.on = state == "TRUE";
    for (const char c : Upper(*type)) {
      if (c != '_') f.type += c;
    }
    if (f.type == "NONE") return;
    if (f.type == "NOTCH") f.type = "NO";
    f.fc = NumberAt(static_cast<std::size_t>(table_.freq), "Fc");
    if (!out_.error.empty()) return;
    if (at(table_.gain)) f.gain = NumberAt(static_cast<std::size_t>(table_.gain), "Gain");
    if (at(table_.q)) f.q = NumberAt(static_cast<std::size_t>(table_.q), "Q");
    if (out_.error.empty()) out_.filters.push_back(std::move(f));
  }

  // "GraphicEQ: 25 -2; 40 4": frequency and gain pairs, the response between them drawn
  // straight on the log-frequency axis.
  void ReadGraphicEq() {
    FilterLine f = Started();
    f.type = "GRAPHICEQ";
    for (std::size_t i = 1; i + 1 < tokens_.size(); i += 2) {
      std::string_view gain = tokens_[i + 1];
      if (gain.ends_with(';')) gain.remove_suffix(1);
      const auto freq = NumberOf(tokens_[i], "GraphicEQ");
      const auto level = freq ? NumberOf(gain, "GraphicEQ") : std::nullopt;
      if (!freq || !level) return;
      f.points.emplace_back(*freq, *level);
    }
    out_.filters.push_back(std::move(f));
  }

  FilterText& out_;
  RewTable& table_;
  int line_;
  std::vector<std::string_view> tokens_;
};

// Fixed width, right-aligned, as REW lays its columns out.
std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// At most `places` decimals, trailing zeros dropped: what the unit reports (2.2999992) is
// written as the step it stands for (2.3).
std::string Decimals(double value, int places) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", places, value);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text == "-0" ? "0" : text;
}

std::string WithDecimal(std::string text) {
  if (text.find('.') == std::string::npos) text += ".0";
  return text;
}

constexpr int kGainPlaces = 2;
constexpr int kQPlaces = 3;

// What the unit plays of a band (its steps), as the cookbook filter that plays the same.
struct CookbookPeaking {
  int freq = 1000;
  double gain = 0.0, q = 1.0;
};
CookbookPeaking AsCookbook(const ExportedBand& b) {
  CookbookPeaking c;
  c.freq = b.freq;
  c.gain = GainStepOf(b.gain) / 10.0;
  c.q = CookbookQFromUnitQ(b.freq, c.gain, QStepOf(b.q) / 10.0);
  return c;
}

constexpr std::array<const char*, 4> kFamilies{"-", "Butterworth", "Linkwitz-Riley", "Bessel"};

std::string FilterComment(const char* side, const FilterSettings& f) {
  if (f.slope <= 0) return std::string("# ") + side + ": off";
  const char* family = f.type >= 1 && f.type <= 3 ? kFamilies[f.type] : kFamilies[1];
  return std::string("# ") + side + ": " + family + " " + std::to_string(f.fs) + " Hz " +
         std::to_string(f.slope * 6) + " dB/oct (the unit's crossover; not a filter line)";
}

}  // namespace

FilterText ParseFilterText(std::string_view text) {
  FilterText out;
  // Notepad's UTF-8 mark would hide the first line, and with it a filter.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  bool recognised = false;
  RewTable table;
  ForEachLine(text, [&](int number, std::string_view line) {
    std::vector<std::string_view> tokens = SplitTokens(line, " \t");
    if (!tokens.empty()) {
      // Header lines alone (a "Notes:" line over rows of another layout) are no filter text.
      recognised = tokens[0].front() == '#' ||
                   LineReader(out, table, number, std::move(tokens)).Read() ==
                       LineReader::Kind::kContent ||
                   recognised;
    }
    return out.error.empty();
  });
  // An empty file or one of another kind would otherwise read as "no filters": a flat output.
  if (out.error.empty() && !recognised) out.error = {0, "${filter_text_unknown}"};
  return out;
}

std::vector<std::string> FilterChannelNames(const FilterText& text) {
  std::vector<std::string> names;
  for (const auto& block : text.blocks) {
    for (const std::string& name : block) {
      if (Upper(name) == "ALL") continue;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return names;
}

std::optional<double> ChannelFilters::Preamp() const {
  std::optional<double> sum;
  for (const TextCommand& c : commands) {
    if (c.preamp) sum = sum.value_or(0.0) + *c.preamp;
  }
  return sum;
}

std::optional<ChannelFilters> FiltersForChannel(const FilterText& text, const std::string& name,
                                                TextProblem* error) {
  const std::vector<std::string> names = FilterChannelNames(text);
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  if (name.empty() && names.size() > 1) {
    if (error) *error = {0, "${filter_several_channels}", {list}};
    return std::nullopt;
  }
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
    if (error) {
      *error = names.empty() ? TextProblem{0, "${filter_no_channel_named}", {name}}
                             : TextProblem{0, "${filter_no_channel}", {name, list}};
    }
    return std::nullopt;
  }
  const auto applies = [&](int index) {
    const auto& block = text.blocks[static_cast<std::size_t>(index)];
    return index == 0 || name.empty() ||
           std::any_of(block.begin(), block.end(),
                       [&](const std::string& n) { return n == name || Upper(n) == "ALL"; });
  };
  ChannelFilters out;
  for (const FilterLine& f : text.filters) {
    if (applies(f.block)) out.filters.push_back(f);
  }
  std::string included;
  for (const TextCommand& c : text.commands) {
    if (!applies(c.block)) continue;
    out.commands.push_back(c);
    if (!c.include.empty()) included += (included.empty() ? "" : ", ") + c.include;
  }
  // Read as "no filters", a file that only includes others would flatten the output.
  if (out.filters.empty() && !included.empty()) {
    if (error) *error = {0, "${filter_only_includes}", {included}};
    return std::nullopt;
  }
  return out;
}

std::vector<ExportedBand> ActiveBands(const ChannelSettings& channel) {
  std::vector<ExportedBand> bands;
  if (channel.bypass == 1) return bands;
  for (int b = 0; b < std::clamp(channel.eqSize, 0, kEqBands); ++b) {
    const EqBand& band = channel.eqArray[b];
    if (band.enable != 1 || GainStepOf(band.eqGain) == 0) continue;
    bands.push_back({band.freq, band.eqGain, band.eqFactor});
  }
  return bands;
}

std::vector<std::string> CrossoverComments(const Crossover& crossover) {
  return {FilterComment("high-pass", crossover.hp), FilterComment("low-pass", crossover.lp)};
}

std::string WriteFilterText(FilterTextFormat format, const std::vector<ExportedBand>& bands,
                            const std::vector<std::string>& comments, std::string_view title) {
  std::string text;
  if (format == FilterTextFormat::kApo) {
    text += "# " + std::string(title) + "\n";
    for (const std::string& c : comments) text += c + "\n";
    int n = 0;
    for (const ExportedBand& band : bands) {
      const CookbookPeaking b = AsCookbook(band);
      text += "Filter " + std::to_string(++n) + ": ON PK Fc " + std::to_string(b.freq) +
              " Hz Gain " + Decimals(b.gain, kGainPlaces) + " dB Q " + Decimals(b.q, kQPlaces) + "\n";
    }
    return text;
  }
  text += "Filter Settings file\n\nTolva DSP Audio\n\nNotes:" + std::string(title) +
          "\n\nEqualiser: Generic\n";
  int n = 0;
  for (const ExportedBand& band : bands) {
    const CookbookPeaking b = AsCookbook(band);
    text += "Filter " + Padded(std::to_string(++n), 2) + ": ON  PK       Fc " +
            Padded(std::to_string(b.freq), 7) + " Hz  Gain " +
            Padded(WithDecimal(Decimals(b.gain, kGainPlaces)), 5) + " dB  Q " +
            Padded(WithDecimal(Decimals(b.q, kQPlaces)), 6) + "\n";
  }
  for (const std::string& c : comments) text += c + "\n";
  return text;
}

}  // namespace tolva::model
