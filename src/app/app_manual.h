#pragma once

#include <string>

namespace tolva::app {

// tolva-dsp's manual page: the options from the definitions --help prints.
std::string AppManualPage();

}  // namespace tolva::app
