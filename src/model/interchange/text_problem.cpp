#include "model/interchange/text_problem.h"

#include <string_view>
#include <utility>

#include "base/language_tables.h"
#include "model/profile/scene_names.h"

namespace tolva::model {
namespace {

// The command line loads no language tables: its English is kept here, as in lan_en.xml.
constexpr std::pair<std::string_view, std::string_view> kEnglish[] = {
    {"${text_line}", "line %s: "},
    {"${text_line_subject}", "line %s (%s): "},
    {"${text_comma_decimal}",
     "\"%s\" is written with a decimal comma; only decimal points are read (write %s)"},
    {"${filter_no_value}", "%s has no value"},
    {"${filter_not_number}", "%s \"%s\" is not a number"},
    {"${filter_line_empty}", "the filter line is empty"},
    {"${filter_on_off}", "expected ON or OFF, found %s"},
    {"${filter_no_type}", "the filter has no type"},
    {"${filter_unknown_word}", "cannot read \"%s\" in a filter line"},
    {"${filter_no_fc}", "the filter has no Fc"},
    {"${filter_no_colon}", "the filter line has no colon after its number (Filter 1: ON PK …)"},
    {"${filter_text_unknown}", "the text holds no Equalizer APO or REW filter lines"},
    {"${filter_several_channels}", "the file has filters for several channels (%s); choose one"},
    {"${filter_no_channel}", "the file has no channel \"%s\" (it has %s)"},
    {"${filter_no_channel_named}", "the file has no channel \"%s\" (it names none)"},
    {"${measurement_columns}",
     "%s columns between commas; a line holds a frequency, a level and maybe a phase (decimal "
     "commas are not read)"},
    {"${measurement_no_level}", "expected a frequency and a level"},
    {"${measurement_frequency_zero}", "the frequency is not above 0 Hz"},
    {"${measurement_not_ascending}", "the frequencies do not ascend"},
    {"${measurement_too_few}", "the text holds fewer than two measured points"},
    {"${filter_command_ignored}", "%s is not applied"},
    {"${import_preamp_note}", "Preamp %s dB is not applied: the output's own gain is separate"},
    {"${import_off}", "OFF, not applied"},
    {"${import_no_q}", "no Q or BW Oct given"},
    {"${import_graphic_eq}", "a GraphicEQ curve"},
    {"${import_not_peaking}", "not a peaking filter"},
    {"${import_too_many}", "more peaking filters than the %s bands"},
    {"${import_fc_range}", "Fc %s Hz is outside 20 … 20000 Hz"},
    {"${import_gain_range}", "gain %s dB is outside -18 … +12 dB"},
    {"${import_unit_q_range}", "Q %s is the unit's Q %s, outside 0.5 … 9"},
    {"${import_reproduced}", "reproduced by the bands' response: %s"},
    {"${import_left_out}", "cannot hold: %s; left out"},
    {"${import_iir}", "IIR coefficients, for a sampling rate the text does not give"},
    {"${import_unknown_type}", "a filter type not known here"},
    {"${import_result}", "the output's bands against the file's curve, 20 Hz to 20 kHz: largest deviation %s dB at %s Hz, RMS %s dB; %s bands in use, %s changed"},
    {"${import_beyond_limit}", "the largest deviation, %s dB at %s Hz, is beyond the limit of %s dB"},
    {"${filter_thousands_dot}", "Fc \"%s\" may be written with a thousands dot (8.000 for 8000 Hz); write the frequency as digits alone"},
    {"${filter_only_includes}", "the filters are in the included files (%s); import those instead"},
    {"${import_note}", "note: %s"},
};

std::string_view EnglishPattern(std::string_view key) {
  for (const auto& [k, english] : kEnglish) {
    if (k == key) return english;
  }
  return key;
}

template <typename Pattern>
std::string Render(const TextProblem& problem, Pattern pattern) {
  std::string out;
  const std::string line = std::to_string(problem.line);
  if (problem.line > 0 && !problem.subject.empty()) {
    out = FillPlaceholders(pattern("${text_line_subject}"), {line, problem.subject});
  } else if (problem.line > 0) {
    out = FillPlaceholders(pattern("${text_line}"), {line});
  }
  return out + FillPlaceholders(pattern(problem.key), problem.values);
}

}  // namespace

std::string English(const TextProblem& problem) {
  return Render(problem, [](std::string_view key) { return std::string(EnglishPattern(key)); });
}

std::string InCurrentLanguage(const TextProblem& problem) {
  return Render(problem, [](std::string_view key) {
    const std::string text = Languages().Resolve(key);
    return text == key ? std::string(EnglishPattern(key)) : text;
  });
}

}  // namespace tolva::model
