#pragma once

#include "ui/screen/screen_controls.h"

class QWidget;

namespace tolva::kit {
class ControlSurface;
}
namespace tolva::curves {
class UIEqualizer;
}

namespace tolva::ui {

// The presenter's view of the main window's controls, found by name on the control surface. A
// name the layout does not hold is skipped, as the presenter expects.
class SurfaceScreenControls final : public ScreenControls {
 public:
  // root: the window the controls are children of, for their notes.
  SurfaceScreenControls(kit::ControlSurface& surface, QWidget* root, curves::UIEqualizer* graph)
      : surface_(surface), root_(root), graph_(graph) {}

  std::string Text(ControlId id) const override;
  int SliderValue(ControlId id) const override;
  bool IsSelected(ControlId id) const override;
  std::string ItemText(ControlId combo, int index) const override;
  void SetText(ControlId id, std::string_view text) override;
  void SetSelected(ControlId id, bool selected) override;
  void SetVisible(ControlId id, bool visible) override;
  void SetEnabled(ControlId id, bool enabled) override;
  void SetTextColor(ControlId id, std::uint32_t argb) override;
  void SetSliderValue(ControlId id, int value) override;
  void SelectItem(ControlId combo, int index) override;
  int CurSel(ControlId combo) const override;
  void SetItemVisible(ControlId combo, std::string_view item, bool visible) override;
  void SetItemHeight(ControlId combo, int pixels) override;
  int DisplayScalePercent() const override;
  void SetNote(ControlId id, std::string_view text) override;
  void SetEqualizerGraph(const EqualizerGraphData& data) override;
  void SetGraphPeqMode(bool peq) override;

 private:
  kit::ControlSurface& surface_;
  QWidget* root_;
  curves::UIEqualizer* graph_;
};

}  // namespace tolva::ui
