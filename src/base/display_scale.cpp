#include "base/display_scale.h"

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

}  // namespace tolva
