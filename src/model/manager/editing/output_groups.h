#pragma once

#include <array>
#include <string_view>

#include "model/manager/manager_context.h"
#include "model/profile/output_links.h"
#include "model/edits/output_operations.h"

// Operations on whole outputs and on the output set: speaker roles from the output menu, link
// and lock, bypass, EQ reset, PEQ/GEQ mode and the output reset. The view is told which values
// to show again. Window thread only.
namespace tolva::model {

class OutputGroups {
 public:
  explicit OutputGroups(ManagerContext& ctx) : ctx_(ctx) {}
  OutputGroups(const OutputGroups&) = delete;
  OutputGroups& operator=(const OutputGroups&) = delete;

  // The output whose button opened the output menu.
  void SetOutputMenuChannel(int channel) { output_menu_channel_ = channel; }
  int OutputMenuChannel() const { return output_menu_channel_; }
  // The roles in use and the roles the menu's output may take.
  std::array<RoleMenuState, kSpeakerRoles> RoleMenuStates() const;
  void SetOutputValue(int channel, std::string_view item);
  void SetSpeakerFocus(int role);
  void CopyChannelConfig(int from, int to);
  void SetOutputLink();
  void SetOutpuLock();
  void SetOutputBypass();
  void SetOutputEqRest();
  void SwitchEqMode();
  void SetOutputReset();

 private:
  // An output's role button, icons and the graph as the live profile holds them.
  void ShowRole(int channel);
  void ShowGains(const std::vector<int>& channels);
  void Send(const OutputEdit& edit);
  void SendUnlink();

  ManagerContext& ctx_;
  int output_menu_channel_ = 0;
};

}  // namespace tolva::model
