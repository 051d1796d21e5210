#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "dsp_math/channel_response.h"
#include "model/profile/profile.h"

// The main window's controls as the presenter drives them, free of any toolkit type. The window
// binds it to its control surface; a control the layout lacks is ignored. Nothing below the
// window layer sees a control.
namespace tolva::ui {

using model::kEqBands;
using model::kMaxFrequency;
using model::kMinFrequency;
using model::kOutputChannels;

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

// The main window's controls the presenter reads and writes, named by what they show; only
// control_names.cpp spells their layout names.
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
  // Beside a box: why it shows another value than the one typed ("" takes the note away).
  virtual void SetNote(ControlId id, std::string_view text) = 0;
  virtual void SetEqualizerGraph(const EqualizerGraphData& data) = 0;
  // Parametric mode lets the graph's points move sideways and change Q; graphic mode does not.
  virtual void SetGraphPeqMode(bool peq) = 0;
};

}  // namespace tolva::ui
