#include "manual/cli11_outline.h"

#include <CLI/CLI.hpp>
#include <regex>

namespace tolva::manual {
namespace {

constexpr long kMostRangeChoices = 16;

// CLI11 appends each check's description to the type name: "TEXT:{apo,rew}",
// "INT:INT in [0 - 5]". The type name keeps what precedes them.
struct TypeName {
  std::string value;
  std::vector<std::string> choices;
};

TypeName SplitTypeName(const std::string& full) {
  static const std::regex member(R"(^(.*):\{([^{}]*)\}$)");
  static const std::regex range(R"(^(.*):[A-Z]+ in \[(-?\d+) - (-?\d+)\]$)");
  std::smatch m;
  TypeName type{full, {}};
  if (std::regex_match(full, m, member)) {
    type.value = m[1];
    const std::string items = m[2];
    std::size_t start = 0;
    while (start <= items.size()) {
      const std::size_t comma = std::min(items.find(',', start), items.size());
      if (comma > start) type.choices.push_back(items.substr(start, comma - start));
      start = comma + 1;
    }
    type.value = "";
    for (const std::string& c : type.choices) type.value += (type.value.empty() ? "" : "|") + c;
  } else if (std::regex_match(full, m, range)) {
    type.value = m[1];
    const long low = std::stol(m[2]), high = std::stol(m[3]);
    if (high >= low && high - low < kMostRangeChoices) {
      for (long v = low; v <= high; ++v) type.choices.push_back(std::to_string(v));
    }
  }
  return type;
}

}  // namespace

CommandOutline OutlineOf(const CLI::App& app) {
  CommandOutline command;
  command.name = app.get_name();
  command.help = app.get_description();
  const CLI::Option* help = app.get_help_ptr();
  for (const CLI::Option* option : app.get_options()) {
    if (option == help || option->get_group().empty()) continue;
    const bool takes_value = option->get_type_size_max() > 0;
    const TypeName type = SplitTypeName(takes_value ? option->get_type_name() : "");
    if (option->get_positional() && !option->nonpositional()) {
      ArgumentOutline argument;
      argument.name = option->get_name(true);
      argument.help = option->get_description();
      argument.choices = type.choices;
      argument.required = option->get_required();
      argument.repeated = option->get_items_expected_max() > 1;
      command.arguments.push_back(std::move(argument));
      continue;
    }
    OptionOutline outline;
    for (const std::string& s : option->get_snames()) outline.names.push_back("-" + s);
    for (const std::string& l : option->get_lnames()) outline.names.push_back("--" + l);
    outline.value = takes_value ? type.value : "";
    outline.help = option->get_description();
    outline.choices = type.choices;
    outline.required = option->get_required();
    command.options.push_back(std::move(outline));
  }
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    command.commands.push_back(OutlineOf(*sub));
  }
  return command;
}

}  // namespace tolva::manual
