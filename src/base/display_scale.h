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
// The largest percentage at which a layout of layout_w x layout_h still fits an area of
// area_w x area_h (at least 1), so a window never opens larger than the screen it is on.
int LargestFittingPercent(int layout_w, int layout_h, int area_w, int area_h);

}  // namespace tolva
