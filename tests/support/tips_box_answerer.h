#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <vector>

#include "ui/kit/qt/qt_text.h"

namespace tolva::testing {

// The texts of the "${tips}" boxes that were open, each then closed as a user would.
class TipsBoxAnswerer {
 public:
  TipsBoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const QString tips = tolva::kit::Resolve(QStringLiteral("${tips}"));
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr || !box->isVisible() || box->windowTitle() != tips) continue;
        texts.push_back(box->text());
        modal.push_back(box->isModal());
        box->done(0);
      }
    });
    timer_.start(20);
  }
  std::vector<QString> texts;
  std::vector<bool> modal;

 private:
  QTimer timer_;
};

}  // namespace tolva::testing
