#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/profile/profile.h"
#include "model/interchange/text_problem.h"

// Filter text shared with other equalizer programs: Equalizer APO configuration text and REW's
// "filter settings" text. Reading and writing strings only; no files, no unit.
namespace tolva::model {

enum class FilterTextFormat { kApo, kRew };

// One "Filter n:" line as written. The type is kept as the file spells it (upper case), so that
// what cannot be held can be named.
struct FilterLine {
  int line = 0;  // 1-based, for messages
  bool on = true;
  std::string type;  // "PK", "HP", "LS 6DB", "GRAPHICEQ", "IIR", ...
  std::optional<double> fc, gain, q, bw_oct;
  std::vector<std::pair<double, double>> points;  // GraphicEQ: frequency, gain
  int block = 0;  // index into FilterText::blocks
};

// A command line that is not a filter: noted, or for Preamp also added up.
struct TextCommand {
  int block = 0;
  TextProblem note;
  std::optional<double> preamp;  // "Preamp:"
  std::string include;           // "Include:" the file named
};

struct FilterText {
  // blocks[0] holds the lines before any "Channel:" line (they apply to every channel); each
  // "Channel:" line opens the next block with its channel names.
  std::vector<std::vector<std::string>> blocks{{}};
  std::vector<FilterLine> filters;  // "ON" and "OFF" lines, "None" slots left out
  std::vector<TextCommand> commands;
  TextProblem error;  // the whole text is refused when set
};

FilterText ParseFilterText(std::string_view text);

// The channel names the "Channel:" lines use, in order of appearance, "all" left out.
std::vector<std::string> FilterChannelNames(const FilterText& text);

// What applies to one channel: its filter lines and the commands of its blocks.
struct ChannelFilters {
  std::vector<FilterLine> filters;
  std::vector<TextCommand> commands;
  std::optional<double> Preamp() const;
};
// The lines that apply to the named channel (any name when the file has at most one); empty
// name: the file must name at most one channel. nullopt, with *error set, otherwise, and when
// the channel's filters all sit in included files (named in the error).
std::optional<ChannelFilters> FiltersForChannel(const FilterText& text, const std::string& name,
                                                TextProblem* error);

// A band as the model holds it; written as the unit plays it (its steps), in the cookbook Q
// that plays the same.
struct ExportedBand {
  int freq = 1000;
  float gain = 0.0f;
  float q = 1.0f;
};

// The bands that change the sound: enabled, gain not 0, equalizer not bypassed; in band order.
std::vector<ExportedBand> ActiveBands(const ChannelSettings& channel);
// The crossover as "# ..." comment lines: neither format holds the unit's filter families.
std::vector<std::string> CrossoverComments(const Crossover& crossover);

// The text of one channel: comment lines, then one peaking filter line per band. `title` goes
// into REW's notes line and APO's first comment.
std::string WriteFilterText(FilterTextFormat format, const std::vector<ExportedBand>& bands,
                            const std::vector<std::string>& comments, std::string_view title);

}  // namespace tolva::model
