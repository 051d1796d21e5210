#include "model/filter_exchange.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "model/text_lines.h"

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

class LineReader {
 public:
  LineReader(FilterText& out, int line, std::vector<std::string_view> tokens)
      : out_(out), line_(line), tokens_(std::move(tokens)) {}

  // False for a line that is none of the formats' own (prose, REW's version line).
  bool Read() {
    const std::string first = Upper(tokens_[0]);
    if (first.starts_with("FILTER")) return ReadFilter(first);
    if (first == "PREAMP:") {
      const auto gain = NumberAt(1, "Preamp");
      if (gain) out_.preamp = out_.preamp.value_or(0.0) + *gain;
      return true;
    }
    if (first == "CHANNEL:") {
      std::vector<std::string> names;
      for (std::size_t i = 1; i < tokens_.size(); ++i) names.emplace_back(tokens_[i]);
      out_.blocks.push_back(std::move(names));
      return true;
    }
    if (first == "GRAPHICEQ:") {
      ReadGraphicEq();
      return true;
    }
    // REW's header lines carry nothing the unit needs.
    for (const char* header : {"DATED:", "NOTES:", "EQUALISER:", "EQUALIZER:"}) {
      if (first.starts_with(header)) return true;
    }
    if (first.ends_with(':')) {
      Ignore(tokens_[0]);
      return true;
    }
    return false;
  }

 private:
  void Fail(const char* key, std::vector<std::string> values = {}) {
    if (out_.error.empty()) out_.error = {line_, key, std::move(values)};
  }
  void Ignore(std::string_view command) {
    out_.ignored.push_back({line_, "${filter_command_ignored}", {std::string(command)}});
  }

  std::optional<double> NumberAt(std::size_t i, const char* what) {
    if (i >= tokens_.size()) {
      Fail("${filter_no_value}", {what});
      return std::nullopt;
    }
    const std::string_view token = tokens_[i];
    if (IsCommaDecimal(token)) {
      if (out_.error.empty()) out_.error = CommaDecimalProblem(line_, token);
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

  void ReadFilterFields(std::size_t i) {
    if (i >= tokens_.size()) return Fail("${filter_line_empty}");
    FilterLine f;
    f.line = line_;
    f.block = static_cast<int>(out_.blocks.size()) - 1;
    const std::string state = Upper(tokens_[i++]);
    if (state != "ON" && state != "OFF") return Fail("${filter_on_off}", {state});
    f.on = state == "ON";
    if (i >= tokens_.size()) return Fail("${filter_no_type}");
    f.type = Upper(tokens_[i++]);
    if (f.type == "NONE") return;  // REW's unused slot
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

  // "GraphicEQ: 25 -2; 40 4": the bands' GEQ grid differs; kept as one filter the import names.
  void ReadGraphicEq() {
    FilterLine f;
    f.line = line_;
    f.block = static_cast<int>(out_.blocks.size()) - 1;
    f.type = "GRAPHICEQ";
    double largest = 0.0;
    for (std::size_t i = 2; i < tokens_.size(); i += 2) {
      std::string gain(tokens_[i]);
      if (!gain.empty() && gain.back() == ';') gain.pop_back();
      if (const auto g = ParseNumberToken(gain)) largest = std::max(largest, std::fabs(*g));
    }
    f.gain = largest;
    f.fc = 1000.0;
    out_.filters.push_back(std::move(f));
  }

  FilterText& out_;
  int line_;
  std::vector<std::string_view> tokens_;
};

// Fixed width, right-aligned, as REW lays its columns out.
std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// At most `places` decimals, trailing zeros dropped: what the unit reports (2.2999992) is
// written as the step it stands for (2.3).
std::string Decimals(float value, int places) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", places, static_cast<double>(value));
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
  ForEachLine(text, [&](int number, std::string_view line) {
    std::vector<std::string_view> tokens = SplitTokens(line, " \t");
    if (!tokens.empty()) {
      recognised = tokens[0].front() == '#' ||
                   LineReader(out, number, std::move(tokens)).Read() || recognised;
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

std::optional<std::vector<FilterLine>> FiltersForChannel(const FilterText& text,
                                                         const std::string& name,
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
  std::vector<FilterLine> lines;
  for (const FilterLine& f : text.filters) {
    const auto& block = text.blocks[static_cast<std::size_t>(f.block)];
    const bool applies = f.block == 0 || name.empty() ||
                         std::any_of(block.begin(), block.end(), [&](const std::string& n) {
                           return n == name || Upper(n) == "ALL";
                         });
    if (applies) lines.push_back(f);
  }
  return lines;
}

std::vector<ExportedBand> ActiveBands(const ChannelSettings& channel) {
  std::vector<ExportedBand> bands;
  if (channel.bypass == 1) return bands;
  for (int b = 0; b < std::clamp(channel.eqSize, 0, kEqBands); ++b) {
    const EqBand& band = channel.eqArray[b];
    if (band.enable != 1 || band.eqGain == 0.0f) continue;
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
    for (const ExportedBand& b : bands) {
      text += "Filter " + std::to_string(++n) + ": ON PK Fc " + std::to_string(b.freq) +
              " Hz Gain " + Decimals(b.gain, kGainPlaces) + " dB Q " + Decimals(b.q, kQPlaces) + "\n";
    }
    return text;
  }
  text += "Filter Settings file\n\nTolva DSP Audio\n\nNotes:" + std::string(title) +
          "\n\nEqualiser: Generic\n";
  int n = 0;
  for (const ExportedBand& b : bands) {
    text += "Filter " + Padded(std::to_string(++n), 2) + ": ON  PK       Fc " +
            Padded(std::to_string(b.freq), 7) + " Hz  Gain " +
            Padded(WithDecimal(Decimals(b.gain, kGainPlaces)), 5) + " dB  Q " +
            Padded(WithDecimal(Decimals(b.q, kQPlaces)), 6) + "\n";
  }
  for (const std::string& c : comments) text += c + "\n";
  return text;
}

}  // namespace tolva::model
