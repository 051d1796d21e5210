#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/profile.h"
#include "model/tuning_session.h"
#include "ui/kit/control_surface.h"

class CMainWnd;
class QAction;
namespace tolva::kit {
class PopupMenu;
}
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

// Undo and redo, A/B comparison, the tweeter question and "Compare with file…" on the main
// window. Every user edit reaches the manager through OnControlNotify or OnManagerMenuItem,
// which record it as one step of the live side's history and, where the change could leave a
// tweeter unprotected, hold its commands until the user has answered. Undo, redo and a switch
// make the model the target, refresh the screen from it and queue only the differences.
class TuningActions {
 public:
  TuningActions(CMainWnd& window, model::EqualizerManager& manager);
  ~TuningActions();
  TuningActions(const TuningActions&) = delete;
  TuningActions& operator=(const TuningActions&) = delete;

  // A notification of the window's controls; `route` hands it to the manager's operations.
  void OnControlNotify(const kit::ControlNotify& notify, const std::function<void()>& route);
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

  const model::TuningSession& Session() const { return session_; }

 private:
  model::Profile& Live();
  bool Ask(const std::string& question);
  // Runs one user edit as one step; `guarded`: its queued commands wait for the tweeter
  // question, and "no" returns the model and the screen to what they were.
  void Edit(const std::function<void()>& route, bool guarded);
  // A drag on the graph or a slider: one step from press to release, asked about at release;
  // what it would send past the point a tweeter is left unprotected waits for the answer.
  void BeginGesture(const std::string& control);
  void EndGesture();
  // Undo (backwards) or redo, asked about like an edit.
  void TakeStep(bool forward);
  // The model made equal to target, the screen refreshed, the differences queued.
  void MoveTo(const model::Profile& target);
  // Undo, redo or a switch is not taken while a unit operation or a gesture runs.
  bool Busy() const;
  void ShowMarks();
  void ShowSide();
  void InstallShortcuts();

  CMainWnd& window_;
  model::EqualizerManager& manager_;
  model::TuningSession session_;
  int edit_depth_ = 0;
  std::optional<std::string> gesture_;  // the control whose drag is one step
  std::unique_ptr<model::Profile> gesture_before_;
  // While a drag's commands are held for the tweeter question: the live profile the unit holds.
  std::unique_ptr<model::Profile> gesture_unit_;
  bool was_connected_ = false;
  std::vector<bool> marked_;
  std::vector<QAction*> actions_;
  std::unique_ptr<QObject> key_filter_;
};

}  // namespace tolva::ui
