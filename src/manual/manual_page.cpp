#include "manual/manual_page.h"

#include <cctype>

namespace tolva::manual {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Words set in bold (what is typed) with what follows in roman: .B cannot mix them.
std::string Bold(const std::string& text) { return "\\fB" + RoffText(text) + "\\fR"; }

void Paragraphs(std::string& out, const std::string& text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) out += ".PP\n" + RoffText(text.substr(start, end - start)) + "\n";
    start = end + 1;
  }
}

void Item(std::string& out, const std::string& term, const std::string& text) {
  out += ".TP\n" + term + "\n" + RoffText(text.empty() ? " " : text) + "\n";
}

std::string OptionTerm(const OptionOutline& option) {
  std::string term;
  for (const std::string& name : option.names) term += (term.empty() ? "" : ", ") + Bold(name);
  if (!option.value.empty()) term += " \\fI" + RoffText(option.value) + "\\fR";
  return term;
}

void OptionItems(std::string& out, const CommandOutline& command) {
  for (const ArgumentOutline& argument : command.arguments) {
    Item(out, "\\fI" + RoffText(argument.name) + "\\fR", argument.help);
  }
  for (const OptionOutline& option : command.options) Item(out, OptionTerm(option), option.help);
}

void Commands(std::string& out, const CommandOutline& command, const std::string& prefix) {
  for (const CommandOutline& sub : command.commands) {
    const std::string path = prefix.empty() ? sub.name : prefix + " " + sub.name;
    const std::string usage = UsageWords(sub);
    out += ".SS \"" + RoffText(path + (usage.empty() ? "" : " " + usage)) + "\"\n";
    out += RoffText(sub.help) + "\n";
    if (!sub.options.empty() || !sub.arguments.empty()) {
      out += ".RS\n";
      OptionItems(out, sub);
      out += ".RE\n";
    }
    Commands(out, sub, path);
  }
}

void Section(std::string& out, const ManualSection& section) {
  out += ".SH " + RoffText(Upper(section.title)) + "\n";
  for (const std::string& paragraph : section.paragraphs) Paragraphs(out, paragraph);
  for (const auto& [term, text] : section.items) Item(out, Bold(term), text);
}

}  // namespace

std::string RoffText(const std::string& text) {
  std::string out;
  bool line_start = true;
  for (const char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    line_start = c == '\n';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string RenderManualPage(const ManualPage& page, const std::string& version,
                             const std::string& date) {
  const CommandOutline& command = page.command;
  std::string out = ".TH " + RoffText(Upper(command.name)) + " 1 \"" + date + "\" \"" +
                    RoffText(command.name + " " + version) + "\" \"User Commands\"\n";
  out += ".SH NAME\n" + RoffText(command.name) + " \\- " + RoffText(page.summary) + "\n";
  out += ".SH SYNOPSIS\n";
  std::vector<std::string> synopsis = page.synopsis;
  if (synopsis.empty()) synopsis.push_back(UsageWords(command));
  for (std::size_t i = 0; i < synopsis.size(); ++i) {
    if (i > 0) out += ".br\n";
    out += Bold(command.name) + " " + RoffText(synopsis[i]) + "\n";
  }
  for (const ManualSection& section : page.description) Section(out, section);
  if (!command.options.empty() || !command.arguments.empty()) {
    out += ".SH OPTIONS\n";
    OptionItems(out, command);
  }
  if (!command.commands.empty()) {
    out += ".SH COMMANDS\n";
    Commands(out, command, "");
  }
  for (const ManualSection& section : page.closing) Section(out, section);
  return out;
}

}  // namespace tolva::manual
