#include "ui/main/car_view.h"

#include <QPainter>
#include <QSvgRenderer>

#include "ui/kit/qt/qt_controls.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/layouts.h"

namespace tolva::ui {
namespace {

constexpr int kIconSize = 18;  // at 100 %

// Fractions of the picture, by role - 1. Left is x < 0.5; right mirrors it.
constexpr QPointF kLeft[] = {
    {0.30, 0.265},  // tweeter (A-pillar)
    {0.17, 0.335},  // midrange (upper door)
    {0.17, 0.455},  // woofer (lower door)
    {0.38, 0.225},  // midrange-tweeter (dash)
    {0.17, 0.395},  // midrange-woofer
    {0.29, 0.40},   // full range
};
constexpr QPointF kRearLeft[] = {{0.17, 0.585}, {0.17, 0.665}, {0.29, 0.625}};
constexpr QPointF kCentre[] = {{0.50, 0.225}, {0.50, 0.30}, {0.50, 0.375}};
constexpr QPointF kSub[] = {{0.37, 0.865}, {0.63, 0.865}, {0.50, 0.80}};

QPointF Mirror(QPointF p) {
  return QPointF(1.0 - p.x(), p.y());
}

}  // namespace

void CSpeakerIconUI::paintEvent(QPaintEvent*) {
  namespace theme = kit::theme;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal side = std::min(width(), height()) - 1.0;
  const QRectF outer((width() - side) / 2, (height() - side) / 2, side, side);
  const QColor ring = IsSelected() ? theme::Accent() : QColor(0xffb8bec8);
  if (IsSelected()) {
    QColor glow = theme::Accent();
    glow.setAlpha(70);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(outer);
  }
  p.setPen(QPen(ring, std::max(1.0, side / 9)));
  p.setBrush(QColor(0xff23262c));
  p.drawEllipse(outer.adjusted(side * 0.12, side * 0.12, -side * 0.12, -side * 0.12));
  p.setBrush(ring);
  p.setPen(Qt::NoPen);
  p.drawEllipse(outer.center(), side * 0.13, side * 0.13);
}

CarView::CarView(QWidget* parent) : QWidget(parent) {
  EnsureResources();
  car_ = new QSvgRenderer(QStringLiteral(":/images/car.svg"), this);
  for (int role = 1; role <= kRoles; ++role) {
    auto* icon = new CSpeakerIconUI(this);
    icon->setObjectName(QString::asprintf("speaker_%d", role));
    icon->setProperty(kit::kUserDataProperty, role);
    icon->hide();
    icons_[role - 1] = icon;
  }
}

CSpeakerIconUI* CarView::Icon(int role) const {
  return role >= 1 && role <= kRoles ? icons_[role - 1] : nullptr;
}

QPointF CarView::RelativePosition(int role) {
  if (role >= 1 && role <= 6) return kLeft[role - 1];
  if (role >= 7 && role <= 12) return Mirror(kLeft[role - 7]);
  if (role >= 13 && role <= 15) return kRearLeft[role - 13];
  if (role >= 16 && role <= 18) return Mirror(kRearLeft[role - 16]);
  if (role >= 19 && role <= 21) return kCentre[role - 19];
  if (role >= 22 && role <= 24) return kSub[role - 22];
  return {};
}

void CarView::PlaceIcons() {
  const int side = kit::theme::Scaled(this, kIconSize);
  for (int role = 1; role <= kRoles; ++role) {
    const QPointF at = RelativePosition(role);
    icons_[role - 1]->setGeometry(qRound(at.x() * width() - side / 2.0),
                                  qRound(at.y() * height() - side / 2.0), side, side);
  }
}

void CarView::resizeEvent(QResizeEvent*) {
  PlaceIcons();
}

void CarView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // Keep the picture's proportions inside whatever rectangle the layout gives.
  QSizeF size = car_->defaultSize();
  size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
  car_->render(&p, QRectF((width() - size.width()) / 2, (height() - size.height()) / 2,
                          size.width(), size.height()));
}

}  // namespace tolva::ui
