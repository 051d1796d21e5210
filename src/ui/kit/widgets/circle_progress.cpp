#include "ui/kit/widgets/circle_progress.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "ui/kit/widgets/theme.h"

namespace tolva::kit {

CCircleProgressUI::CCircleProgressUI(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  timer_->setInterval(40);
  connect(timer_, &QTimer::timeout, this, [this] {
    phase_ = (phase_ + 12) % 360;
    update();
  });
}

void CCircleProgressUI::SetValue(int percent) {
  value_ = std::clamp(percent, 0, 100);
  SetBusy(false);
  update();
}

void CCircleProgressUI::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) {
    timer_->start();
  } else {
    timer_->stop();
  }
  update();
}

QSize CCircleProgressUI::sizeHint() const {
  const int side = tolva::kit::theme::Scaled(this, 48);
  return QSize(side, side);
}

qreal CCircleProgressUI::RingPen(int side) {
  return std::max(2, side / 10);
}

QFont CCircleProgressUI::TextFont(QFont base, int side) {
  const qreal room = (side - 4 * RingPen(side)) * 0.8;
  int pixels = std::max(8, side / 4);
  base.setPixelSize(pixels);
  while (pixels > 6 && QFontMetrics(base).horizontalAdvance(QStringLiteral("100%")) > room) {
    base.setPixelSize(--pixels);
  }
  return base;
}

void CCircleProgressUI::paintEvent(QPaintEvent*) {
  namespace theme = tolva::kit::theme;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height());
  const qreal pen = RingPen(side);
  const QRectF ring((width() - side) / 2.0 + pen, (height() - side) / 2.0 + pen, side - 2 * pen,
                    side - 2 * pen);
  p.setPen(QPen(theme::Border(), pen, Qt::SolidLine, Qt::RoundCap));
  p.drawEllipse(ring);
  p.setPen(QPen(theme::Accent(), pen, Qt::SolidLine, Qt::RoundCap));
  if (busy_) {
    p.drawArc(ring, (90 - phase_) * 16, -100 * 16);
    return;
  }
  p.drawArc(ring, 90 * 16, -value_ * 360 * 16 / 100);
  // The window's text colour: readable on the window the ring sits in.
  p.setPen(palette().color(QPalette::WindowText));
  const QString text = QStringLiteral("%1%").arg(value_);
  p.setFont(TextFont(font(), side));
  p.drawText(rect(), Qt::AlignCenter, text);
}

}  // namespace tolva::kit
