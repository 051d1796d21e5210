#pragma once

// Mouse events sent straight to a widget, with the buttons held as given: QTest moves the
// pointer with no button held through the platform cursor, which the offscreen platform does
// not turn into move events.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace tolva::testing {

// type: MouseMove, MouseButtonPress or MouseButtonRelease (left button).
inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace tolva::testing
