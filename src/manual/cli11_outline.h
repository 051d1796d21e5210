#pragma once

#include "manual/command_outline.h"

namespace CLI {
class App;
}

namespace tolva::manual {

// The outline of a CLI11 command tree. Options in the empty group (hidden from --help) are
// left out, as is the help flag; choices come from IsMember and integer Range checks.
CommandOutline OutlineOf(const CLI::App& app);

}  // namespace tolva::manual
