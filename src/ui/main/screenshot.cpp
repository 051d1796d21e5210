#include "ui/main/screenshot.h"

#include <QCoreApplication>
#include <QLayout>
#include <QPixmap>
#include <QWidget>

namespace tolva::ui {

bool RenderWindowScreenshot(QWidget& window, const QString& path) {
  const bool was_visible = window.isVisible();
  const bool was_offscreen = window.testAttribute(Qt::WA_DontShowOnScreen);
  if (!was_visible) {
    // Showing (off screen) runs the layouts and sends the pending resize events.
    window.setAttribute(Qt::WA_DontShowOnScreen, true);
    window.show();
  }
  if (window.layout() != nullptr) window.layout()->activate();
  QCoreApplication::processEvents();
  const QPixmap picture = window.grab();
  if (!was_visible) {
    window.hide();
    window.setAttribute(Qt::WA_DontShowOnScreen, was_offscreen);
  }
  return !picture.isNull() && picture.save(path, "PNG");
}

}  // namespace tolva::ui
