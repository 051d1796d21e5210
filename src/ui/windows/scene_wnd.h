#pragma once

#include <memory>

#include "model/manager/scene_view.h"
#include "ui/windows/dialog_wnd.h"
#include "ui/windows/loading_wnd.h"

namespace tolva::kit {
class QtWindowSink;
}
namespace tolva::model {
class EqualizerManager;
}

// The scene window ("XML_SENCE_PROFILE", "scenewnd"): the ten stored scenes by name, and one
// action on the chosen one: load it, save the working set into it, or delete it. It stays open
// after an action; a busy window covers it while the action's thread runs.
class CSceneWnd final : public CDialogWnd, public tolva::model::SceneView {
  Q_OBJECT

 public:
  enum class Mode { kLoad = 0, kSave = 1, kDelete = 2 };

  CSceneWnd(QWidget* owner, tolva::model::EqualizerManager& manager, Mode mode);
  ~CSceneWnd() override;

  // The SceneView the manager's scene operations use.
  bool Confirm(const std::string& text) override;
  bool AskName(std::string& name) override;
  void ShowMessage(const std::string& text) override;
  void RefreshRows() override;
  std::shared_ptr<tolva::device::NotificationSink> Sink() override;

  bool IsBusy() const { return busy_.IsOpen(); }

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;

 private:
  void RunOnSelectedRow();
  void OnMessage(tolva::device::Notification& notification);

  tolva::model::EqualizerManager& manager_;
  Mode mode_;
  tolva::ui::BusyWindowSlot busy_{this};
  std::shared_ptr<tolva::kit::QtWindowSink> sink_;
};

// Opens the scene window modally over owner in the given mode.
void ShowSceneWindow(QWidget* owner, tolva::model::EqualizerManager& manager, CSceneWnd::Mode mode);
