#include "app/screenshot_option.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

namespace tolva::app {

bool SaveWindowScreenshot(QWidget& window, const QString& path) {
  window.show();
  // Let layouts and the first paint settle before grabbing.
  QApplication::processEvents();
  QApplication::processEvents();
  const QPixmap pixmap = window.grab();
  return !pixmap.isNull() && pixmap.save(path, "PNG");
}

}  // namespace tolva::app
