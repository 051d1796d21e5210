#include <array>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "base/debug_print.h"
#include "cli/commands.h"
#include "cli/device_session.h"

namespace {

using tolva::cli::Command;

// Add a command here: name, its arguments for the usage text, and its entry point.
constexpr std::array kCommands{
    Command{"response", "FILE.spf [--channel N]", tolva::cli::RunResponse, nullptr},
    Command{"info", "", nullptr, tolva::cli::RunInfo},
    Command{"read", "OUT.spf", nullptr, tolva::cli::RunRead},
    Command{"read-whole", "OUT.wpf", nullptr, tolva::cli::RunReadWhole},
    Command{"write", "FILE.spf|FILE.wpf", nullptr, tolva::cli::RunWrite},
};

void PrintUsage() {
  std::fprintf(stderr,
               "usage: tolva-dsp-cli [--device hid|emulator|socket:PATH] COMMAND ...\n"
               "commands:\n");
  for (const Command& c : kCommands) {
    std::fprintf(stderr, "  %.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data());
  }
}

int Run(int argc, char** argv) {
  // The unit's choice comes first ("--device X" or "--device=X"); the rest is the command.
  std::vector<char*> words;
  for (int i = 1; i < argc; ++i) {
    const std::string_view w = argv[i];
    if (w == "--device" && words.empty()) {
      ++i;
      continue;
    }
    if (w.starts_with("--device=") && words.empty()) continue;
    words.push_back(argv[i]);
  }
  if (words.empty()) {
    PrintUsage();
    return tolva::cli::kExitUsage;
  }
  const std::string_view name = words[0];
  const std::span<char* const> args(words.data() + 1, words.size() - 1);
  for (const Command& c : kCommands) {
    if (c.name != name) continue;
    if (c.run) return c.run(args);
    tolva::cli::DeviceOptions device{tolva::cli::ChosenDevice(argc, argv)};
    if (!device.factory) return tolva::cli::kExitUsage;
    return c.run_on_device(device, args);
  }
  std::fprintf(stderr, "tolva-dsp-cli: unknown command '%.*s'\n", static_cast<int>(name.size()),
               name.data());
  PrintUsage();
  return tolva::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // As in the GUI: the marker file in the working folder switches the debug log on.
  std::error_code ignored;
  const bool log = std::filesystem::exists("savelog.ini", ignored) && InitConsoleWindow("save.log");
  const int code = Run(argc, argv);
  if (log) CloseConsoleWindow();
  return code;
}
