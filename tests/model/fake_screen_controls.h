#pragma once

// The main window's controls as plain values, with the layout's slider ranges, so the editing
// operations can be driven and read back without any toolkit.
#include <algorithm>
#include <map>
#include <string>

#include "model/screen_controls.h"

namespace tolva::model::testing {

class FakeScreenControls final : public ScreenControls {
 public:
  struct Slider {
    int value = 0, minimum = 0, maximum = 100;
  };

  std::string Text(std::string_view name) const override {
    return Find(texts, name, std::string());
  }
  int SliderValue(std::string_view name) const override { return SliderOf(name).value; }
  bool IsSelected(std::string_view name) const override { return Find(selected, name, false); }
  std::string ItemText(std::string_view combo, int index) const override {
    return std::string(combo) + " item " + std::to_string(index);
  }
  EqualizerGraphData::Band GraphBand(int band) const override {
    return band >= 0 && band < kEqBands ? graph_bands[band] : EqualizerGraphData::Band{};
  }
  int GraphHpFreq() const override { return graph_hp; }
  int GraphLpFreq() const override { return graph_lp; }

  void SetText(std::string_view name, std::string_view text) override {
    texts[std::string(name)] = std::string(text);
  }
  void SetSelected(std::string_view name, bool on) override { selected[std::string(name)] = on; }
  void SetVisible(std::string_view name, bool on) override { visible[std::string(name)] = on; }
  void SetEnabled(std::string_view name, bool on) override { enabled[std::string(name)] = on; }
  void SetTextColor(std::string_view, std::uint32_t) override {}
  void SetSliderValue(std::string_view name, int value) override {
    Slider s = SliderOf(name);
    s.value = std::clamp(value, s.minimum, s.maximum);
    sliders[std::string(name)] = s;
  }
  void SelectItem(std::string_view combo, int index) override {
    combos[std::string(combo)] = index;
  }
  int CurSel(std::string_view combo) const override { return Find(combos, combo, -1); }
  void SetItemVisible(std::string_view, std::string_view, bool) override {}
  void SetItemHeight(std::string_view, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetEqualizerGraph(const EqualizerGraphData& data) override {
    ++graph_updates;
    graph_highlight = data.highlight;
  }

  void SetGraphPeqMode(bool peq) override { graph_peq = peq; }

  // What the user does: type, drag a slider, tick an option, pick a combo item.
  void Type(const std::string& name, const std::string& text) { texts[name] = text; }
  void Drag(const std::string& name, int value) { SetSliderValue(name, value); }
  void Tick(const std::string& name, bool on) { selected[name] = on; }
  void Pick(const std::string& combo, int index) { combos[combo] = index; }

  std::map<std::string, std::string, std::less<>> texts;
  std::map<std::string, bool, std::less<>> selected, visible, enabled;
  std::map<std::string, Slider, std::less<>> sliders;
  std::map<std::string, int, std::less<>> combos;
  std::array<EqualizerGraphData::Band, kEqBands> graph_bands{};
  int graph_hp = kMinFrequency, graph_lp = kMaxFrequency;
  int graph_updates = 0, graph_highlight = -2;
  bool graph_peq = false;

 private:
  template <class Map, class Value>
  static Value Find(const Map& map, std::string_view name, Value fallback) {
    const auto it = map.find(name);
    return it != map.end() ? it->second : fallback;
  }
  // The layout's ranges: band gain in tenths of a dB, volumes in dB, delay in microseconds.
  Slider SliderOf(std::string_view name) const {
    if (const auto it = sliders.find(name); it != sliders.end()) return it->second;
    const auto starts = [&](std::string_view prefix) {
      return name.substr(0, prefix.size()) == prefix;
    };
    if (starts("eq_slider_")) return {0, -180, 120};
    if (starts("slider_ch_volume_")) return {0, -128, 0};
    if (starts("slider_main_volume")) return {0, -128, 6};
    if (starts("slider_ch_delay_")) return {0, 0, 15000};
    return {};
  }
};

}  // namespace tolva::model::testing
