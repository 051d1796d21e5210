#include "model/files/difference_text.h"

#include <charconv>
#include <string_view>

#include "base/language_tables.h"
#include "model/profile/input_sources.h"
#include "model/profile/polarity.h"
#include "model/files/profile_diff.h"
#include "model/profile/scene_names.h"
#include "model/edits/screen_text.h"

namespace tolva::model {
namespace {

std::vector<std::string_view> Split(std::string_view key) {
  std::vector<std::string_view> parts;
  while (!key.empty()) {
    const std::size_t slash = key.find('/');
    parts.push_back(key.substr(0, slash));
    key = slash == std::string_view::npos ? std::string_view{} : key.substr(slash + 1);
  }
  return parts;
}

// -1 for a part that is not a number.
int IndexOf(std::string_view part) {
  int value = -1;
  const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
  return ec == std::errc() && end == part.data() + part.size() ? value : -1;
}

std::string Text(std::string_view placeholder) {
  return Languages().Resolve(placeholder);
}

std::string Filled(std::string_view placeholder, std::initializer_list<std::string_view> values) {
  return FillPlaceholders(Text(placeholder), values);
}

// Field names by the file's key (the last part of the path).
struct FieldName {
  std::string_view key;
  std::string_view text;
};
constexpr FieldName kChannelFields[] = {
    {"eqSize", "${diff_bands_in_use}"}, {"gain", "${diff_level}"}, {"mute", "${diff_mute}"},
    {"delay", "${diff_delay}"},         {"phase", "${diff_phase}"}, {"bypass", "${diff_eq_bypass}"},
};
constexpr FieldName kFilterFields[] = {
    {"fs", "${diff_frequency}"}, {"type", "${diff_family}"},
    {"slope", "${diff_slope}"},  {"bypass", "${diff_bypass}"},
};
constexpr FieldName kBandFields[] = {
    {"freq", "${diff_frequency}"}, {"eqFactor", "Q"},
    {"eqGain", "${diff_gain}"},    {"enable", "${diff_band_on}"},
};
constexpr FieldName kUnitFields[] = {
    {"model", "${diff_model}"},
    {"source", "${diff_source}"},
    {"mainVolume", "${diff_main_volume}"},
    {"subVolume", "${diff_sub_volume}"},
    {"mainVolumeMute", "${diff_main_mute}"},
    {"currChannel", "${diff_current_output}"},
    {"linkMode", "${diff_link}"},
    {"lockMode", "${diff_lock}"},
};

template <std::size_t N>
std::string NameIn(const FieldName (&fields)[N], std::string_view key, std::string_view fallback) {
  for (const FieldName& f : fields) {
    if (f.key == key) return Text(f.text);
  }
  return std::string(fallback);
}

std::string OutputName(const Profile& live, int output) {
  return Filled("${diff_output}", {std::to_string(output + 1),
                                   Text(RoleButtonLabel(live.outputs[output]))});
}

std::string RoleValue(const std::string& json) {
  const int role = IndexOf(json);
  return role >= 0 ? Text(RoleButtonLabel(role)) : json;
}

// A phase value as the output's polarity button reads it.
std::string PolarityValue(const std::string& json) {
  const int phase = IndexOf(json);
  if (phase < 0) return json;
  return Text(PolarityInverted(phase) ? "${reverse phase}" : "${positive_phase}");
}

// The field of a key below "channels/N/".
std::string ChannelField(const std::vector<std::string_view>& p, std::string_view key) {
  if (p.size() == 3) return NameIn(kChannelFields, p[2], key);
  if (p[2] == "crossover" && p.size() >= 4) {
    if (p[3] == "bpType") return Text("${diff_crossover_kind}");
    const char* side = p[3] == "hp" ? "${diff_high_pass}" : "${diff_low_pass}";
    return Filled(side, {p.size() == 5 ? NameIn(kFilterFields, p[4], p[4]) : std::string()});
  }
  if (p[2] == "eqArray" && p.size() >= 4) {
    const std::string band = std::to_string(IndexOf(p[3]) + 1);
    return Filled("${diff_band}",
                  {band, p.size() == 5 ? NameIn(kBandFields, p[4], p[4]) : std::string()});
  }
  return std::string(key);
}

DifferenceRow Describe(const Profile& live, const ProfileDifference& d) {
  const std::vector<std::string_view> p = Split(d.key);
  DifferenceRow row{Text("${diff_unit}"), d.key, d.a, d.b};
  const int output = p.size() >= 2 ? IndexOf(p[p[0] == "inputs" && p.size() == 3 ? 2 : 1]) : -1;
  const bool per_output = output >= 0 && output < kOutputChannels;
  if (p.size() == 1) {
    row.field = NameIn(kUnitFields, p[0], d.key);
  } else if (p[0] == "channels" && per_output && p.size() >= 3) {
    row.output = OutputName(live, output);
    row.field = ChannelField(p, d.key);
    if (p.size() == 3 && p[2] == "phase") {
      row.live = PolarityValue(d.a);
      row.file = PolarityValue(d.b);
    }
  } else if (p[0] == "outputs" && per_output) {
    row.output = OutputName(live, output);
    row.field = Text("${diff_role}");
    row.live = RoleValue(d.a);
    row.file = RoleValue(d.b);
  } else if (p[0] == "linkOutputs" && per_output) {
    row.output = OutputName(live, output);
    row.field = Text("${diff_linked_with}");
  } else if (p[0] == "showChEqualizer" && per_output) {
    row.output = OutputName(live, output);
    row.field = Text("${diff_curve_shown}");
  } else if (p[0] == "inputs" && per_output && p.size() == 3) {
    row.output = OutputName(live, output);
    const std::string source(SourceInfo(IndexOf(p[1])).name);
    row.field = Filled("${diff_routing}", {Text("${source_" + source + "}")});
  }
  return row;
}

}  // namespace

std::vector<DifferenceRow> DescribeDifferences(const Profile& live, const Profile& file) {
  std::vector<DifferenceRow> rows;
  for (const ProfileDifference& d : DiffProfiles(live, file)) rows.push_back(Describe(live, d));
  return rows;
}

}  // namespace tolva::model
