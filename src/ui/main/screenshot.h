#pragma once

#include <QString>

class QWidget;

namespace tolva::ui {

// Renders a window as it would appear on screen into a PNG file (also offscreen, also for a
// window never shown). False when the file cannot be written.
bool RenderWindowScreenshot(QWidget& window, const QString& path);

}  // namespace tolva::ui
