#pragma once

#include <string>
#include <utility>
#include <vector>

#include "manual/command_outline.h"

namespace tolva::manual {

// Prose of a manual page around its options: paragraphs, then "term: text" items.
struct ManualSection {
  std::string title;  // "EXIT STATUS"
  std::vector<std::string> paragraphs;
  std::vector<std::pair<std::string, std::string>> items;
};

struct ManualPage {
  CommandOutline command;  // its name is the page's name
  std::string summary;     // the NAME line's text after the dash
  std::vector<std::string> synopsis;  // empty: one line from the command's own usage
  std::vector<ManualSection> description;  // before OPTIONS
  std::vector<ManualSection> closing;      // after OPTIONS and COMMANDS
};

// The page in man(7) markup, section 1, headed with the program version and release date
// (YYYY-MM-DD). Every command of the outline gets its own subsection, nested commands under
// their parent's name.
std::string RenderManualPage(const ManualPage& page, const std::string& version,
                             const std::string& date);

// Text made safe for man(7): backslashes, minus signs and leading control characters.
std::string RoffText(const std::string& text);

}  // namespace tolva::manual
