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

  std::string Text(std::string_view name) const override;
  int SliderValue(std::string_view name) const override;
  bool IsSelected(std::string_view name) const override;
  std::string ItemText(std::string_view combo, int index) const override;
  model::EqualizerGraphData::Band GraphBand(int band) const override;
  int GraphHpFreq() const override;
  int GraphLpFreq() const override;
  void SetText(std::string_view name, std::string_view text) override;
  void SetSelected(std::string_view name, bool selected) override;
  void SetVisible(std::string_view name, bool visible) override;
  void SetEnabled(std::string_view name, bool enabled) override;
  void SetTextColor(std::string_view name, std::uint32_t argb) override;
  void SetSliderValue(std::string_view name, int value) override;
  void SelectItem(std::string_view combo, int index) override;
  int CurSel(std::string_view combo) const override;
  void SetItemVisible(std::string_view combo, std::string_view item, bool visible) override;
  void SetItemHeight(std::string_view combo, int pixels) override;
  int DisplayScalePercent() const override;
  void SetEqualizerGraph(const model::EqualizerGraphData& data) override;
  void SetGraphPeqMode(bool peq) override;

 private:
  kit::ControlSurface& surface_;
  UIEqualizer* graph_;
};

}  // namespace tolva::ui
