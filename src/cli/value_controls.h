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
  std::string Text(std::string_view name) const override;
  int SliderValue(std::string_view name) const override;
  bool IsSelected(std::string_view name) const override;
  std::string ItemText(std::string_view combo, int index) const override;
  model::EqualizerGraphData::Band GraphBand(int band) const override;
  int GraphHpFreq() const override { return model::kMinFrequency; }
  int GraphLpFreq() const override { return model::kMaxFrequency; }

  void SetText(std::string_view name, std::string_view text) override;
  void SetSelected(std::string_view name, bool selected) override;
  void SetVisible(std::string_view, bool) override {}
  void SetEnabled(std::string_view, bool) override {}
  void SetTextColor(std::string_view, std::uint32_t) override {}
  void SetSliderValue(std::string_view name, int value) override;
  void SelectItem(std::string_view combo, int index) override;
  int CurSel(std::string_view combo) const override;
  void SetItemVisible(std::string_view, std::string_view, bool) override {}
  void SetItemHeight(std::string_view, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetEqualizerGraph(const model::EqualizerGraphData&) override {}
  void SetGraphPeqMode(bool) override {}

 private:
  std::map<std::string, std::string, std::less<>> texts_;
  std::map<std::string, bool, std::less<>> selected_;
  std::map<std::string, int, std::less<>> sliders_, combos_;
};

}  // namespace tolva::cli
