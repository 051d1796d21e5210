#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/edits/edit_result.h"
#include "model/manager/equalizer_manager.h"
#include "ui/screen/manager_screen.h"
#include "ui/screen/screen_controls.h"

// The main window's edits: each handler reads its control, reads the text as the user meant it
// (numbers, "1K2" and "2.5k" frequencies, "Off"), hands the values to the editing core and shows
// what the model holds afterwards. The limits and clamps are the core's; only this layer knows
// controls. Window thread only.
namespace tolva::ui {

class EditPresenter {
 public:
  EditPresenter(model::EqualizerManager& manager, ScreenControls& controls, ManagerScreen& screen)
      : manager_(manager), c_(controls), screen_(screen) {}
  EditPresenter(const EditPresenter&) = delete;
  EditPresenter& operator=(const EditPresenter&) = delete;

  // A band row: its boxes committed, its slider moved, its enable button, its step keys.
  void SetChEqEdit(int band);
  void SetEqSlider(int band);
  void OnEqEnable(int band);
  void SetEqGainUp(int band, bool up);
  void SetEqQUp(int band, bool up);
  void SetEqFreqUp(int band, bool up);
  // The graph's drags, with their values; for the current output.
  void BandDragged(int band, int freq, float q, float gain);
  void CornerDragged(bool high_pass, int freq);

  void SetHpFreq();
  void SetLpFreq();
  void SetHpFreqUp(bool up);
  void SetLpFreqUp(bool up);
  void SetHpSlope();
  void SetLpSlope();
  void SetHpType();
  void SetLpType();

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

  // The box holds the text it was given for the stored value (shown): it was not edited.
  bool ShowsStoredText(const ControlId& box, const std::string& shown) const;

 private:
  model::EditingCore& Edit() { return manager_.Editing(); }
  const model::Profile& Live() const { return manager_.LiveProfile(); }
  int Current() const { return manager_.CurrentChannel(); }
  void SetCorner(bool high_pass);
  void StepCorner(bool high_pass, bool up);
  void SetFilterCode(bool high_pass, bool slope);
  void StepBand(int band, int freq, float q, float gain);
  // A volume box: "Off" is the slider's minimum it stands for; false when the box holds no
  // number or the text it was shown. The editing core takes the nearest whole dB and says so.
  bool ReadVolumeBox(const ControlId& box, int stored, int low, double& db) const;
  // Beside the box: the values an edit held at a limit or a step; none takes the note away.
  void ShowNotes(const ControlId& box, const std::vector<model::ClampNote>& notes);

  model::EqualizerManager& manager_;
  ScreenControls& c_;
  ManagerScreen& screen_;
};

}  // namespace tolva::ui
