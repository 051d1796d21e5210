#include "base/display_scale.h"

#include <algorithm>

namespace tolva {

std::optional<int> ChooseDisplayDpi(int w, int h) {
  if (w < 1280 || h < 720) return 77;
  if (w >= 1900 && w < 2460) return 144;
  if (w >= 2460 && w < 3690) return 192;
  if (w >= 3690) return 288;
  return std::nullopt;
}

int ScalePercentForDpi(int dpi) {
  return (dpi * 100 + 48) / 96;
}

int DpiForScalePercent(int percent) {
  return (percent * 96 + 50) / 100;
}

int ChooseScalePercent(int w, int h, int unchanged_percent) {
  const auto dpi = ChooseDisplayDpi(w, h);
  return dpi ? ScalePercentForDpi(*dpi) : unchanged_percent;
}

int LargestFittingPercent(int layout_w, int layout_h, int area_w, int area_h) {
  if (layout_w <= 0 || layout_h <= 0) return 100;
  int percent = std::min(area_w * 100 / layout_w, area_h * 100 / layout_h);
  // ScaleLength truncates: step up while the next percentage still fits.
  while (ScaleLength(layout_w, percent + 1) <= area_w && ScaleLength(layout_h, percent + 1) <= area_h)
    ++percent;
  return std::max(1, percent);
}

}  // namespace tolva
