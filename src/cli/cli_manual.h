#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
}

// tolva-dsp-cli's manual page and bash completion, written from its command tree, so that
// every command it takes is in both.
namespace tolva::cli {

std::string CliManualPage(const CLI::App& app);
std::string CliBashCompletion(const CLI::App& app);

// For the build: "--manual-page" or "--bash-completion" as the only argument prints that
// text and gives the exit code; anything else, nullopt.
std::optional<int> PrintCliDocument(int argc, char** argv, const CLI::App& app);

}  // namespace tolva::cli
