#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <vector>

namespace tolva::testing {

// Answers the next modal dialog by clicking `buttons` in turn and keeps its text.
class DialogAnswer {
 public:
  explicit DialogAnswer(std::vector<const char*> buttons) : buttons_(std::move(buttons)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible() || answered_) return;
      answered_ = true;
      if (auto* text = dialog->findChild<QLabel*>(QStringLiteral("MessageText"))) {
        text_ = text->text();
      }
      for (const char* name : buttons_) {
        if (auto* w = dialog->findChild<QWidget*>(QString::fromLatin1(name))) {
          QTest::mouseClick(w, Qt::LeftButton);
        }
      }
    });
    timer_.start(10);
  }
  bool Answered() const { return answered_; }
  const QString& Text() const { return text_; }

 private:
  std::vector<const char*> buttons_;
  QTimer timer_;
  bool answered_ = false;
  QString text_;
};

}  // namespace tolva::testing
