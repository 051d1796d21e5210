#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <vector>

#include "ui/windows/msg_wnd.h"

namespace tolva::testing {

// Answers what opens on top as a user would, for its whole life: a file dialog with `file`, a
// name dialog with `name`, each question with `answer` after `inspect` has looked at it, each
// message box with OK. The texts of questions and boxes are kept. A window `own` takes (returns
// true for) is left to it.
class UserAnswers {
 public:
  UserAnswers() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || (own && own(*w))) continue;
        if (auto* files = qobject_cast<QFileDialog*>(w)) {
          files->selectFile(file);
          static_cast<QDialog*>(files)->accept();  // as its Open button does
        } else if (auto* naming = qobject_cast<ui::CNameMsgWnd*>(w)) {
          naming->SetName(name);
          naming->done(1);
        } else if (auto* question = qobject_cast<ui::CMsgWnd*>(w)) {
          auto* text = question->findChild<QLabel*>(QStringLiteral("MessageText"));
          questions.push_back(text != nullptr ? text->text() : QString());
          if (inspect) inspect(*question);
          question->done(answer);
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
          notices.push_back(box->text());
          box->done(0);
        }
      }
    });
    timer_.start(20);
  }

  QString file;
  QString name;
  int answer = 1;
  std::function<void(ui::CMsgWnd&)> inspect;
  std::function<bool(QWidget&)> own;
  std::vector<QString> questions;
  std::vector<QString> notices;

 private:
  QTimer timer_;
};

}  // namespace tolva::testing
