#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "dsp_math/channel_response.h"
#include "model/manager/operations/auto_calibration.h"
#include "model/edits/edit_operations.h"
#include "model/manager/editing/editing_core.h"
#include "model/manager/manager_context.h"
#include "model/manager/manager_view.h"
#include "model/manager/notification_queue.h"
#include "model/profile/output_links.h"
#include "model/manager/editing/output_groups.h"
#include "model/edits/output_operations.h"
#include "model/profile/profile.h"
#include "model/files/profile_files.h"
#include "model/manager/editing/safe_tuning.h"
#include "model/manager/scene_view.h"
#include "model/manager/connection/unit_connection.h"
#include "model/manager/operations/unit_operations.h"
#include "model/manager/unit_outcome.h"
#include "model/manager/worker.h"

// The one object that knows every setting of the unit: the live profile, the ten stored scene
// profiles and their names, and the response curves derived from the live profile. Runs on the
// window thread; no window code here: the screen is reached through ManagerView and the unit
// through the DspLink the manager owns.
namespace tolva::model {

class EqualizerManager {
 public:
  // Without a factory no unit ever opens (profile work only).
  EqualizerManager();
  explicit EqualizerManager(device::TransportFactory factory, Clock& clock = SystemClock());
  // Closes the link (goodbye included) and joins the worker threads.
  virtual ~EqualizerManager();
  EqualizerManager(const EqualizerManager&) = delete;
  EqualizerManager& operator=(const EqualizerManager&) = delete;

  Profile& LiveProfile() { return ctx_.unit->live; }
  const Profile& LiveProfile() const { return ctx_.unit->live; }
  // 0: the live profile; 1 … 10: stored scene k; nullptr otherwise.
  Profile* ProfileOfScene(int scene) { return ctx_.unit->ProfileOfScene(scene); }
  const Profile* ProfileOfScene(int scene) const { return ctx_.unit->ProfileOfScene(scene); }
  // Slot k-1 holds the name of stored scene k; nullptr outside 0 … 9.
  SceneNameSlot* SceneNameSlotAt(int slot);
  UnitSettings& Unit() { return *ctx_.unit; }
  const UnitSettings& Unit() const { return *ctx_.unit; }

  // Curves of the live profile. Each output has its own curves; ChannelCurvesOf(c).hp/.lp
  // are those of c as last computed.
  void ComputeChannelResponse(int channel) { ctx_.ComputeChannelResponse(channel); }
  // The current channel and, when it is linked, its partner.
  void ComputeCurrentResponses() { ctx_.ComputeCurrentResponses(); }
  void ComputeAllResponses() { ctx_.ComputeAllResponses(); }
  const dsp::ChannelCurves& ChannelCurvesOf(int channel) const;
  const dsp::Curve& Grid() const { return dsp::StandardEvaluator().grid(); }

  // Profile files. A rejected file leaves every profile and name as it was; the result's
  // message (MessageOf) is what the user is shown.
  ProfileReadResult LoadSceneProfileFile(const std::string& path) {
    return operations_.LoadSceneProfileFile(path);
  }
  ProfileReadResult LoadWholeProfileFile(const std::string& path) {
    return operations_.LoadWholeProfileFile(path);
  }
  bool SaveSceneProfileFile(const std::string& path) const {
    return operations_.SaveSceneProfileFile(path);
  }
  bool SaveWholeProfileFile(const std::string& path) const {
    return operations_.SaveWholeProfileFile(path);
  }

  // --- Connection lifecycle (UnitConnection) ---
  device::DspLink& Link() { return *ctx_.link; }
  // nullptr: the silent view. Not owned.
  void SetView(ManagerView* view);
  // Where the link's main-window notifications and the workers' messages go; nullptr: the
  // manager's own queue, emptied by ProcessPendingNotifications. Not owned.
  void SetMainSink(device::NotificationSink* sink);
  // Applies what the own queue holds, in order, on the caller's thread; waits up to wait_ms for
  // the first when nothing is pending. Returns how many were handled.
  std::size_t ProcessPendingNotifications(int wait_ms = 0);
  // The window thread's routing of one main-window message.
  void HandleNotification(device::Notification& notification);

