#pragma once

#include <array>

#include "model/edit_operations.h"
#include "model/manager_context.h"
#include "model/output_operations.h"

// The editing of the current output and the global values: bands, crossover corners and codes,
// volumes, mutes, polarity, delay, routing, the source, and which output is current. Each edit
// reads its control, runs its operation on the live profile, shows the result from the profile
// and sends the commands of what changed. Window thread only.
namespace tolva::model {

// The box still holds the text it was given for the stored value (shown): it was not edited.
bool ShowsStoredText(const ScreenControls& controls, const ControlId& box,
                     const std::string& shown);

class ChannelEditor {
 public:
  explicit ChannelEditor(ManagerContext& ctx) : ctx_(ctx) {}
  ChannelEditor(const ChannelEditor&) = delete;
  ChannelEditor& operator=(const ChannelEditor&) = delete;

  void SetChEqEdit(int band);
  void SetEqSlider(int band);
  void OnEqEnable(int band);
  void SetEqGainUp(int band, bool up);
  void SetEqQUp(int band, bool up);
  void SetEqFreqUp(int band, bool up);
  // A drag on the graph: kind 0 band `index`, 1 the high-pass corner, 2 the low-pass corner.
  void EqualizerCallback(int index, int kind);
  void RefreshBandRows(int channel);
  void RefreshBandRow(int channel, int band);
  // A whole band table (imported filters) onto an output and its linked partner, the
  // equalizer in use; the output becomes the current one.
  void ApplyChannelBands(int channel, const std::array<EqBand, kEqBands>& bands);

  void SetHpFreq();
  void SetLpFreq();
  void SetHpFreqUp(bool up);
  void SetLpFreqUp(bool up);
  void SetHpSlope();
  void SetLpSlope();
  void SetHpType();
  void SetLpType();
  void SetFreqDivider(int channel);

  void SetChVolume(int channel);
  void SetChVolumeEdit(int channel);
  void SetChVolumeUp(int channel, bool up);
  void SetMainVolume();
  void SetMainVolumeEdit();
  void SetMainVolumeUp(bool up);
  void SetMainMute();
  void SetChMute(int channel);
  void SetChPhase(int channel);
  void SetChDelay(int channel);
  void SetChDelayEdit(int channel);
  void SetChDelayUp(int channel, bool up);
  void SetDelayUnit();
  // input 1 … 6
  void SetChInput(int channel, int input);
  void SetInputSource();
  void SetCurChannelChange(int channel);
  void SetChShow(int channel);
  // The current output's strip: selection marks, speaker icons, crossover, band rows and the
  // bypass button, without a graph update.
  void ShowCurrentStrip();
  // "${bypass_eq}" while some band enable button of the current output is selected.
  void ShowBypassButtonFromBands();

  // An edit's commands, queued.
  void Send(const OutputEdit& edit);
  // An output's gain as the live profile holds it.
  void ShowChannelGain(int channel);

 private:
  void ApplyBandEdit(int band, int freq, float q, float gain, BandSource source);
  void SendBand(int channel, int band, float gain);
  void SendBypass(int channel);
  void SendFilter(int channel, int filter);
  enum class Corner { kHighPass, kLowPass };
  void SetCornerFromEdit(Corner corner);
  void StepCorner(Corner corner, bool up);
  void SetFilterCode(Corner corner, bool slope);
  bool ApplyVolumeEdit(const ControlId& edit, const ControlId& slider, int stored, int low,
                       int high);
  void ShowChannelDelay(int channel);

  ManagerContext& ctx_;
};

}  // namespace tolva::model
