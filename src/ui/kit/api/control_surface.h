#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ui/kit/api/controls.h"

namespace tolva::kit {

// One user action on a control, delivered on the window thread.
struct ControlNotify {
  std::string name;   // the control's name ("eq_gain_4")
  std::string type;   // a msgtype ("return")
  int user_data = 0;  // the control's index
};

using NotifyHandler = std::function<void(const ControlNotify&)>;

// The controls of one window, found by name. A Find returns null when no control has that name
// or when it is not of the asked kind. Pointers stay valid for the life of the window.
class ControlSurface {
 public:
  virtual ~ControlSurface() = default;
  virtual Control* FindControl(std::string_view name) = 0;
  virtual Button* FindButton(std::string_view name) = 0;
  virtual Option* FindOption(std::string_view name) = 0;
  virtual Slider* FindSlider(std::string_view name) = 0;
  virtual Edit* FindEdit(std::string_view name) = 0;
  virtual Combo* FindCombo(std::string_view name) = 0;
  virtual List* FindList(std::string_view name) = 0;
  virtual Label* FindLabel(std::string_view name) = 0;
  // Receives every notification of the window's controls; replaces the previous handler.
  virtual void SetNotifyHandler(NotifyHandler handler) = 0;
  // The window's display scale in percent (100 = layout size).
  virtual int DisplayScalePercent() const = 0;
};

}  // namespace tolva::kit
