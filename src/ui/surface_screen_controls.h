#pragma once

#include "model/screen_controls.h"

namespace tolva::kit {
class ControlSurface;
}
class UIEqualizer;

namespace tolva::ui {

// The manager's view of the main window's controls, found by name on the control surface. A
// name the layout does not hold is skipped, as the manager's rules expect.
class SurfaceScreenControls final : public model::ScreenControls {
 public:
  SurfaceScreenControls(kit::ControlSurface& surface, UIEqualizer* graph)
      : surface_(surface), graph_(graph) {}

  std::string Text(model::ControlId id) const override;
  int SliderValue(model::ControlId id) const override;
  bool IsSelected(model::ControlId id) const override;
  std::string ItemText(model::ControlId combo, int index) const override;
  model::EqualizerGraphData::Band GraphBand(int band) const override;
  int GraphHpFreq() const override;
  int GraphLpFreq() const override;
  void SetText(model::ControlId id, std::string_view text) override;
  void SetSelected(model::ControlId id, bool selected) override;
  void SetVisible(model::ControlId id, bool visible) override;
  void SetEnabled(model::ControlId id, bool enabled) override;
  void SetTextColor(model::ControlId id, std::uint32_t argb) override;
  void SetSliderValue(model::ControlId id, int value) override;
  void SelectItem(model::ControlId combo, int index) override;
  int CurSel(model::ControlId combo) const override;
  void SetItemVisible(model::ControlId combo, std::string_view item, bool visible) override;
  void SetItemHeight(model::ControlId combo, int pixels) override;
  int DisplayScalePercent() const override;
  void SetEqualizerGraph(const model::EqualizerGraphData& data) override;
  void SetGraphPeqMode(bool peq) override;

 private:
  kit::ControlSurface& surface_;
  UIEqualizer* graph_;
};

}  // namespace tolva::ui
