#pragma once

#include <string>

#include "ui/screen/screen_controls.h"

// The layout names of the main window's controls the presenter shows values in. The presenter
// names a control by what it shows (ControlId); only this file spells the layout.
namespace tolva::ui {

std::string LayoutName(const ControlId& id);

// A control's name from a pattern with one "%d" ("eq_freq_%d").
std::string ControlName(const char* pattern, int index);

}  // namespace tolva::ui
