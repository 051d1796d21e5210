#include "manual/command_outline.h"

namespace tolva::manual {
namespace {

std::string OptionWords(const OptionOutline& option) {
  std::string words = option.names.back();
  if (!option.value.empty()) words += " " + option.value;
  return option.required ? words : "[" + words + "]";
}

std::string ArgumentWords(const ArgumentOutline& argument) {
  std::string words = argument.name + (argument.repeated ? " ..." : "");
  return argument.required ? words : "[" + words + "]";
}

}  // namespace

std::string UsageWords(const CommandOutline& command) {
  std::string words;
  const auto add = [&words](const std::string& word) {
    if (!words.empty()) words += ' ';
    words += word;
  };
  for (const OptionOutline& option : command.options) add(OptionWords(option));
  for (const ArgumentOutline& argument : command.arguments) add(ArgumentWords(argument));
  if (!command.commands.empty()) add("COMMAND");
  return words;
}

}  // namespace tolva::manual
