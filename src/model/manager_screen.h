#pragma once

#include "model/equalizer_manager.h"
#include "model/manager_view.h"
#include "model/screen_controls.h"

// The screen half of the manager: which controls show which value of the live profile. The main
// window derives from it (adding the message boxes, busy window and secondary windows) and hands
// it its controls; every call runs on the window thread.
namespace tolva::model {

class ManagerScreen : public ManagerView {
 public:
  static constexpr int kComboItemHeight = 16;
  static constexpr std::uint32_t kDisconnectedColor = 0xFFFF0000;
  static constexpr std::uint32_t kConnectedColor = 0xFFFFFFFF;

  // Hands the manager the same controls for its editing operations, until destroyed.
  ManagerScreen(EqualizerManager& manager, ScreenControls& controls);
  ~ManagerScreen() override;
  ManagerScreen(const ManagerScreen&) = delete;
  ManagerScreen& operator=(const ManagerScreen&) = delete;

  // Item heights and the source combo's items, then the live profile shown once.
  void InitControls();

  void ShowConnectState(ConnectState state) override;
  void ShowUnitAnswering(bool answering) override;
  void LiveValueApplied(int code, int channel) override;
  void BandsEdited(int channel, int band) override;
  void UpdateEqualizer(int band) override;
  void RefreshFromProfile() override;
  void UpdateAllVolumeEdit() override;

 private:
  const Profile& Live() const { return manager_.LiveProfile(); }
  void ShowMainVolume();
  void ShowChannelVolume(int ch);
  void ShowDelay(int ch);
  void ShowPhase(int ch);
  void ShowInputs(int ch);
  void ShowRoles();
  void ShowLinkState();

  EqualizerManager& manager_;
  ScreenControls& c_;
};

}  // namespace tolva::model
