#pragma once

// The main window's controls as plain values by their layout names, with the layout's slider
// ranges, so the editing operations can be driven and read back without any toolkit.
#include <algorithm>
#include <map>
#include <string>

#include "ui/screen/screen_controls.h"
#include "ui/screen/control_names.h"

namespace tolva::model::testing {

using ui::Control;
using ui::ControlId;
using ui::EqualizerGraphData;
using ui::ScreenControls;

class FakeScreenControls final : public ScreenControls {
 public:
  struct Slider {
    int value = 0, minimum = 0, maximum = 100;
  };

  std::string Text(ControlId id) const override { return Text(ui::LayoutName(id)); }
  int SliderValue(ControlId id) const override { return SliderValue(ui::LayoutName(id)); }
  bool IsSelected(ControlId id) const override { return IsSelected(ui::LayoutName(id)); }
  std::string ItemText(ControlId combo, int index) const override {
    return ui::LayoutName(combo) + " item " + std::to_string(index);
  }

  void SetText(ControlId id, std::string_view text) override {
    texts[ui::LayoutName(id)] = std::string(text);
  }
  void SetSelected(ControlId id, bool on) override { selected[ui::LayoutName(id)] = on; }
  void SetVisible(ControlId id, bool on) override { visible[ui::LayoutName(id)] = on; }
  void SetEnabled(ControlId id, bool on) override { enabled[ui::LayoutName(id)] = on; }
  void SetTextColor(ControlId, std::uint32_t) override {}
  void SetSliderValue(ControlId id, int value) override { Drag(ui::LayoutName(id), value); }
  void SelectItem(ControlId combo, int index) override { combos[ui::LayoutName(combo)] = index; }
  int CurSel(ControlId combo) const override { return CurSel(ui::LayoutName(combo)); }
  void SetItemVisible(ControlId, std::string_view, bool) override {}
  void SetItemHeight(ControlId, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetNote(ControlId id, std::string_view text) override {
    notes[ui::LayoutName(id)] = std::string(text);
  }
  void SetEqualizerGraph(const EqualizerGraphData& data) override {
    ++graph_updates;
    graph_highlight = data.highlight;
  }

  void SetGraphPeqMode(bool peq) override { graph_peq = peq; }

  // What a control holds, by layout name.
  std::string Text(std::string_view name) const { return Find(texts, name, std::string()); }
  int SliderValue(std::string_view name) const { return SliderOf(name).value; }
  bool IsSelected(std::string_view name) const { return Find(selected, name, false); }
  int CurSel(std::string_view combo) const { return Find(combos, combo, -1); }

  // What the user does: type, drag a slider, tick an option, pick a combo item.
  void Type(const std::string& name, const std::string& text) { texts[name] = text; }
  void Drag(const std::string& name, int value) {
    Slider s = SliderOf(name);
    s.value = std::clamp(value, s.minimum, s.maximum);
    sliders[name] = s;
  }
  void Tick(const std::string& name, bool on) { selected[name] = on; }
  void Pick(const std::string& combo, int index) { combos[combo] = index; }

  std::map<std::string, std::string, std::less<>> texts, notes;
  std::map<std::string, bool, std::less<>> selected, visible, enabled;
  std::map<std::string, Slider, std::less<>> sliders;
  std::map<std::string, int, std::less<>> combos;
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
