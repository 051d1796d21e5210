#include "ui/controls/band_marker_sprites.h"

#include <QPainter>

namespace tolva::curves {
namespace {

void Paint(QPainter& painter, const QRect& box, const QString& label, const MarkerLook& look) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setFont(look.font);
  // A dark disc keeps the number legible where it sits on a curve.
  QColor ring = look.ink;
  ring.setAlpha(look.ring_alpha);
  painter.setPen(QPen(ring, look.line));
  painter.setBrush(look.disc);
  painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
  painter.setPen(look.ink);
  painter.drawText(box, Qt::AlignCenter, label);
  painter.restore();
}

}  // namespace

const QPixmap& BandMarkerSprites::Get(const std::string& label, QSize size,
                                      const MarkerLook& look) {
  if (look.font != font_ || look.disc != disc_ || look.line != line_ ||
      look.pixel_ratio != pixel_ratio_) {
    sprites_.clear();
    font_ = look.font;
    disc_ = look.disc;
    line_ = look.line;
    pixel_ratio_ = look.pixel_ratio;
  }
  const Key key{label, size.width(), size.height(), look.ink.rgba(), look.ring_alpha};
  auto found = sprites_.find(key);
  if (found != sprites_.end()) return found->second;
  QPixmap sprite(size * look.pixel_ratio);
  sprite.setDevicePixelRatio(look.pixel_ratio);
  sprite.fill(Qt::transparent);
  {
    QPainter painter(&sprite);
    Paint(painter, QRect(QPoint(0, 0), size), QString::fromStdString(label), look);
  }
  return sprites_.emplace(key, std::move(sprite)).first->second;
}

}  // namespace tolva::curves
