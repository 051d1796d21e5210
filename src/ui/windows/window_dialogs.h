#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/kit/api/dialogs.h"

class QMessageBox;

namespace tolva::ui {

// The dialogs of one window for the logic: the message dialogs, message boxes and file dialogs,
// each modal over the window.
class WindowDialogs final : public tolva::kit::Dialogs {
 public:
  explicit WindowDialogs(QWidget* owner) : owner_(owner) {}

  int ShowMessageDialog(std::string_view title, std::string_view text) override;
  int ShowChoiceDialog(std::string_view title, std::string_view text,
                       const std::vector<std::string>& buttons) override;
  int ShowCheckDialog(std::string_view title, std::string_view text, std::string_view option0,
                      std::string_view option1) override;
  int ShowNameDialog(std::string& name) override;
  void ShowMessageBox(std::string_view text, std::string_view caption) override;
  std::optional<std::string> GetOpenFileName(std::string_view title,
                                             std::string_view filter) override;
  std::optional<std::string> GetSaveFileName(std::string_view title, std::string_view filter,
                                             std::string_view suggested_name) override;

 private:
  QPointer<QWidget> owner_;
};

// A message box with an OK button, captioned with the resolved caption (so that
// CMainWnd::CloseOpenTipsBoxes finds it), modal over owner.
void ShowMessageBox(QWidget* owner, const QString& raw_text, const QString& raw_caption);
// The same box, in the theme, not yet shown: for a box shown without a modal loop.
QMessageBox* NewMessageBox(QWidget* owner, const QString& raw_text, const QString& raw_caption);
// The notice that the unit left, shown over owner without a modal loop. While one is open, the
// text is added to it instead (a window that closed because of it says why there): the user
// reads one notice.
void ShowUnitLeftNotice(QWidget* owner, const QString& raw_text);

}  // namespace tolva::ui
