#pragma once

#include <map>
#include <string>
#include <string_view>

#include "model/screen_controls.h"

// The main window's controls as plain values with the window's slider ranges, so the CLI drives
// the very editing operations the window does: it types into an edit or ticks a button here,
// then calls the operation, which reads the control, clamps and sends as it does for the window.
namespace tolva::cli {

class ValueControls final : public model::ScreenControls {
 public:
  std::string Text(model::ControlId id) const override;
  int SliderValue(model::ControlId id) const override;
  bool IsSelected(model::ControlId id) const override;
  std::string ItemText(model::ControlId combo, int index) const override;
  model::EqualizerGraphData::Band GraphBand(int band) const override;
  int GraphHpFreq() const override { return model::kMinFrequency; }
  int GraphLpFreq() const override { return model::kMaxFrequency; }

  void SetText(model::ControlId id, std::string_view text) override;
  void SetSelected(model::ControlId id, bool selected) override;
  void SetVisible(model::ControlId, bool) override {}
  void SetEnabled(model::ControlId, bool) override {}
  void SetTextColor(model::ControlId, std::uint32_t) override {}
  void SetSliderValue(model::ControlId id, int value) override;
  void SelectItem(model::ControlId combo, int index) override;
  int CurSel(model::ControlId combo) const override;
  void SetItemVisible(model::ControlId, std::string_view, bool) override {}
  void SetItemHeight(model::ControlId, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetEqualizerGraph(const model::EqualizerGraphData&) override {}
  void SetGraphPeqMode(bool) override {}

 private:
  std::map<model::ControlId, std::string> texts_;
  std::map<model::ControlId, bool> selected_;
  std::map<model::ControlId, int> sliders_, combos_;
};

}  // namespace tolva::cli
