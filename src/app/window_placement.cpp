#include "app/window_placement.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "base/debug_print.h"
#include "base/display_scale.h"
#include "base/screen_info.h"

namespace tolva::app {
namespace {

// Qt places the primary screen anywhere in the virtual desktop; the placement rules expect it
// at 0,0 (as Windows always puts it), so every rectangle is taken relative to its corner.
ScreenRect PhysicalRect(const QRect& logical, qreal dpr, QPoint origin) {
  const int left = logical.x() - origin.x();
  const int top = logical.y() - origin.y();
  return ScreenRect{left, top, left + static_cast<int>(std::lround(logical.width() * dpr)),
                    top + static_cast<int>(std::lround(logical.height() * dpr))};
}

}  // namespace

WindowPlacement PlaceMainWindow(QSize layout_size, std::optional<int> forced_percent) {
  WindowPlacement placement;
  QScreen* primary = QGuiApplication::primaryScreen();
  const QPoint origin = primary != nullptr ? primary->geometry().topLeft() : QPoint();

  std::vector<std::pair<ScreenRect, QScreen*>> monitors;
  for (QScreen* screen : QGuiApplication::screens()) {
    monitors.emplace_back(PhysicalRect(screen->geometry(), screen->devicePixelRatio(), origin),
                          screen);
  }
  std::vector<ScreenRect> rects;
  for (const auto& m : monitors) rects.push_back(m.first);
  const ScreenRect main =
      primary != nullptr ? PhysicalRect(primary->geometry(), primary->devicePixelRatio(), origin)
                         : ScreenRect{0, 0, 0, 0};
  const ScreenRect virtual_screen =
      primary != nullptr
          ? PhysicalRect(primary->virtualGeometry(), primary->devicePixelRatio(), origin)
          : ScreenRect{0, 0, 0, 0};
  const ScreenInfo info(main.Width(), main.Height(), virtual_screen, rects);

  const ScreenRect widest = info.Widest();
  DebugPrint(L"screen size %d x %d\n", widest.right, widest.bottom);
  placement.screen = primary;
  for (const auto& m : monitors) {
    if (m.first == widest) {
      placement.screen = m.second;
      break;
    }
  }

  const qreal dpr = placement.screen != nullptr ? placement.screen->devicePixelRatio() : 1.0;
  // "Unchanged" means the scale the desktop already applies to this screen.
  const int unchanged_percent = static_cast<int>(std::lround(dpr * 100));
  placement.percent = forced_percent.value_or(
      ChooseScalePercent(widest.Width(), widest.Height(), unchanged_percent));
  if (!forced_percent && placement.screen != nullptr) {
    // The table, or the desktop's own scale, can ask for more than the screen holds (150 % of
    // the layout is 1845 pixels wide): the window takes the largest scale that fits its work
    // area, so no part of it, the close button included, is ever off the screen.
    const QRect work = placement.screen->availableGeometry();
    placement.percent = std::min(
        placement.percent,
        LargestFittingPercent(layout_size.width(), layout_size.height(),
                              static_cast<int>(std::floor(work.width() * dpr)),
                              static_cast<int>(std::floor(work.height() * dpr))));
  }
  const QSize physical(ScaleLength(layout_size.width(), placement.percent),
                       ScaleLength(layout_size.height(), placement.percent));
  placement.size = dpr == 1.0 ? physical
                              : QSize(static_cast<int>(std::lround(physical.width() / dpr)),
                                      static_cast<int>(std::lround(physical.height() / dpr)));
  placement.font_factor = placement.percent / (100.0 * dpr);

  const QRect work = placement.screen != nullptr ? placement.screen->availableGeometry()
                                                 : QRect(QPoint(), placement.size);
  const QPoint centred(work.x() + (work.width() - placement.size.width()) / 2,
                       work.y() + (work.height() - placement.size.height()) / 2);
  // A window larger than the work area keeps its title bar on screen.
  placement.position = QPoint(std::max(work.x(), centred.x()), std::max(work.y(), centred.y()));
  return placement;
}

void ApplyPlacement(QWidget& window, const WindowPlacement& placement) {
  static const QFont start_font = QApplication::font();
  QFont font = start_font;
  if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * placement.font_factor);
  } else if (font.pixelSize() > 0) {
    font.setPixelSize(
        std::max(1, static_cast<int>(std::lround(font.pixelSize() * placement.font_factor))));
  }
  QApplication::setFont(font);
  if (placement.screen != nullptr && window.windowHandle() != nullptr) {
    window.windowHandle()->setScreen(placement.screen);
  }
  window.setFixedSize(placement.size);
  window.move(placement.position);
}

}  // namespace tolva::app
