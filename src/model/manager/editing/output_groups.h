#pragma once

#include <array>

#include "model/manager/editing/editing_core.h"
#include "model/manager/manager_context.h"
#include "model/profile/output_links.h"

// Operations on whole outputs and on the output set as the window's buttons and output menu
// start them: roles, link and lock, bypass, EQ reset, PEQ/GEQ mode and the output reset. Each
// asks what the user must answer first and then edits through the editing core, so its commands
// leave, and its step is recorded, where every edit's are. Window thread only.
namespace tolva::model {

class OutputGroups {
 public:
  OutputGroups(ManagerContext& ctx, EditingCore& editing) : ctx_(ctx), editing_(editing) {}
  OutputGroups(const OutputGroups&) = delete;
  OutputGroups& operator=(const OutputGroups&) = delete;

  // The roles in use and the roles the output may take.
  std::array<RoleMenuState, kSpeakerRoles> RoleMenuStates(int channel) const;
  // A role chosen in the output menu: the output takes it and becomes the current one.
  void SetOutputRole(int channel, int role);
  void SetSpeakerFocus(int role);
  void SetOutputLink();
  void SetOutpuLock();
  void SetOutputBypass();
  void SetOutputEqRest();
  void SwitchEqMode();
  void SetOutputReset();

 private:
  ManagerContext& ctx_;
  EditingCore& editing_;
};

}  // namespace tolva::model
