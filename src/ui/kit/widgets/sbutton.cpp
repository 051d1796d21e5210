#include "ui/kit/widgets/sbutton.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <algorithm>

#include "ui/kit/widgets/theme.h"

namespace tolva::kit {

namespace {
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr qreal kSmallestFactor = 0.7;
}  // namespace

CSButtonUI::CSButtonUI(QWidget* parent) : QAbstractButton(parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_Hover);
  accent_ = tolva::kit::theme::Accent();
}

void CSButtonUI::SetSelected(bool selected) {
  // Refreshes restate every band's button on each drag step: only a change repaints.
  if (selected == IsSelected()) return;
  if (isCheckable()) {
    const QSignalBlocker block(this);
    setChecked(selected);
  } else {
    selected_ = selected;
  }
  update();
}

void CSButtonUI::SetTextColor(const QColor& color) {
  text_color_ = color;
  update();
}

void CSButtonUI::SetAccent(const QColor& color) {
  accent_ = color;
  update();
}

QRectF CSButtonUI::TextRect() const {
  const qreal pad = tolva::kit::theme::Scaled(this, 4);
  return QRectF(rect()).adjusted(pad, 1, -pad, -1);
}

QSize CSButtonUI::sizeHint() const {
  const QFontMetrics fm(font());
  const int pad = tolva::kit::theme::Scaled(this, 10);
  return QSize(fm.horizontalAdvance(text()) + 2 * pad, fm.height() + pad);
}

QSize CSButtonUI::minimumSizeHint() const {
  const QFontMetrics fm(font());
  return QSize(fm.averageCharWidth() * 2, fm.height());
}

QFont CSButtonUI::FontAt(qreal factor) const {
  QFont f = font();
  if (f.pixelSize() > 0) {
    f.setPixelSize(std::max(1, qRound(f.pixelSize() * factor)));
  } else {
    f.setPointSizeF(std::max(1.0, f.pointSizeF() * factor));
  }
  return f;
}

bool CSButtonUI::FitsAt(qreal factor) const {
  const QFontMetricsF fm(FontAt(factor));
  const QRectF area = TextRect();
  const QRectF needed = fm.boundingRect(area, kTextFlags, text());
  // Wrapping cannot split a word (it may break after a hyphen): check the widest piece too.
  static const QRegularExpression kWordBreaks(QStringLiteral("\\s+|(?<=-)"));
  qreal widest = 0;
  for (const QString& word : text().split(kWordBreaks, Qt::SkipEmptyParts)) {
    widest = std::max(widest, fm.horizontalAdvance(word));
  }
  return needed.height() <= area.height() + 0.5 && widest <= area.width() + 0.5;
}

bool CSButtonUI::TextFits() const {
  return FitsAt(1.0);
}

qreal CSButtonUI::FittedFactor() const {
  qreal factor = 1.0;
  while (factor > kSmallestFactor && !FitsAt(factor)) factor -= 0.05;
  return factor;
}

void CSButtonUI::enterEvent(QEnterEvent* event) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CSButtonUI::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

tolva::kit::theme::ButtonLook CSButtonUI::Look() const {
  return tolva::kit::theme::ButtonColors({isEnabled(), IsSelected(), isDown(), hover_}, accent_,
                                         text_color_);
}

tolva::kit::theme::ButtonLook CSButtonUI::LookWhen(bool enabled, bool on) const {
  return tolva::kit::theme::ButtonColors({enabled, on, false, false}, accent_, text_color_);
}

void CSButtonUI::paintEvent(QPaintEvent*) {
  namespace theme = tolva::kit::theme;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal radius = theme::Scaled(this, 3);
  const theme::ButtonLook look = Look();
  QPainterPath path;
  path.addRoundedRect(box, radius, radius);
  p.fillPath(path, look.fill);
  p.setPen(QPen(hasFocus() ? theme::Accent() : look.border, 1));
  p.drawPath(path);

  p.setPen(look.ink);
  if (!icon().isNull()) {
    const int side = std::min(width(), height()) * 2 / 3;
    icon().paint(&p, QRect((width() - side) / 2, (height() - side) / 2, side, side),
                 Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (text().isEmpty()) return;
  }
  p.setFont(FontAt(FittedFactor()));
  p.drawText(TextRect(), kTextFlags, text());
}

}  // namespace tolva::kit
