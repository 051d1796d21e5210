#pragma once

#include <string>

#include "model/manager/equalizer_manager.h"
#include "model/manager/manager_view.h"
#include "ui/screen/screen_controls.h"

// The screen half of the presenter: which controls show which value of the live profile. The
// main window derives from it (adding the message boxes, busy window and secondary windows);
// every call runs on the window thread. It writes controls and reads none but the delay unit
// the user chose.
namespace tolva::ui {

// What a band row's three boxes show for the stored band.
struct BandTexts {
  std::string freq, q, gain;
};
BandTexts ShownBandTexts(const model::ChannelSettings& channel, int band);
// A corner's box: "120Hz".
std::string CornerText(int fs);

class ManagerScreen : public model::ManagerView {
 public:
  static constexpr int kComboItemHeight = 16;
  static constexpr std::uint32_t kDisconnectedColor = 0xFFFF0000;
  static constexpr std::uint32_t kConnectedColor = 0xFFFFFFFF;

  ManagerScreen(model::EqualizerManager& manager, ScreenControls& controls)
      : manager_(manager), c_(controls) {}
  ManagerScreen(const ManagerScreen&) = delete;
  ManagerScreen& operator=(const ManagerScreen&) = delete;

  // Item heights and the source combo's items, then the live profile shown once.
  void InitControls();

  void ShowConnectState(model::ConnectState state) override;
  void ShowUnitAnswering(bool answering) override;
  void LiveValueApplied(int code, int channel) override;
  void BandsEdited(int channel, int band) override;
  void ShowCurrentStrip() override;
  void EqModeChanged() override;
  void UpdateEqualizer(int band) override;
  void RefreshFromProfile() override;
  void UpdateAllVolumeEdit() override;

  void ShowBandRows(int channel);
  void ShowBandRow(int channel, int band);
  // "${bypass_eq}" while some band of the current output is marked, else "${restore_eq}".
  void ShowBypassButton();
  // The current output's corners, types and slopes.
  void ShowCrossover(int channel);
  void ShowMainVolume();
  void ShowChannelVolume(int ch);
  void ShowDelay(int ch);
  // The unit delays are shown in: a choice of the screen (DelayUnit), not a setting.
  int DelayUnit() const { return delay_unit_; }
  void SetDelayUnit(int unit);

 private:
  const model::Profile& Live() const { return manager_.LiveProfile(); }
  void ShowPhase(int ch);
  void ShowInputs(int ch);
  void ShowRoles();
  void ShowLinkState();

  model::EqualizerManager& manager_;
  ScreenControls& c_;
  int delay_unit_ = 0;
};

}  // namespace tolva::ui
