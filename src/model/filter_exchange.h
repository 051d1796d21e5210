#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/profile.h"
#include "model/text_problem.h"

// Filter text shared with other equalizer programs: Equalizer APO configuration text and REW's
// "filter settings" text. Reading and writing strings only; no files, no unit.
namespace tolva::model {

enum class FilterTextFormat { kApo, kRew };

// One "Filter n:" line as written. The type is kept as the file spells it (upper case), so that
// what cannot be held can be named.
struct FilterLine {
  int line = 0;  // 1-based, for messages
  bool on = true;
  std::string type;  // "PK", "HP", "LS 6DB", ...
  std::optional<double> fc, gain, q, bw_oct;
  int block = 0;  // index into FilterText::blocks
};

struct FilterText {
  // blocks[0] holds the lines before any "Channel:" line (they apply to every channel); each
  // "Channel:" line opens the next block with its channel names.
  std::vector<std::vector<std::string>> blocks{{}};
  std::vector<FilterLine> filters;  // "ON" and "OFF" lines, "None" slots left out
  std::optional<double> preamp;
  std::vector<TextProblem> ignored;  // commands read and not applied, one message each
  TextProblem error;                 // the whole text is refused when set
};

FilterText ParseFilterText(std::string_view text);

// The channel names the "Channel:" lines use, in order of appearance, "all" left out.
std::vector<std::string> FilterChannelNames(const FilterText& text);
// The lines that apply to the named channel (any name when the file has at most one); empty
// name: the file must name at most one channel. nullopt, with *error set, otherwise.
std::optional<std::vector<FilterLine>> FiltersForChannel(const FilterText& text,
                                                         const std::string& name,
                                                         TextProblem* error);

// A band as written: the model's values, unrounded.
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
