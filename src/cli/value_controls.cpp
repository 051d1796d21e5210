#include "cli/value_controls.h"

#include <algorithm>
#include <utility>

#include "model/control_ranges.h"

namespace tolva::cli {
namespace {

template <class Map, class Value>
Value Find(const Map& map, model::ControlId id, Value fallback) {
  const auto it = map.find(id);
  return it != map.end() ? it->second : fallback;
}

// The window's slider ranges; other sliders have none.
std::pair<int, int> RangeOf(const model::ControlId& id) {
  using namespace model;
  switch (id.control) {
    case Control::kBandSlider:
      return {kBandGainSliderMin, kBandGainSliderMax};
    case Control::kOutputVolumeSlider:
      return {kChannelVolumeSliderMin, kChannelVolumeSliderMax};
    case Control::kMainVolumeSlider:
      return {kMainVolumeSliderMin, kMainVolumeSliderMax};
    case Control::kOutputDelaySlider:
      return {0, kDelaySliderMax};
    default:
      return {0, 0};
  }
}

}  // namespace

std::string ValueControls::Text(model::ControlId id) const {
  return Find(texts_, id, std::string());
}
int ValueControls::SliderValue(model::ControlId id) const {
  return Find(sliders_, id, 0);
}
bool ValueControls::IsSelected(model::ControlId id) const {
  return Find(selected_, id, false);
}
std::string ValueControls::ItemText(model::ControlId combo, int index) const {
  return std::to_string(index);
}
model::EqualizerGraphData::Band ValueControls::GraphBand(int) const {
  return {};
}

void ValueControls::SetText(model::ControlId id, std::string_view text) {
  texts_[id] = std::string(text);
}
void ValueControls::SetSelected(model::ControlId id, bool selected) {
  selected_[id] = selected;
}
void ValueControls::SetSliderValue(model::ControlId id, int value) {
  const auto [low, high] = RangeOf(id);
  sliders_[id] = std::clamp(value, low, high);
}
void ValueControls::SelectItem(model::ControlId combo, int index) {
  combos_[combo] = index;
}
int ValueControls::CurSel(model::ControlId combo) const {
  return Find(combos_, combo, -1);
}

}  // namespace tolva::cli
