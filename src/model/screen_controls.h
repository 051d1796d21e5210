#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "dsp_math/channel_response.h"
#include "model/profile.h"

// The main window's controls as the manager drives them, free of any toolkit type. The window
// binds it to its control surface; a control the layout lacks is ignored.
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

// The main window's controls the model reads and writes, named by what they show. The window
// layer gives each its layout name; the model never spells one.
enum class Control : std::uint8_t {
  kConnect,
  kMainVolumeSlider,
  kMainVolumeEdit,
  kMainMute,
  kInputSource,  // combo: the item at index is the source code
  kDelayUnit,    // combo: DelayUnit
  kBypass,
  kEqMode,
  kLink,
  kLock,
  kHpFreq,
  kLpFreq,
  kHpType,  // combos: the item at index is the stored code
  kLpType,
  kHpSlope,
  kLpSlope,
  // index: the band of the current output
  kBandFreq,
  kBandQ,
  kBandGain,
  kBandSlider,
  kBandEnable,
  // index: the output
  kOutputSelect,
  kOutputShown,
  kOutputRole,
  kOutputVolumeSlider,
  kOutputVolumeEdit,
  kOutputMute,
  kOutputPhase,
  kOutputDelaySlider,
  kOutputDelayEdit,
  kOutputInput,  // and input: 1 … 4
  // index: the speaker role
  kSpeaker,
};

struct ControlId {
  Control control;
  int index = 0;
  int input = 0;
  auto operator<=>(const ControlId&) const = default;
};

class ScreenControls {
 public:
  virtual ~ScreenControls() = default;
  // What the user entered: the text as typed or as last set (a placeholder stays "${...}"), a
  // slider's value, the selected state of a button or option. Limits are the model's own
  // (control_ranges.h), never a control's.
  virtual std::string Text(ControlId id) const = 0;
  virtual int SliderValue(ControlId id) const = 0;
  virtual bool IsSelected(ControlId id) const = 0;
  virtual std::string ItemText(ControlId combo, int index) const = 0;
  // The graph's own copy of a band and of the crossover corners after a drag.
  virtual EqualizerGraphData::Band GraphBand(int band) const = 0;
  virtual int GraphHpFreq() const = 0;
  virtual int GraphLpFreq() const = 0;

  virtual void SetText(ControlId id, std::string_view text) = 0;
  virtual void SetSelected(ControlId id, bool selected) = 0;
  virtual void SetVisible(ControlId id, bool visible) = 0;
  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual void SetTextColor(ControlId id, std::uint32_t argb) = 0;
  virtual void SetSliderValue(ControlId id, int value) = 0;
  // Combos: the item at index is the stored code.
  virtual void SelectItem(ControlId combo, int index) = 0;
  virtual int CurSel(ControlId combo) const = 0;
  virtual void SetItemVisible(ControlId combo, std::string_view item, bool visible) = 0;
  virtual void SetItemHeight(ControlId combo, int pixels) = 0;
  virtual int DisplayScalePercent() const = 0;
  virtual void SetEqualizerGraph(const EqualizerGraphData& data) = 0;
  // Parametric mode lets the graph's points move sideways and change Q; graphic mode does not.
  virtual void SetGraphPeqMode(bool peq) = 0;
};

// No screen at all (the command-line tool, model tests): writes go nowhere, reads give defaults.
class NoScreenControls final : public ScreenControls {
 public:
  std::string Text(ControlId) const override { return {}; }
  int SliderValue(ControlId) const override { return 0; }
  bool IsSelected(ControlId) const override { return false; }
  std::string ItemText(ControlId, int) const override { return {}; }
  EqualizerGraphData::Band GraphBand(int) const override { return {}; }
  int GraphHpFreq() const override { return kMinFrequency; }
  int GraphLpFreq() const override { return kMaxFrequency; }
  void SetText(ControlId, std::string_view) override {}
  void SetSelected(ControlId, bool) override {}
  void SetVisible(ControlId, bool) override {}
  void SetEnabled(ControlId, bool) override {}
  void SetTextColor(ControlId, std::uint32_t) override {}
  void SetSliderValue(ControlId, int) override {}
  void SelectItem(ControlId, int) override {}
  int CurSel(ControlId) const override { return -1; }
  void SetItemVisible(ControlId, std::string_view, bool) override {}
  void SetItemHeight(ControlId, int) override {}
  int DisplayScalePercent() const override { return 100; }
  void SetEqualizerGraph(const EqualizerGraphData&) override {}
  void SetGraphPeqMode(bool) override {}
};

}  // namespace tolva::model
