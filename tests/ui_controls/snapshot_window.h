#pragma once

// The main window as the documentation's renders show it: English texts from the source tree (the
// resources are the application's), the display scale asked for, connected to the in-process
// emulated unit.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "base/language_switch.h"
#include "base/language_tables.h"
#include "emulator/device_factory.h"
#include "model/manager/equalizer_manager.h"
#include "support/qt_wait.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

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

// The render programs' frame: PROGRAM FILE.png [SCALE_PERCENT], offscreen. `render` shapes the
// connected window and saves FILE; the exit code says whether it was written.
inline int RunSnapshot(int argc, char** argv,
                       const std::function<bool(SnapshotWindow&, const QString& file)>& render) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE.png [SCALE_PERCENT]\n", argv[0]);
    return 2;
  }
  SnapshotWindow snapshot(argc > 2 ? std::atoi(argv[2]) : 100);
  if (!snapshot.Connected()) return 1;
  return render(snapshot, QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

}  // namespace tolva::testing
