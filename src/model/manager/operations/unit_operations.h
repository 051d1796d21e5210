#pragma once

#include <functional>
#include <optional>
#include <string>

#include "model/manager/operations/auto_calibration.h"
#include "model/manager/manager_context.h"
#include "model/files/profile_files.h"
#include "model/manager/scene_view.h"
#include "model/manager/connection/unit_connection.h"
#include "model/manager/worker.h"

// Operations on the unit's stored contents, each behind a busy window: scenes loaded, saved and
// deleted, scene and whole-unit profile files read and sent or the unit saved to one, the
// whole-unit read and the bulk writes, and the read again after a room correction. One
// operation at a time on its worker; the model and the screen change on the window thread.
namespace tolva::model {

class UnitOperations {
 public:
  UnitOperations(ManagerContext& ctx, UnitConnection& connection)
      : ctx_(ctx), connection_(connection) {}
  UnitOperations(const UnitOperations&) = delete;
  UnitOperations& operator=(const UnitOperations&) = delete;

  // Scenes on the unit (scene_operations.cpp), started from a scene window.
  void LoadSence(SceneView& view, int scene);
  void SaveSence(SceneView& view, int scene);
  void DeleteSence(SceneView& view, int scene);
  int SelectedScene() const { return selected_scene_; }
  void ReadStoredScene(int scene, const EqBandCounts& bands);
  void OnSceneLoaded();

  // Files (file_operations.cpp).
  ProfileReadResult LoadSceneProfileFile(const std::string& path);
  ProfileReadResult LoadWholeProfileFile(const std::string& path);
  bool SaveSceneProfileFile(const std::string& path) const;
  bool SaveWholeProfileFile(const std::string& path) const;
  void LoadSenceConfigFromFile(const std::string& path);
  void SaveSenceConfigToFile(const std::string& path);
  void LoadWholeConfigFromFile(const std::string& path);
  void SaveWholeConfigToFile(const std::string& path);
  UnitOutcome ReadWholeUnit(const EqBandCounts& bands);
  void OnWholeUnitRead(const std::string& path, UnitOutcome outcome);

  // Bulk writes (bulk_writes.cpp), synchronous on the caller's thread.
  UnitOutcome SetReadCurProfileToMCU(const Profile& profile);
  UnitOutcome SetReadWholeProfileToMCU(const UnitSettings& unit);
  // SetReadWholeProfileToMCU, then the unit's time to store the scenes (none once it has gone).
  UnitOutcome WriteWholeUnit(const UnitSettings& unit);

  // Room correction (room_correction_read.cpp).
  void ReadAgainAfterRoomCorrection(const AutoCalibration::Outcome& outcome);
  void OnRoomCorrectionSent(bool confirmed);

  bool UnitOperationRunning() const { return unit_operation_running_; }
  // The end of an operation, handled on the window thread.
  void OnUnitOperationDone() {
    unit_operation_running_ = false;
    slot_before_.reset();
  }
  // An operation did not complete, on the window thread: a scene save or delete gives its slot
  // back the name the unit still holds.
  void OnOperationFailed(UnitOperation operation);
  void JoinWorkers();

 private:
  static constexpr int kReadSceneSettleMs = 1000;
  static constexpr int kWholeWriteSettleMs = 200;
  // Real time: the queued half of a whole write, a few hundred commands, must have been sent.
  static constexpr int kQueueDrainLimitMs = 120000;

  using Tell = std::function<void(const std::string&)>;
  // True, after telling the user, while an earlier unit operation runs.
  bool RefusedWhileOperationRuns(const Tell& tell) const;
  // Runs work on the operation thread unless one runs; the end is posted behind its replies.
  bool StartUnitOperation(const Tell& tell, std::function<void()> work);
  bool StartSceneThread(SceneView& view, int scene, std::function<void()> work);
  void FailUnlessAcknowledged(device::NotificationSink& scene_window, UnitOperation operation,
                              UnitOutcome outcome);
  bool StartFileThread(std::function<void()> work);
  // Tells the user and returns true when a file to be sent holds a value the unit cannot take.
  bool RefusedBeyondLimits(const std::string& problem);
  void WriteSceneValues(const Profile& profile, int scene, bool sync);

  ManagerContext& ctx_;
  UnitConnection& connection_;
  // The scene and file operations' worker; one at a time.
  Worker unit_operation_worker_{ctx_.shutdown.get_token()};
  Worker correction_worker_{ctx_.shutdown.get_token()};
  bool unit_operation_running_ = false;  // window thread only
  int selected_scene_ = 0;
  // The slot a running save or delete changed, as it was (window thread only).
  struct SlotBefore {
    int scene = 0;
    SceneNameSlot slot{};
  };
  std::optional<SlotBefore> slot_before_;
};

}  // namespace tolva::model
