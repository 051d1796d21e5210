#include "ui/main_wnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>

#include "base/language_tables.h"

CMainWnd::CMainWnd(QWidget* parent) : QWidget(parent) {
  setObjectName("MainWnd");
  setWindowTitle("Tolva DSP Audio");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(LayoutSize());
}

CMainWnd::~CMainWnd() = default;

void CMainWnd::RetranslateAll() {
  update();
  if (language_hook_) language_hook_();
}

void CMainWnd::CloseOpenTipsBoxes() {
  const QString tips = QString::fromStdString(tolva::Languages().Resolve("${tips}"));
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == tips) dialog->done(0);
  }
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  if (close_hook_) close_hook_();
  CloseOpenTipsBoxes();
  event->accept();
}
