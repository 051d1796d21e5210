// get and set: the live settings by their profile-file keys. set calls the editing operations
// the window calls, with the values the window reads from the same text, so it clamps, follows
// the linked partner and sends exactly what the window sends.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "model/edits/edit_rules.h"
#include "model/edits/screen_text.h"
#include "model/files/profile_diff.h"
#include "model/interchange/text_lines.h"
#include "model/interchange/text_problem.h"
#include "model/manager/editing/editing_core.h"
#include "model/profile/input_sources.h"
#include "model/profile/output_links.h"
#include "model/profile/speaker_roles.h"

namespace tolva::cli {
namespace {

enum class Field {
  kMainVolume,
  kMainMute,
  kSource,
  kGain,
  kMute,
  kPhase,
  kDelay,
  kCornerFs,
  kCornerType,
  kCornerSlope,
  kBandFreq,
  kBandQ,
  kBandGain,
  kBandEnable,
  kRole,
};

struct Assignment {
  Field field = Field::kMainVolume;
  int channel = -1;
  int band = -1;
  bool high_pass = true;
  std::string key;
  std::string value;  // as the window's edit reads it; already checked to be a number
  double number = 0.0;
};

std::vector<std::string> Split(const std::string& key) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = key.find('/', start);
    parts.push_back(key.substr(start, slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

std::optional<double> Number(const std::string& text) {
  double value = 0.0;
  const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
  const auto [end, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> Index(const std::string& text, int count) {
  int value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value >= count) {
    return std::nullopt;
  }
  return value;
}

// "1K2" or "2k": the window's frequency edits read the letter as the point of thousands.
bool IsKiloText(const std::string& text) {
  const std::size_t k = text.find_first_of("kK");
  const auto digits = [&](std::size_t from, std::size_t to) {
    return text.find_first_not_of("0123456789", from) >= to;
  };
  return k != std::string::npos && k > 0 && digits(0, k) && digits(k + 1, text.size());
}

// The hertz "1K25" stands for, every digit counted (1250); a fraction of a hertz is kept, so
// that the note names the whole hertz the window holds.
std::optional<double> KiloNumber(std::string text) {
  text[text.find_first_of("kK")] = '.';
  const auto number = Number(text);
  return number ? std::optional<double>(*number * 1000.0) : std::nullopt;
}

// The number as the window's edits read it (they stop at an exponent: "1e3" would be 1).
std::string PlainText(double value) {
  char text[400];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return ec == std::errc() ? std::string(text, end) : std::string("0");
}

bool IsWhole(double value, double low, double high) {
  return value == std::trunc(value) && value >= low && value <= high;
}

// "bt" or "2" as a source index.
std::optional<int> SourceIndex(const std::string& text) {
  for (int i = 0; i < model::kInputSources; ++i) {
    if (model::SourceInfo(i).name == text) return i;
  }
  return Index(text, model::kInputSources);
}

class AssignmentParser {
 public:
  // nullopt with the reason in error_.
  std::optional<Assignment> Parse(const std::string& word) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos) return Fail("\"" + word + "\" is not KEY=VALUE");
    key_ = word.substr(0, eq);
    a_.key = key_;
    a_.value = word.substr(eq + 1);
    if (!Key(Split(key_))) return std::nullopt;
    if (a_.field == Field::kSource) {
      const auto source = SourceIndex(a_.value);
      if (!source) {
        return Fail(key_ + ": \"" + a_.value +
                    "\" is no source (0-6 or opt, coax, bt, aux, low, hi, dmp)");
      }
      a_.number = *source;
      return a_;
    }
    const bool frequency = a_.field == Field::kBandFreq || a_.field == Field::kCornerFs;
    const bool kilo = frequency && IsKiloText(a_.value);
    const auto number = kilo ? KiloNumber(a_.value) : Number(a_.value);
    if (!number && model::IsCommaDecimal(a_.value)) {
      return Fail(key_ + ": " + model::English(model::CommaDecimalProblem(0, a_.value)));
    }
    if (!number) return Fail(key_ + ": \"" + a_.value + "\" is not a number");
    a_.number = *number;
    if (!kilo) a_.value = PlainText(*number);
    // Choices are refused rather than guessed: the window offers no other item.
    switch (a_.field) {
      case Field::kRole:
        if (!IsWhole(*number, 0, model::kSpeakerRoles - 1)) {
          return Fail(key_ + ": a speaker role is 0 … " + std::to_string(model::kSpeakerRoles - 1));
        }
        break;
      case Field::kMainMute:
      case Field::kMute:
      case Field::kPhase:
      case Field::kBandEnable:
        if (!IsWhole(*number, 0, 1)) return Fail(key_ + ": \"" + a_.value + "\" is not 0 or 1");
        break;
      case Field::kCornerType:
        if (!IsWhole(*number, 1, 3)) {
          return Fail(key_ + ": the family is 1 Butterworth, 2 Linkwitz-Riley or 3 Bessel");
        }
        break;
      case Field::kCornerSlope:
        if (!IsWhole(*number, 0, model::kMaxSlope)) {
          return Fail(key_ + ": the slope is 0 (off) … " + std::to_string(model::kMaxSlope));
        }
        break;
      default:
        break;
    }
    return a_;
  }
  const std::string& Error() const { return error_; }
  bool KnowsKey(const std::string& key) {
    key_ = key;
    return Key(Split(key));
  }

 private:
  std::nullopt_t Fail(const std::string& why) {
    error_ = why;
    return std::nullopt;
  }
  bool Unknown() {
    Fail("unknown key \"" + key_ + "\"");
    return false;
  }
  bool OutOfRange(const std::string& what, int count) {
    Fail(key_ + ": " + what + " is 0 … " + std::to_string(count - 1));
    return false;
  }

  bool Key(const std::vector<std::string>& p) {
    if (p.size() == 1) {
      if (p[0] == "mainVolume") return Set(Field::kMainVolume);
      if (p[0] == "mainVolumeMute") return Set(Field::kMainMute);
      if (p[0] == "source") return Set(Field::kSource);
      return Unknown();
    }
    if (p[0] == "outputs" && p.size() == 2) {
      const auto ch = Index(p[1], model::kOutputChannels);
      if (!ch) return OutOfRange("the output", model::kOutputChannels);
      a_.channel = *ch;
      return Set(Field::kRole);
    }
    if (p[0] != "channels" || p.size() < 3) return Unknown();
    const auto ch = Index(p[1], model::kOutputChannels);
    if (!ch) return OutOfRange("the channel", model::kOutputChannels);
    a_.channel = *ch;
    if (p.size() == 3) {
      if (p[2] == "gain") return Set(Field::kGain);
      if (p[2] == "mute") return Set(Field::kMute);
      if (p[2] == "phase") return Set(Field::kPhase);
      if (p[2] == "delay") return Set(Field::kDelay);
      return Unknown();
    }
    if (p[2] == "crossover" && p.size() == 5 && (p[3] == "hp" || p[3] == "lp")) {
      a_.high_pass = p[3] == "hp";
      if (p[4] == "fs") return Set(Field::kCornerFs);
      if (p[4] == "type") return Set(Field::kCornerType);
      if (p[4] == "slope") return Set(Field::kCornerSlope);
      return Unknown();
    }
    if (p[2] == "eqArray" && p.size() == 5) {
      const auto band = Index(p[3], model::kEqBands);
      if (!band) return OutOfRange("the band", model::kEqBands);
      a_.band = *band;
      if (p[4] == "freq") return Set(Field::kBandFreq);
      if (p[4] == "eqFactor") return Set(Field::kBandQ);
      if (p[4] == "eqGain") return Set(Field::kBandGain);
      if (p[4] == "enable") return Set(Field::kBandEnable);
    }
    return Unknown();
  }
  bool Set(Field field) {
    a_.field = field;
    return true;
  }

  Assignment a_;
  std::string key_;
  std::string error_;
};

int ComboIndex(double number) {
  return static_cast<int>(std::lround(number));
}

// The values a band row shows for its stored band: the window takes the other two boxes as
// they read when one is typed into (Q to hundredths, the gain 0 dB while the band is silent).
model::BandValues ShownBand(const model::ChannelSettings& ch, int band) {
  const model::EqBand& b = ch.eqArray[band];
  return {b.freq, static_cast<float>(model::ParseReal(model::FormatNumber("%.2f", b.eqFactor))),
          static_cast<float>(model::ShownGainTenths(ch, band)) / 10.0f};
}

// One assignment as the editing operation the window calls for it, its text read by the
// window's rules ("1K2", whole decibels, milliseconds).
model::EditResult Apply(model::EqualizerManager& m, const Assignment& a) {
  model::EditingCore& edit = m.Editing();
  const int ch = a.channel;
  const bool on = a.number != 0.0;
  switch (a.field) {
    case Field::kMainVolume:
      return edit.SetMainVolume(model::ParseReal(a.value));
    case Field::kMainMute:
      return edit.SetMainMute(on);
    case Field::kSource:
      return edit.SetSource(ComboIndex(a.number));
    case Field::kGain:
      return edit.SetOutputGain(ch, model::ParseReal(a.value));
    case Field::kMute:
      return edit.SetMute(ch, on);
    case Field::kPhase:
      return edit.SetPhase(ch, on);
    case Field::kDelay:
      return edit.SetDelay(
          ch, model::DelayMsFromEdit(model::ParseReal(a.value),
                                     static_cast<int>(model::DelayUnit::kMilliseconds)));
    case Field::kRole:
      return edit.SetRole(ch, ComboIndex(a.number));
    case Field::kCornerFs:
      return edit.SetCorner(ch, a.high_pass, model::ParseFrequency(a.value));
    case Field::kCornerType:
    case Field::kCornerSlope:
      return edit.SetFilterCode(ch, a.high_pass, a.field == Field::kCornerSlope,
                                ComboIndex(a.number));
    case Field::kBandEnable:
      return edit.SetBandEnabled(ch, a.band, on);
    case Field::kBandFreq:
    case Field::kBandQ:
    case Field::kBandGain:
      break;
  }
  model::BandValues v = ShownBand(m.LiveProfile().channels[ch], a.band);
  if (a.field == Field::kBandFreq) v.freq = model::ParseFrequency(a.value);
  if (a.field == Field::kBandQ) v.q = static_cast<float>(model::ParseReal(a.value));
  if (a.field == Field::kBandGain) v.gain = static_cast<float>(model::ParseReal(a.value));
  return edit.SetBand(ch, a.band, v);
}

// What the edit held elsewhere than asked. A frequency is read to the whole hertz ("1K2345" is
// 1235), so a note on it names the value as the script wrote it.
std::vector<model::ClampNote> NotesOf(const Assignment& a, const model::EditResult& r) {
  std::vector<model::ClampNote> notes = r.notes;
  if (a.field != Field::kBandFreq && a.field != Field::kCornerFs) return notes;
  const double hz = model::ParseFrequency(a.value);
  if (hz == a.number) return notes;
  for (model::ClampNote& n : notes) {
    if (n.value == "frequency" || n.value == "corner") {
      n.asked = a.number;
      return notes;
    }
  }
  notes.push_back({"frequency", a.number, hz});
  return notes;
}

struct HeldNote {
  std::string key;
  model::ClampNote note;
};

// Each note in the window's words: on standard error, or with --json as the "notes" array.
void PrintNotes(const std::vector<HeldNote>& notes, bool json) {
  const std::string pattern = EnglishText("${value_held}");
  if (!json) {
    for (const HeldNote& n : notes) {
      std::fprintf(stderr, "note: %s: %s\n", n.key.c_str(),
                   model::HeldValueText(pattern, n.note).c_str());
    }
    return;
  }
  std::string out = "{\"notes\":[";
  for (const HeldNote& n : notes) {
    if (out.back() != '[') out += ",";
    out += "{\"key\":" + JsonString(n.key) + ",\"value\":" + JsonString(n.note.value) +
           ",\"asked\":" + model::FormatNumber("%.17g", n.note.asked) +
           ",\"held\":" + model::FormatNumber("%.17g", n.note.held) +
           ",\"text\":" + JsonString(model::HeldValueText(pattern, n.note)) + "}";
  }
  std::printf("%s]}\n", out.c_str());
}

}  // namespace

bool IsSettableKey(const std::string& key) {
  return AssignmentParser().KnowsKey(key);
}

int RunGet(const DeviceOptions& device, const std::string& key) {
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  const model::Profile& live = session.Manager().LiveProfile();
  // The source is set like any key, though no profile file holds it.
  const auto value = key == "source" ? std::optional(std::to_string(live.source))
                                     : model::ProfileValueAt(live, key);
  if (!value) {
    std::fprintf(stderr, "tolva-dsp-cli get: unknown key \"%s\"\n", key.c_str());
    return kExitFailed;
  }
  std::printf("%s\n", value->c_str());
  return kExitOk;
}

int RunSet(const DeviceOptions& device, const std::vector<std::string>& assignments, bool json) {
  // Every assignment is checked before the unit is even opened: a typo sends nothing.
  std::vector<Assignment> parsed;
  for (const std::string& word : assignments) {
    AssignmentParser parser;
    const auto a = parser.Parse(word);
    if (!a) {
      std::fprintf(stderr, "tolva-dsp-cli set: %s; nothing was sent\n", parser.Error().c_str());
      return kExitFailed;
    }
    parsed.push_back(*a);
  }
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& manager = session.Manager();
  const model::Profile& live = manager.LiveProfile();
  // The output menu offers only the roles no other output's speaker already covers.
  auto roles = std::make_unique<model::Profile>(live);
  for (const Assignment& a : parsed) {
    // The window disables the role buttons while the outputs are locked (and linked ones are).
    if (a.field == Field::kRole && live.lockMode != 0) {
      std::fprintf(stderr,
                   "tolva-dsp-cli set: %s: the unit's outputs are locked, so their roles cannot "
                   "change; nothing was sent\n",
                   a.key.c_str());
      return kExitFailed;
    }
    if (a.band >= 0 && a.band >= live.channels[a.channel].eqSize) {
      std::fprintf(stderr, "tolva-dsp-cli set: output %d has %d bands; nothing was sent\n",
                   a.channel, live.channels[a.channel].eqSize);
      return kExitFailed;
    }
    if (a.field != Field::kRole) continue;
    const int role = static_cast<int>(a.number);
    if (!model::IsRoleAvailable(*roles, role, a.channel)) {
      std::fprintf(stderr,
                   "tolva-dsp-cli set: %s: another output already has role %d's speaker; "
                   "nothing was sent\n",
                   a.key.c_str(), role);
      return kExitFailed;
    }
    roles->outputs[a.channel] = role;
  }
  std::vector<HeldNote> notes;
  const model::UnitOutcome outcome = session.SendEdits([&] {
    for (const Assignment& a : parsed) {
      for (const model::ClampNote& n : NotesOf(a, Apply(manager, a))) notes.push_back({a.key, n});
    }
  });
  PrintNotes(notes, json);
  return ExitCodeOf(outcome, "The settings were not all applied on the unit");
}

}  // namespace tolva::cli
