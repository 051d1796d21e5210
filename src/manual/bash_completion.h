#pragma once

#include <string>
#include <vector>

#include "manual/command_outline.h"

namespace tolva::manual {

// Words a positional argument of that name completes from, segment by segment at each '/'
// ("channels/" first, then "channels/2/"), with `suffix` after a whole word ("=" for
// KEY=VALUE).
struct ArgumentWords {
  std::string argument;  // "KEY"
  std::vector<std::string> words;
  std::string suffix;
};

// A bash completion script for the outlined program: its commands, at every level their
// options (the root's too, which the program takes after a command), the values an option or
// argument names, the words given here and file names for everything else. Needs the
// bash-completion package's helpers, as every script in its completions folder does.
std::string RenderBashCompletion(const CommandOutline& program,
                                 const std::vector<ArgumentWords>& argument_words);

}  // namespace tolva::manual
