#pragma once

// The band points of the equalizer graph drawn once into small pixmaps and reused: a drag step
// repaints every point, and rasterising 31 antialiased discs with their numbers cost more than
// the rest of the step.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <map>
#include <string>
#include <tuple>

namespace tolva::curves {

struct MarkerLook {
  QFont font;
  QColor ink;   // ring and number
  QColor disc;  // fill behind the number
  int ring_alpha = 0xff;
  int line = 1;  // ring width in device-independent pixels
  qreal pixel_ratio = 1.0;
};

class BandMarkerSprites {
 public:
  // The point for `label` in a box of `size`, drawn as MarkerLook says. Pixmaps drawn with a
  // different font, disc colour, line or ratio are dropped first.
  const QPixmap& Get(const std::string& label, QSize size, const MarkerLook& look);

 private:
  using Key = std::tuple<std::string, int, int, QRgb, int>;  // label, width, height, ink, alpha
  std::map<Key, QPixmap> sprites_;
  QFont font_;
  QColor disc_;
  int line_ = 0;
  qreal pixel_ratio_ = 0.0;
};

}  // namespace tolva::curves
