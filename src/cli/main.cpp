#include <array>
#include <cstdio>
#include <string_view>

#include "cli/commands.h"

namespace {

using tolva::cli::Command;

// Add a command here: name, its arguments for the usage text, and its entry point.
constexpr std::array kCommands{
    Command{"response", "FILE.spf [--channel N]", tolva::cli::RunResponse},
};

void PrintUsage() {
  std::fprintf(stderr, "usage: tolva-dsp-cli COMMAND ...\ncommands:\n");
  for (const Command& c : kCommands) {
    std::fprintf(stderr, "  %.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage();
    return tolva::cli::kExitUsage;
  }
  const std::string_view name = argv[1];
  for (const Command& c : kCommands) {
    if (c.name == name) {
      return c.run(std::span<char* const>(argv + 2, static_cast<std::size_t>(argc - 2)));
    }
  }
  std::fprintf(stderr, "tolva-dsp-cli: unknown command '%s'\n", argv[1]);
  PrintUsage();
  return tolva::cli::kExitUsage;
}
