#include "emulator/emulator_options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <optional>

#include "base/version.h"
#include "manual/cli11_outline.h"
#include "manual/manual_page.h"

namespace tolva::emulator {
namespace {

std::optional<int> ParseCount(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v < 0) return std::nullopt;
  return v;
}

// CLI11 reports a thrown ValidationError as "bad value" with the option's name.
void Count(CLI::App& app, const char* name, int Faults::*field, EmulatorOptions& o,
           const char* help) {
  app.add_option_function<std::string>(
         name,
         [&o, field](const std::string& v) {
           const auto n = ParseCount(v);
           if (!n) throw CLI::ValidationError("not a count: " + v);
           o.faults.*field = *n;
         },
         help)
      ->type_name("N");
}

void Key(CLI::App& app, const char* name, std::optional<CommandKey> Faults::*field,
         EmulatorOptions& o, const char* help) {
  app.add_option_function<std::string>(
         name,
         [&o, field](const std::string& v) {
           const auto key = ParseCommandKey(v);
           if (!key) throw CLI::ValidationError("not a command C:S: " + v);
           o.faults.*field = key;
         },
         help)
      ->type_name("C:S");
}

void NonEmpty(CLI::App& app, const char* name, std::string& target, const char* type,
              const char* help) {
  app.add_option(name, target, help)
      ->type_name(type)
      ->check(CLI::Validator(
          [](const std::string& v) { return v.empty() ? std::string("empty value") : ""; }, ""));
}

void Describe(CLI::App& app, EmulatorOptions& o) {
  app.description(
      "An emulated unit serving the report bridge.\n"
      "C:S names a command by group and sub, e.g. 1:0x05, or 1:* for a whole group.");
  app.set_help_flag("--help,-h", "this list");
  app.add_flag("--version", o.version, "the program version")->disable_flag_override();
  // In no group, so --help leaves it out: the build asks for it, users need not.
  app.add_flag("--manual-page", o.manual_page, "")->group("")->disable_flag_override();
  NonEmpty(app, "--socket", o.socket_path, "PATH", "serve the report bridge on this Unix socket");
  NonEmpty(app, "--state", o.state_file, "FILE", "keep the unit's memory in FILE across runs");
  Count(app, "--latency", &Faults::latency_ms, o, "wait N ms before each report sent");
  Key(app, "--no-reply", &Faults::no_reply, o, "never answer group C, sub S");
  Key(app, "--bad-checksum", &Faults::bad_checksum, o, "answer with a wrong checksum");
  Key(app, "--split", &Faults::split_reply, o, "split each reply over two reports");
  Key(app, "--two-frames", &Faults::two_frames, o, "put a status frame in the reply's report");
  Key(app, "--not-ready", &Faults::not_ready, o, "acknowledge NOT_READY, change nothing");
  app.add_flag("--abnormal-handshake", o.faults.abnormal_handshake,
               "answer Hand_Connect with status 0xF0")
      ->disable_flag_override();
  Count(app, "--model", &Faults::model, o, "report model N (default 19)");
  Count(app, "--unplug-after", &Faults::unplug_after, o, "leave the bus after N reports");
  Count(app, "--unsolicited", &Faults::unsolicited_every, o,
        "send a karaoke value report after every N-th report");
  Count(app, "--reboot-ms", &Faults::reboot_ms, o,
        "time off the bus after a factory default, in ms (default 3000)");
  Count(app, "--irc-fail", &Faults::irc_fail_code, o,
        "room-correction runs fail with code N (0-5)");
  Count(app, "--upgrade-hesitate", &Faults::upgrade_not_ready_every, o,
        "answer every N-th upgrade block NOT_READY first");
}

}  // namespace

bool ParseEmulatorArgs(const std::vector<std::string>& args, EmulatorOptions& options,
                       std::string* error) {
  CLI::App app("tolva-dsp-emulator", "tolva-dsp-emulator");
  Describe(app, options);
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    options.help = true;
  } catch (const CLI::ParseError& e) {
    if (error) *error = e.what();
    return false;
  }
  return true;
}

std::string EmulatorUsage() {
  EmulatorOptions scratch;
  CLI::App app("tolva-dsp-emulator", "tolva-dsp-emulator");
  Describe(app, scratch);
  return app.help();
}

std::string EmulatorVersion() {
  return std::string("tolva-dsp-emulator ") + kVersion;
}

std::string EmulatorManualPage() {
  EmulatorOptions scratch;
  CLI::App app("tolva-dsp-emulator", "tolva-dsp-emulator");
  Describe(app, scratch);
  manual::ManualPage page;
  page.command = manual::OutlineOf(app);
  page.summary = "an emulated Tolva DSP unit on a Unix socket";
  page.synopsis = {"--socket PATH [--state FILE] [fault options]"};
  page.description = {manual::ManualSection{
      "Description",
      {"tolva-dsp-emulator answers the unit's protocol as a unit does, from a memory of its "
       "settings and ten scenes, over the report bridge: a SOCK_SEQPACKET Unix socket carrying "
       "one HID report per message. tolva-dsp and tolva-dsp-cli use it with --device "
       "socket:PATH. With --state the memory is kept in a file, as a unit keeps it in flash; "
       "the fault options make it misbehave as a unit can, for tests.",
       // The rest of --help's description: what the fault options' values mean.
       app.get_description().substr(app.get_description().find('\n') + 1)},
      {}}};
  page.closing = {
      manual::ManualSection{"Exit status",
                            {},
                            {{"0", "stopped by SIGINT or SIGTERM, the memory saved"},
                             {"1", "the socket could not be served or the memory not saved"},
                             {"2", "wrong usage, or a state file that cannot be read"}}},
      manual::ManualSection{
          "See also", {"tolva-dsp(1), tolva-dsp-cli(1), /usr/share/doc/tolva-dsp/docs/emulator.md"}, {}}};
  return manual::RenderManualPage(page, kVersion, kReleaseDate);
}

}  // namespace tolva::emulator
