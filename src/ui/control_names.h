#pragma once

#include <string>

#include "model/screen_controls.h"

// The layout names of the main window's controls the model shows values in. The model names a
// control by what it shows (model::ControlId); only the window layer spells the layout.
namespace tolva::ui {

std::string LayoutName(const model::ControlId& id);

// A control's name from a pattern with one "%d" ("eq_freq_%d").
std::string ControlName(const char* pattern, int index);

}  // namespace tolva::ui
