#pragma once

#include <QString>
#include <QStringList>

#include "ui/windows/dialog_wnd.h"

namespace tolva::ui {

// The message dialog ("XML_MSG"): up to three buttons, confirm 1, cancel 0, third 2.
class CMsgWnd : public CDialogWnd {
  Q_OBJECT

 public:
  explicit CMsgWnd(QWidget* owner);
  // One to three texts: confirm, cancel (hidden below two), third (shown from three).
  void SetButtons(const QStringList& raw_texts);
};

// The choice dialog ("XML_CHECKBOX_MSG"): two options; confirm ends with 1 or 2 by the selected
// option and does nothing while neither is selected.
class CMsgCheckBoxWnd : public CDialogWnd {
  Q_OBJECT

 public:
  explicit CMsgCheckBoxWnd(QWidget* owner);
  // Both must be non-empty, or the layout's option texts stay.
  void SetOptions(const QString& raw0, const QString& raw1);

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;
};

// The scene-name dialog ("XML_MSG_NAME"): Return or confirm accepts the typed name (1). Under
// the box it says how long a name may be, and, as soon as the unit would keep another name than
// the one typed (cut short, or a character its code page lacks), which one.
class CNameMsgWnd : public CDialogWnd {
  Q_OBJECT

 public:
  explicit CNameMsgWnd(QWidget* owner);
  void SetName(const QString& name);
  QString Name() const;
  // The name the unit will keep of the one typed.
  QString KeptName() const;

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;
  void showEvent(QShowEvent* event) override;

 private:
  void ShowWhatIsKept();
};

int ShowMessageDialog(QWidget* owner, const QString& title, const QString& text);
int ShowChoiceDialog(QWidget* owner, const QString& title, const QString& text,
                     const QStringList& buttons);
int ShowCheckDialog(QWidget* owner, const QString& title, const QString& text,
                    const QString& option0, const QString& option1);
// name: initial text in, the name the unit will keep of the accepted text out. Unchanged unless
// the result is 1.
int ShowNameDialog(QWidget* owner, QString& name);

}  // namespace tolva::ui
