#include "emulator/emulator_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

namespace tolva::emulator {
namespace {

std::optional<int> ParseCount(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v < 0) return std::nullopt;
  return v;
}

struct Option {
  const char* name;
  bool takes_value;
  // Returns false when the value is bad.
  std::function<bool(EmulatorOptions&, const std::string&)> apply;
  const char* help;
};

auto Count(int Faults::*field) {
  return [field](EmulatorOptions& o, const std::string& v) {
    const auto n = ParseCount(v);
    if (n) o.faults.*field = *n;
    return n.has_value();
  };
}

auto Key(std::optional<CommandKey> Faults::*field) {
  return [field](EmulatorOptions& o, const std::string& v) {
    const auto key = ParseCommandKey(v);
    if (key) o.faults.*field = key;
    return key.has_value();
  };
}

const std::vector<Option>& Options() {
  static const std::vector<Option> options = {
      {"--socket", true,
       [](EmulatorOptions& o, const std::string& v) {
         o.socket_path = v;
         return !v.empty();
       },
       "PATH   serve the report bridge on this Unix socket"},
      {"--state", true,
       [](EmulatorOptions& o, const std::string& v) {
         o.state_file = v;
         return !v.empty();
       },
       "FILE   keep the unit's memory in FILE across runs"},
      {"--latency", true, Count(&Faults::latency_ms), "MS    wait MS before each report sent"},
      {"--no-reply", true, Key(&Faults::no_reply), "C:S  never answer group C, sub S"},
      {"--bad-checksum", true, Key(&Faults::bad_checksum), "C:S  answer with a wrong checksum"},
      {"--split", true, Key(&Faults::split_reply), "C:S  split each reply over two reports"},
      {"--two-frames", true, Key(&Faults::two_frames),
       "C:S  put a status frame in the reply's report"},
      {"--not-ready", true, Key(&Faults::not_ready), "C:S  acknowledge NOT_READY, change nothing"},
      {"--abnormal-handshake", false,
       [](EmulatorOptions& o, const std::string&) {
         o.faults.abnormal_handshake = true;
         return true;
       },
       "     answer Hand_Connect with status 0xF0"},
      {"--model", true, Count(&Faults::model), "N       report model N (default 19)"},
      {"--unplug-after", true, Count(&Faults::unplug_after), "N  leave the bus after N reports"},
      {"--unsolicited", true, Count(&Faults::unsolicited_every),
       "N   send a karaoke value report after every N-th report"},
      {"--reboot-ms", true, Count(&Faults::reboot_ms),
       "MS  time off the bus after a factory default (default 3000)"},
      {"--irc-fail", true, Count(&Faults::irc_fail_code),
       "CODE  room-correction runs fail with CODE (0-5)"},
      {"--upgrade-hesitate", true, Count(&Faults::upgrade_not_ready_every),
       "N  answer every N-th upgrade block NOT_READY first"},
      {"--help", false,
       [](EmulatorOptions& o, const std::string&) {
         o.help = true;
         return true;
       },
       "               this list"},
  };
  return options;
}

}  // namespace

bool ParseEmulatorArgs(const std::vector<std::string>& args, EmulatorOptions& options,
                       std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const Option* found = nullptr;
    for (const Option& o : Options()) {
      if (name == o.name) found = &o;
    }
    if (!found) return fail("unknown option " + args[i]);
    if (found->takes_value && !value) {
      if (i + 1 >= args.size()) return fail(name + " needs a value");
      value = args[++i];
    }
    if (!found->takes_value && value) return fail(name + " takes no value");
    if (!found->apply(options, value.value_or(""))) return fail("bad value for " + name);
  }
  return true;
}

std::string EmulatorUsage() {
  std::string text =
      "usage: tolva-dsp-emulator --socket PATH [--state FILE] [options]\n"
      "C:S names a command by group and sub, e.g. 1:0x05, or 1:* for a whole group.\n";
  for (const Option& o : Options()) {
    // The help text of an option with a value starts with the value's name.
    std::string head = o.name, help = o.help;
    if (o.takes_value) {
      const auto space = help.find(' ');
      head += " " + help.substr(0, space);
      help = help.substr(space);
    }
    help.erase(0, help.find_first_not_of(' '));
    head.resize(std::max<std::size_t>(head.size() + 1, 24), ' ');
    text += "  " + head + help + "\n";
  }
  return text;
}

}  // namespace tolva::emulator
