#pragma once

#include <string>
#include <vector>

#include "model/files/difference_text.h"
#include "model/manager/manager_messages.h"

// What the manager asks of the screen. The main window implements it over its controls; the CLI
// and the tests use the silent default. Every call comes on the window thread and must not block
// on the user except Confirm.
namespace tolva::model {

class ManagerView {
 public:
  virtual ~ManagerView() = default;

  // The connect button: text, colour and selection of the state.
  virtual void ShowConnectState(ConnectState /*state*/) {}
  // While connected: the unit stopped answering (false), or answers again (true).
  virtual void ShowUnitAnswering(bool /*answering*/) {}
  // A message box with caption "${tips}"; text is a placeholder or already resolved.
  virtual void ShowMessage(const std::string& /*text*/) {}
  // The same box without a caption (the connect read's failure).
  virtual void ShowUncaptionedMessage(const std::string& text) { ShowMessage(text); }
  // A profile file was written ("${profile_save_ok}"): said in the dialog the window asks its
  // questions in, whose look a notice the user waits for should share.
  virtual void ShowSaved(const std::string& text) { ShowMessage(text); }
  // The notice that the unit left ("${device_plugout}", or "${device_reboot}" when it restarts
  // after a factory reset): shown without holding up the window.
  virtual void ShowPlugOutNotice(const std::string& /*text*/) {}
  // The confirmation dialog: true for confirm.
  virtual bool Confirm(const std::string& /*text*/) { return true; }
  // The check-box dialog: 1 or 2 for the option chosen at confirmation, 0 cancel.
  virtual int AskCheck(const std::string& /*text*/, const std::string& /*option1*/,
                       const std::string& /*option2*/) {
    return 0;
  }
  // The three-button dialog: 1 first button, 0 second (cancel), 2 third.
  virtual int AskChoice(const std::string& /*text*/, const std::vector<std::string>& /*buttons*/) {
    return 0;
  }
  // The window holds edits made while the unit was away, which the unit does not hold; rows
  // say how each value differs (live: the unit's, file: the window's). kSendKeptEdits sends the
  // window's values, kTakeUnitValues keeps the unit's; 0 (the window closing) the unit's too.
  static constexpr int kSendKeptEdits = 1;
  static constexpr int kTakeUnitValues = 2;
  virtual int AskKeptEdits(const std::vector<DifferenceRow>& /*rows*/) { return kTakeUnitValues; }
  virtual void OpenBusy() {}
  virtual void CloseBusy() {}
  // Windows the link's lifecycle closes when open.
  virtual void CloseUpdateWindow() {}
  virtual void CloseCalibrationWindow() {}
  // The firmware update window after an abnormal handshake.
  virtual void OpenUpdateWindow() {}

  // A live value (scene 0) was applied, by a reply or an edit: the controls of that code (a
  // device::dsp_sub code) and output (-1 global) are rewritten from the live profile.
  virtual void LiveValueApplied(int /*code*/, int /*channel*/) {}
  // An edit changed band `band` of an output (-1: several of its bands, or its bypass): its band
  // rows and the bypass button are shown again from the live profile.
  virtual void BandsEdited(int /*channel*/, int /*band*/) {}
  // The current output's strip shown again: which outputs are selected, the speaker icons, its
  // crossover, its band rows and the bypass button.
  virtual void ShowCurrentStrip() {}
  // The PEQ/GEQ mode button and the graph's freedom from the live profile's mode.
  virtual void EqModeChanged() {}
  // Curves recomputed: the graph takes the current output's bands and the six curves.
  virtual void UpdateEqualizer(int /*band*/) {}
  // Every control rewritten from the live profile.
  virtual void RefreshFromProfile() {}
  virtual void UpdateAllVolumeEdit() {}
};

}  // namespace tolva::model
