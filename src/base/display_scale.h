#pragma once

#include <optional>

namespace tolva {

// The display scale the program picks from the size of the screen it opens on: a DPI value, or
// none when the screen is of the ordinary size and the current scale stays.
std::optional<int> ChooseDisplayDpi(int screen_width, int screen_height);
// DPI x 100 / 96, rounded to the nearest integer.
int ScalePercentForDpi(int dpi);
// The DPI a scale stands for, the inverse of ScalePercentForDpi: percent x 96 / 100, rounded.
int DpiForScalePercent(int percent);
// The percentage for a screen; `unchanged_percent` when the table leaves the scale alone.
int ChooseScalePercent(int screen_width, int screen_height, int unchanged_percent);
// A layout length at a scale: length x percent / 100 in integer arithmetic.
constexpr int ScaleLength(int length, int percent) {
  return length * percent / 100;
}

}  // namespace tolva
