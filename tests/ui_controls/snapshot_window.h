#pragma once

// The main window as the documentation's renders show it: English texts from the source tree (the
// resources are the application's), the display scale asked for, connected to the in-process
// emulated unit.
#include <string>

#include "base/language_switch.h"
#include "base/language_tables.h"
#include "emulator/device_selection.h"
#include "model/equalizer_manager.h"
#include "support/qt_wait.h"
#include "ui/main_wnd.h"
#include "ui/manager_binding.h"

namespace tolva::testing {

class SnapshotWindow {
 public:
  explicit SnapshotWindow(int scale_percent) {
    window_.RetranslateAll();
    window_.SetDisplayScale(scale_percent);
    binding_.Start();
  }
  // False when the emulated unit was not read in time.
  bool Connected() {
    return WaitFor([&] { return Manager().State() == model::ConnectState::kConnected; });
  }
  CMainWnd& Window() { return window_; }
  model::EqualizerManager& Manager() { return binding_.Manager(); }

 private:
  static bool English() {
    LoadLanguageTables(Languages(), TOLVA_SOURCE_DIR "/resources/lan/", "");
    Languages().Select(LanguageTables::kEnglish);
    return true;
  }

  bool english_ = English();  // before the window is built
  CMainWnd window_;
  ui::ManagerBinding binding_{window_, emulator::SelectDevice(std::string("emulator")).factory};
};

}  // namespace tolva::testing
