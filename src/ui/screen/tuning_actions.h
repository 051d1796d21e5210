#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/profile/profile.h"
#include "model/manager/editing/safe_tuning.h"
#include "model/tuning/tuning_session.h"
#include "ui/kit/api/control_surface.h"

class CMainWnd;
class QAction;
namespace tolva::kit {
class PopupMenu;
}
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

// The main window's side of safe tuning (model::SafeTuning): its keys and Options items for undo,
// redo and A/B, "Compare with file…", the side shown and the outputs marked. Every user edit
// reaches the manager through OnControlNotify or OnManagerMenuItem, which run it as one step of
// the manager's tuning; which control a drag belongs to is the window's to know.
class TuningActions {
 public:
  TuningActions(CMainWnd& window, model::EqualizerManager& manager);
  ~TuningActions();
  TuningActions(const TuningActions&) = delete;
  TuningActions& operator=(const TuningActions&) = delete;

  // A notification of the window's controls; `route` hands it to the manager's operations.
  void OnControlNotify(const kit::ControlNotify& notify, const std::function<void()>& route);
  // An edit by value (the graph's drags): one step of the manager's tuning, like a notification.
  void OnValueEdit(const std::function<void()>& edit);
  // Our own items of the Options menu; false for any other item.
  bool OnMenuItem(const std::string& name);
  // Any other menu item; `route` runs its operation.
  void OnManagerMenuItem(const std::string& name, const std::function<void()>& route);
  // Before a profile file replaces the live settings: false when the user keeps them.
  bool MayLoadFile(const std::string& path, bool whole);
  // After the window handled a message of the unit or a worker.
  void AfterMessage();
  // The Options menu's items for the moment: undo and redo by the history, the A/B mark.
  void PrepareOptionMenu(kit::PopupMenu& menu);

  void Undo();
  void Redo();
  // A/B: the first switch copies A to B; each switch sends only the differences.
  void SwitchSide();
  void CompareWithFile();

  const model::TuningSession& Session() const;

 private:
  model::Profile& Live();
  model::SafeTuning& Tuning();
  // A drag on the graph or a slider of `control`: one step from press to release.
  void BeginGesture(const std::string& control);
  void EndGesture();
  void ShowMarks();
  void ShowSide();
  void InstallShortcuts();

  CMainWnd& window_;
  model::EqualizerManager& manager_;
  std::optional<std::string> gesture_;  // the control whose drag is one step
  std::vector<bool> marked_;
  std::vector<QAction*> actions_;
  std::unique_ptr<QObject> key_filter_;
};

}  // namespace tolva::ui