  void Connect(bool show_failure) { connection_.Connect(show_failure); }
  // The placeholder a failed connect shows; by default "${device_connect_fail}". The program
  // sets one that tells a unit not plugged in from one this user may not open.
  void SetConnectFailureMessage(std::function<std::string()> message) {
    connection_.SetConnectFailureMessage(std::move(message));
  }
  void Disconnect() { connection_.Disconnect(); }
  void DevicePlugin() { connection_.DevicePlugin(); }
  void DevicePlugOut() { connection_.DevicePlugOut(); }
  ConnectState State() const { return ctx_.state; }
  // Told on the window thread when the unit has left (false; the model has noted what the unit
  // held, so a change made now is kept for its return) and when a connection has been read and
  // settled (true). Returns an id for RemovePresenceListener.
  int AddPresenceListener(std::function<void(bool present)> listener) {
    ctx_.presence_listeners[ctx_.next_listener] = std::move(listener);
    return ctx_.next_listener++;
  }
  void RemovePresenceListener(int id) { ctx_.presence_listeners.erase(id); }
  // The screen told that a live value changed outside an edit (a device::dsp_sub code, output).
  void ShowLiveValue(int code, int channel) { ctx_.view->LiveValueApplied(code, channel); }
  // True while the connect read runs.
  bool IsReading() const { return connection_.IsReading(); }
  // How the last connect read ended; a read that is not kDone never connects.
  UnitOutcome LastReadOutcome() const { return connection_.LastReadOutcome(); }
  // How many bands each output's EQ requests ask for: the live profile's eqSize. Taken on the
  // window thread and handed to a worker, which never reads the model itself.
  using EqBandCounts = model::EqBandCounts;
  EqBandCounts LiveEqBandCounts() const { return ctx_.LiveEqBandCounts(); }
  // Reads stored scene k (1 ... 10) into its scene profile without loading it. Synchronous.
  void ReadStoredScene(int scene, const EqBandCounts& bands) {
    operations_.ReadStoredScene(scene, bands);
  }
  // Asks, then resets the unit on a thread; 1240 follows.
  void ResetMcuFactoryDefault() { connection_.ResetMcuFactoryDefault(); }
  // After the auto-calibration window closed with 1: behind the busy window a worker sends the
  // apply still owed and waits for the queue to be through, then the window thread disconnects
  // and connects again, which reads the corrected unit.
  void ReadAgainAfterRoomCorrection(const AutoCalibration::Outcome& outcome) {
    operations_.ReadAgainAfterRoomCorrection(outcome);
  }
  // Waits for the worker threads that have been started to end.
  void JoinWorkers();
  // Cuts the workers' long waits short, for shutting down.
  void CancelWaits() { ctx_.shutdown.request_stop(); }

  // --- The screen (ManagerContext): the model part here, the controls in the view ---
  // Link state made consistent (linked implies locked, partners recomputed), curves
  // recomputed, every control rewritten, then the graph.
  void RefreshFromProfile() { ctx_.RefreshFromProfile(); }
  void UpdateAllVolumeEdit();
  // The current output's curve (and its linked partner's) recomputed and handed to the graph;
  // band is the one to highlight, -1 none.
  void UpdateEqualizer(int band) { ctx_.UpdateEqualizer(band); }

  // currChannel, held to 0 … 5.
  int CurrentChannel() const { return ctx_.CurrentChannel(); }

  // --- Safe tuning (SafeTuning): each edit one step of the undo history, the tweeter question
  // before its commands leave, undo, redo and the A/B switch ---
  SafeTuning& Tuning() { return tuning_; }
  const SafeTuning& Tuning() const { return tuning_; }
  // The edits by value (EditingCore): the window's presenter, the command line and the tests
  // call these; each answers with the commands sent, the outputs changed and any clamp.
  EditingCore& Editing() { return editing_; }

