#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

class QScreen;
class QWidget;

namespace tolva::app {

// Where and how large the main window opens: on the widest monitor, at the display scale that
// monitor's size calls for.
struct WindowPlacement {
  QScreen* screen = nullptr;
  int percent = 100;
  QSize size;       // in Qt's device-independent pixels
  QPoint position;  // top-left, centred in the screen's work area
  double font_factor = 1.0;
};

// Builds the ScreenInfo from Qt's screens (logging its lines and "screen size %d x %d"), picks
// the widest monitor and the scale, never larger than fits the monitor's work area. Sizes are
// measured in physical pixels, as the scale table means them; `forced_percent` replaces the
// table's choice and is kept as asked (the screenshot option, which draws no window on screen).
WindowPlacement PlaceMainWindow(QSize layout_size, std::optional<int> forced_percent);

// Sizes and moves the window (it stays fixed-size) and scales the application font from the
// font the program started with.
void ApplyPlacement(QWidget& window, const WindowPlacement& placement);

}  // namespace tolva::app
