#pragma once

#include <string>
#include <string_view>

#include "ui/screen/screen_controls.h"

// The layout names of the main window's controls the presenter shows values in. The presenter
// names a control by what it shows (ControlId); only this file spells the layout.
namespace tolva::ui {

std::string LayoutName(const ControlId& id);

// A control's name from a pattern with one "%d" ("eq_freq_%d").
std::string ControlName(const char* pattern, int index);

// The output menu's item of a speaker role (0 … 24), empty for any other code; and the role of
// an item, -1 for an item that is no role (a group heading).
std::string_view RoleMenuItem(int role);
int RoleOfMenuItem(std::string_view item);
// The source combo's item of an input source (0 … 6).
std::string SourceComboItem(int source);

}  // namespace tolva::ui
