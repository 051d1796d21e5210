#pragma once

#include <QString>

class QWidget;

namespace tolva::app {

// Renders the window, laid out as shown, into a PNG file. False when it cannot be written.
bool SaveWindowScreenshot(QWidget& window, const QString& path);

}  // namespace tolva::app
