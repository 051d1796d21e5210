#pragma once

#include <memory>
#include <string>

#include "device/protocol/notifications.h"

// What the scene operations ask of the scene window that started them. Texts are resolved
// UTF-8; every call comes on the window thread.
namespace tolva::model {

class SceneView {
 public:
  virtual ~SceneView() = default;
  // The confirmation dialog, caption "${tips}": true for confirm.
  virtual bool Confirm(const std::string& text) = 0;
  // The name dialog with name as its text; true and the accepted name on confirmation.
  virtual bool AskName(std::string& name) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  // Every row shows its scene's name slot again.
  virtual void RefreshRows() = 0;
  // Where the unit's scene acknowledgements and the busy-window messages go.
  virtual std::shared_ptr<device::NotificationSink> Sink() = 0;
};

}  // namespace tolva::model
