#pragma once

#include <string>
#include <vector>

// A program's command line as its parser defines it, for the manual pages and the shell
// completion: both are written from the definitions the parser itself uses, so neither can
// name an option the program does not take.
namespace tolva::manual {

struct OptionOutline {
  std::vector<std::string> names;    // "-h", "--help"
  std::string value;                 // "N"; empty for a flag
  std::string help;
  std::vector<std::string> choices;  // the values it takes, when the parser names them
  bool required = false;
};

struct ArgumentOutline {
  std::string name;  // "FILE", "KEY=VALUE"
  std::string help;
  std::vector<std::string> choices;
  bool required = false;
  bool repeated = false;
};

struct CommandOutline {
  std::string name;  // the program's name at the root
  std::string help;
  std::vector<OptionOutline> options;  // without the help flag
  std::vector<ArgumentOutline> arguments;
  std::vector<CommandOutline> commands;
};

// "[--overwrite] --channel N K NAME" as a synopsis shows one command's own words.
std::string UsageWords(const CommandOutline& command);

}  // namespace tolva::manual
