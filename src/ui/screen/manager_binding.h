#pragma once

#include <memory>
#include <string>

#include "base/clock.h"
#include "device/transport/transport.h"

class CMainWnd;
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

class TuningActions;

// Joins the main window and the EqualizerManager: the unit's replies reach the manager through
// the window's posted messages, the manager's screen half drives the window's controls, and the
// window's notifications reach the manager. Lives on the window thread, shorter than the window.
class ManagerBinding {
 public:
  // The clock paces the link's time-outs and the workers' waits (tests pass a fake one).
  ManagerBinding(CMainWnd& window, device::TransportFactory factory, Clock& clock = SystemClock());
  ~ManagerBinding();
  ManagerBinding(const ManagerBinding&) = delete;
  ManagerBinding& operator=(const ManagerBinding&) = delete;

  model::EqualizerManager& Manager();
  TuningActions& Tuning();
  // Shows the live profile once and connects without a failure message (start-up).
  void Start();
  // A profile file given on the command line: loaded, and sent to the unit, once the connect
  // read is over (right away when no unit is there). ".wpf" is a whole-unit file, any other a
  // scene profile.
  void OpenProfileFileWhenReady(const std::string& path);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace tolva::ui
