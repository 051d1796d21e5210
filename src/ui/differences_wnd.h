#pragma once

#include <string>
#include <vector>

#include "model/difference_text.h"
#include "ui/dialog_wnd.h"

class QShowEvent;

// "Compare with file…": every difference between the live settings and a profile file, one row
// each (output, setting, live value, file value), in the current language.
class CDifferencesWnd : public CDialogWnd {
  Q_OBJECT

 public:
  CDifferencesWnd(QWidget* owner, const std::string& file_name,
                  const std::vector<tolva::model::DifferenceRow>& rows);

 protected:
  void showEvent(QShowEvent* event) override;
};

int ShowDifferencesWindow(QWidget* owner, const std::string& file_name,
                          const std::vector<tolva::model::DifferenceRow>& rows);
