#include "cli/value_controls.h"

#include <algorithm>
#include <utility>

#include "model/control_ranges.h"

namespace tolva::cli {
namespace {

template <class Map, class Value>
Value Find(const Map& map, std::string_view name, Value fallback) {
  const auto it = map.find(name);
  return it != map.end() ? it->second : fallback;
}

// The window's ranges by control name; other sliders have none.
std::pair<int, int> RangeOf(std::string_view name) {
  using namespace model;
  if (name.starts_with("eq_slider_")) return {kBandGainSliderMin, kBandGainSliderMax};
  if (name.starts_with("slider_ch_volume_")) {
    return {kChannelVolumeSliderMin, kChannelVolumeSliderMax};
  }
  if (name == "slider_main_volume") return {kMainVolumeSliderMin, kMainVolumeSliderMax};
  if (name.starts_with("slider_ch_delay_")) return {0, kDelaySliderMax};
  return {0, 0};
}

}  // namespace

std::string ValueControls::Text(std::string_view name) const {
  return Find(texts_, name, std::string());
}
int ValueControls::SliderValue(std::string_view name) const {
  return Find(sliders_, name, 0);
}
bool ValueControls::IsSelected(std::string_view name) const {
  return Find(selected_, name, false);
}
std::string ValueControls::ItemText(std::string_view combo, int index) const {
  return std::string(combo) + " " + std::to_string(index);
}
model::EqualizerGraphData::Band ValueControls::GraphBand(int) const {
  return {};
}

void ValueControls::SetText(std::string_view name, std::string_view text) {
  texts_[std::string(name)] = std::string(text);
}
void ValueControls::SetSelected(std::string_view name, bool selected) {
  selected_[std::string(name)] = selected;
}
void ValueControls::SetSliderValue(std::string_view name, int value) {
  const auto [low, high] = RangeOf(name);
  sliders_[std::string(name)] = std::clamp(value, low, high);
}
void ValueControls::SelectItem(std::string_view combo, int index) {
  combos_[std::string(combo)] = index;
}
int ValueControls::CurSel(std::string_view combo) const {
  return Find(combos_, combo, -1);
}

}  // namespace tolva::cli
