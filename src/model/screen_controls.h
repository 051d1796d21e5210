#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "dsp_math/channel_response.h"
#include "model/profile.h"

// The main window's controls as the manager drives them: by layout name, free of any toolkit
// type. The window binds it to its control surface; a name the layout lacks is ignored.
namespace tolva::model {

// What the equalizer graph is handed on each update.
struct EqualizerGraphData {
  struct Band {
    float gain = 0.0f;  // 0 for a disabled band or a bypassed output
    float q = 1.0f;
    int freq = 1000;
  };
  std::array<Band, kEqBands> bands{};
  int band_count = kEqBands;
  int hp_freq = kMinFrequency;
  int lp_freq = kMaxFrequency;
  // The six outputs' total curves on the response grid; valid during the call only.
  std::array<const dsp::Curve*, kOutputChannels> curves{};
  const dsp::Curve* grid = nullptr;
  std::array<bool, kOutputChannels> shown{};
  int current = 0;
  int highlight = -1;
};

class ScreenControls {
 public:
  virtual ~ScreenControls() = default;
  // What the user entered: the text as typed or as last set (a placeholder stays "${...}"), a
  // slider's value, the selected state of a button or option. Limits are the model's own
  // (control_ranges.h), never a control's.
  virtual std::string Text(std::string_view name) const = 0;
  virtual int SliderValue(std::string_view name) const = 0;
  virtual bool IsSelected(std::string_view name) const = 0;
  virtual std::string ItemText(std::string_view combo, int index) const = 0;
  // The graph's own copy of a band and of the crossover corners after a drag.
  virtual EqualizerGraphData::Band GraphBand(int band) const = 0;
  virtual int GraphHpFreq() const = 0;
  virtual int GraphLpFreq() const = 0;

  virtual void SetText(std::string_view name, std::string_view text) = 0;
  virtual void SetSelected(std::string_view name, bool selected) = 0;
  virtual void SetVisible(std::string_view name, bool visible) = 0;
  virtual void SetEnabled(std::string_view name, bool enabled) = 0;
  virtual void SetTextColor(std::string_view name, std::uint32_t argb) = 0;
  virtual void SetSliderValue(std::string_view name, int value) = 0;
  // Combos: the item at index is the stored code.
  virtual void SelectItem(std::string_view combo, int index) = 0;
  virtual int CurSel(std::string_view combo) const = 0;
  virtual void SetItemVisible(std::string_view combo, std::string_view item, bool visible) = 0;
  virtual void SetItemHeight(std::string_view combo, int pixels) = 0;
  virtual int DisplayScalePercent() const = 0;
  virtual void SetEqualizerGraph(const EqualizerGraphData& data) = 0;
  // Parametric mode lets the graph's points move sideways and change Q; graphic mode does not.
  virtual void SetGraphPeqMode(bool peq) = 0;
};

// No screen at all (the command-line tool, model tests): writes go nowhere, reads give defaults.
class NoScreenControls final : public ScreenControls {
 public:
  std::string Text(std::string_view) const override { return {}; }
  int SliderValue(std::string_view) const override { return 0; }
  bool IsSelected(std::string_view) const override { return false; }
  std::string ItemText(std::string_view, int) const override { return {}; }
  EqualizerGraphData::Band GraphBand(int) const override { return {}; }
  int GraphHpFreq() const override { return kMinFrequency; }
  int GraphLpFreq() const override { return kMaxFrequency; }
  void SetText(std::string_view, std::string_view) override {}
  void SetSelected(std::string_view, bool) override {}
  void SetVisible(std::string_view, bool) override {}
  void SetEnabled(std::string_view, bool) override {}
  void SetTextColor(std::string_view, std::uint32_t) override {}
  void SetSliderValue(std::string_view, int) override {}
  void SelectItem(std::string_view, int) override {}
  int CurSel(std::string_view) const override { return -1; }
  void SetItemVisible(std::string_view, std::string_view, bool) override {}
  void SetItemHeight(std::string_view, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetEqualizerGraph(const EqualizerGraphData&) override {}
  void SetGraphPeqMode(bool) override {}
};

}  // namespace tolva::model
