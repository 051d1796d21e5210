#pragma once

#include <string>
#include <vector>

#include "model/files/difference_text.h"
#include "ui/windows/dialog_wnd.h"

class QShowEvent;

namespace tolva::ui {

// Every difference between two sets of settings, one row each (output, setting, both values),
// in the current language: the live settings and a profile file ("Compare with file…"), or the
// unit's values and the edits the window kept while the unit was away, with the choice of which
// to keep.
class CDifferencesWnd : public CDialogWnd {
  Q_OBJECT

 public:
  CDifferencesWnd(QWidget* owner, const std::string& file_name,
                  const std::vector<tolva::model::DifferenceRow>& rows);
  // The kept edits: confirm_btn sends the window's values, third_btn keeps the unit's. It ends
  // only with one of them (Escape does nothing): neither set of values may be lost by a slip.
  explicit CDifferencesWnd(QWidget* owner, const std::vector<tolva::model::DifferenceRow>& rows);

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void AddTable(const std::vector<tolva::model::DifferenceRow>& rows, const char* first_values,
                const char* second_values);

  bool must_choose_ = false;
};

int ShowDifferencesWindow(QWidget* owner, const std::string& file_name,
                          const std::vector<tolva::model::DifferenceRow>& rows);
// 1 (ManagerView::kSendKeptEdits) or 2 (kTakeUnitValues); 0 only when the window closes.
int ShowKeptEditsWindow(QWidget* owner, const std::vector<tolva::model::DifferenceRow>& rows);

}  // namespace tolva::ui
