#include "app/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "base/display_scale.h"

namespace tolva::app {
namespace {

// The offscreen platform has one screen; its size decides the expected scale, which is never
// more than lets the window fit the screen.
int ExpectedPercent() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpr = screen->devicePixelRatio();
  const int w = static_cast<int>(screen->geometry().width() * dpr);
  const int h = static_cast<int>(screen->geometry().height() * dpr);
  return std::min(ChooseScalePercent(w, h, static_cast<int>(dpr * 100)),
                  LargestFittingPercent(1230, 650, w, h));
}

TEST(DisplayScale, TheLargestFittingPercentFitsAndTheNextDoesNot) {
  for (const QSize area : {QSize(1600, 1000), QSize(800, 600), QSize(1920, 1080),
                           QSize(1231, 651), QSize(1230, 650), QSize(1366, 768)}) {
    const int p = LargestFittingPercent(1230, 650, area.width(), area.height());
    EXPECT_LE(ScaleLength(1230, p), area.width());
    EXPECT_LE(ScaleLength(650, p), area.height());
    EXPECT_TRUE(ScaleLength(1230, p + 1) > area.width() || ScaleLength(650, p + 1) > area.height())
        << area.width() << "x" << area.height();
  }
  EXPECT_EQ(LargestFittingPercent(1230, 650, 1600, 1000), 130);
}

TEST(WindowPlacement, ScalesTheLayoutSizeAndCentresOnTheScreen) {
  ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
  const QSize layout(1230, 650);
  const WindowPlacement placement = PlaceMainWindow(layout, std::nullopt);
  EXPECT_EQ(placement.screen, QGuiApplication::primaryScreen());
  EXPECT_EQ(placement.percent, ExpectedPercent());
  if (placement.screen->devicePixelRatio() == 1.0) {
    EXPECT_EQ(placement.size,
              QSize(ScaleLength(1230, placement.percent), ScaleLength(650, placement.percent)));
  }
  const QRect work = placement.screen->availableGeometry();
  EXPECT_GE(placement.position.x(), work.x());
  EXPECT_GE(placement.position.y(), work.y());
  if (placement.size.width() <= work.width()) {
    EXPECT_LE(
        std::abs(2 * (placement.position.x() - work.x()) + placement.size.width() - work.width()),
        1);
  }
}

TEST(WindowPlacement, AForcedScaleResizesTheWindowAndItsFontsFromTheStartFont) {
  const QFont start = QApplication::font();
  QWidget window;
  ApplyPlacement(window, PlaceMainWindow(QSize(1230, 650), 150));
  if (QGuiApplication::primaryScreen()->devicePixelRatio() == 1.0) {
    EXPECT_EQ(window.size(), QSize(1845, 975));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the window stays fixed-size";
  }
  const QFont scaled = QApplication::font();
  // Placing twice scales from the start font again, not from the already scaled one.
  ApplyPlacement(window, PlaceMainWindow(QSize(1230, 650), 150));
  EXPECT_EQ(QApplication::font(), scaled);
  if (start.pointSizeF() > 0) {
    EXPECT_NEAR(scaled.pointSizeF(),
                start.pointSizeF() * 1.5 / QGuiApplication::primaryScreen()->devicePixelRatio(),
                0.01);
  }
  ApplyPlacement(window, PlaceMainWindow(QSize(1230, 650), 100));
  EXPECT_EQ(QApplication::font().pointSizeF(), start.pointSizeF());
}

}  // namespace
}  // namespace tolva::app