  // --- Output groups (OutputGroups): roles, link, lock, bypass, resets, mode ---
  // The roles in use and the roles the output may take (the output menu's items).
  std::array<RoleMenuState, kSpeakerRoles> RoleMenuStates(int channel) const {
    return groups_.RoleMenuStates(channel);
  }
  void SetOutputRole(int channel, int role) { groups_.SetOutputRole(channel, role); }
  void SetSpeakerFocus(int role) { groups_.SetSpeakerFocus(role); }
  void SetOutputLink() { groups_.SetOutputLink(); }
  void SetOutpuLock() { groups_.SetOutpuLock(); }
  void SetOutputBypass() { groups_.SetOutputBypass(); }
  void SetOutputEqRest() { groups_.SetOutputEqRest(); }
  void SwitchEqMode() { groups_.SwitchEqMode(); }
  void SetOutputReset() { groups_.SetOutputReset(); }

  // --- The scene menu's files (UnitOperations); the paths come from the dialogs ---
  void LoadSenceConfigFromFile(const std::string& path) {
    operations_.LoadSenceConfigFromFile(path);
  }
  void SaveSenceConfigToFile(const std::string& path) { operations_.SaveSenceConfigToFile(path); }
  void LoadWholeConfigFromFile(const std::string& path) {
    operations_.LoadWholeConfigFromFile(path);
  }
  void SaveWholeConfigToFile(const std::string& path) { operations_.SaveWholeConfigToFile(path); }
  // Every stored scene into its scene profile, then the working set again. Synchronous; the
  // replies arrive as notifications. kDone only when every request was answered. Without
  // counts, the live ones on the caller's thread.
  UnitOutcome ReadWholeUnit() { return ReadWholeUnit(LiveEqBandCounts()); }
  UnitOutcome ReadWholeUnit(const EqBandCounts& bands) { return operations_.ReadWholeUnit(bands); }

  // From the start of a scene or file operation with the unit until its end has been handled
  // on the window thread. Another one is refused meanwhile, with "${unit_busy_tips}".
  bool UnitOperationRunning() const { return operations_.UnitOperationRunning(); }

  // --- Scenes on the unit (UnitOperations), started from a scene window ---
  void LoadSence(SceneView& view, int scene) { operations_.LoadSence(view, scene); }
  void SaveSence(SceneView& view, int scene) { operations_.SaveSence(view, scene); }
  void DeleteSence(SceneView& view, int scene) { operations_.DeleteSence(view, scene); }
  int SelectedScene() const { return operations_.SelectedScene(); }

  // --- Bulk writes (UnitOperations), synchronous on the caller's thread; kDone only when the
  // unit acknowledged every command (the queued part of a whole write included) ---
  UnitOutcome SetReadCurProfileToMCU(const Profile& profile) {
    return operations_.SetReadCurProfileToMCU(profile);
  }
  UnitOutcome SetReadWholeProfileToMCU() { return SetReadWholeProfileToMCU(*ctx_.unit); }
  UnitOutcome SetReadWholeProfileToMCU(const UnitSettings& unit) {
    return operations_.SetReadWholeProfileToMCU(unit);
  }
  // The whole write, then the time the unit takes to store its ten scenes.
  UnitOutcome WriteWholeUnit(const UnitSettings& unit) { return operations_.WriteWholeUnit(unit); }

 private:
  // Declared first: the parts hold references to it and are destroyed before it.
  ManagerContext ctx_;
  UnitConnection connection_{ctx_};
  UnitOperations operations_{ctx_, connection_};
  SafeTuning tuning_{ctx_, [this] {
    return operations_.UnitOperationRunning() || connection_.IsReading();
  }};
  EditingCore editing_{ctx_, tuning_};
  OutputGroups groups_{ctx_, editing_};
};

}  // namespace tolva::model
