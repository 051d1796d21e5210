#pragma once

#include <QString>

#include "ui/windows/dialog_wnd.h"

namespace tolva::ui {

// What the about window shows of the unit: model -1 when none is connected.
struct AboutInfo {
  int model_id = -1;
  int master_version = 0;
  int slave_version = 0;
};

// The about window ("XML_ABOUT"): unit and program versions; buttons as the message dialog.
class CAboutWnd : public CDialogWnd {
  Q_OBJECT

 public:
  static constexpr const char* kProductName = "tolva dsp";

  CAboutWnd(QWidget* owner, const AboutInfo& info);

  // The two texts, composed from the current language table.
  static QString FirmwareText(const AboutInfo& info);
  static QString SoftwareText();
};

int ShowAboutDialog(QWidget* owner, const AboutInfo& info);

}  // namespace tolva::ui
