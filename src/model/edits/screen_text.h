#pragma once

#include <string>
#include <string_view>

#include "model/edits/edit_result.h"

// Texts the main window shows for model values.
namespace tolva::model {

enum class DelayUnit { kMilliseconds = 0, kCentimetres = 1, kInches = 2 };

// One number through a printf format ("%.2f").
std::string FormatNumber(const char* format, double value);
// A band gain to one decimal; a small cut that rounds to zero shows as "0.0", not "-0.0".
std::string GainText(double db);

// "%ddB", or "${off}" when the value sits at the slider's minimum.
std::string VolumeText(int db, int slider_minimum);
// "%.3f" ms, else the nearest whole centimetre or inch (519 cm and 204 in at 15 ms).
std::string DelayText(float ms, int unit);
// A clamp note in the words of `pattern`, "${value_held}" resolved in the language wanted:
// what was asked and what is held.
std::string HeldValueText(std::string_view pattern, const ClampNote& note);
// The label on an output button for a speaker role; that of role 0 for any code outside 0 … 24.
std::string_view RoleButtonLabel(int role);

}  // namespace tolva::model
