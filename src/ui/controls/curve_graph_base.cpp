#include "ui/controls/curve_graph_base.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "ui/kit/widgets/theme.h"

namespace tolva::curves {

Q_LOGGING_CATEGORY(lcCurves, "tolva.curves", QtWarningMsg)

namespace {

// Room for the labels, at 100 %.
constexpr QMargins kLabelMargins(34, 10, 14, 20);
constexpr int kLabelFontPx = 10;
constexpr int kFrequencyLabels[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};
constexpr double kCardinalTension = 0.5;  // the plain curve of the platform's spline call

QString FrequencyLabel(int hz) {
  return hz >= 1000 ? QString::number(hz / 1000) + QLatin1Char('k') : QString::number(hz);
}

std::vector<QPointF> PixelPoints(const CurveGeometry& g, std::span<const double> frequencies,
                                 std::span<const double> values, double min_hz, double max_hz,
                                 bool descending) {
  const std::size_t n = std::min(frequencies.size(), values.size());
  std::vector<QPointF> points;
  points.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = descending ? n - 1 - k : k;
    const double f = frequencies[i];
    if (!(f >= min_hz && f <= max_hz)) continue;  // also drops NaN
    points.emplace_back(ToPixel(g.FrequencyToX(f)), ToPixel(g.GainToY(values[i])));
  }
  return points;
}

}  // namespace

CurveGraphBase::CurveGraphBase(GainAxis axis, std::span<const int> db_lines, QWidget* parent)
    : QWidget(parent), axis_(axis), db_lines_(db_lines), text_font_(font()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveGraphBase::SetScalePercent(int percent) {
  percent = std::clamp(percent, 25, 400);
  if (percent == scale_percent_) return;
  scale_percent_ = percent;
  updateGeometry();
  GeometryChanged();
  FrameChanged();
}

void CurveGraphBase::SetBackgroundColor(QColor color) {
  background_ = color;
  FrameChanged();
}

void CurveGraphBase::SetAxisLabelsShown(bool shown) {
  if (shown == axis_labels_) return;
  axis_labels_ = shown;
  GeometryChanged();
  FrameChanged();
}

bool CurveGraphBase::SetAttribute(std::string_view name, std::string_view value) {
  if (!text_style_.Apply(name, value)) return false;
  FrameChanged();
  return true;
}

void CurveGraphBase::SetTextFont(const QFont& font) {
  text_font_ = font;
  FrameChanged();
}

void CurveGraphBase::FrameChanged() {
  ++frame_serial_;
  update();
}

QMargins CurveGraphBase::LabelMargins() const {
  if (!axis_labels_) return {};
  const auto u = [this](int v) { return v * scale_percent_ / 100; };
  return QMargins(u(kLabelMargins.left()), u(kLabelMargins.top()), u(kLabelMargins.right()),
                  u(kLabelMargins.bottom()));
}

PixelRect CurveGraphBase::PlotRect() const {
  const QMargins m = LabelMargins();
  // The border is drawn on the plot's far edges, so they stay inside the control.
  return {m.left(), m.top(), std::max(m.left(), width() - 1 - m.right()),
          std::max(m.top(), height() - 1 - m.bottom())};
}

QSize CurveGraphBase::sizeHint() const {
  return QSize(600, 300) * scale_percent_ / 100;
}

QSize CurveGraphBase::minimumSizeHint() const {
  return QSize(200, 100) * scale_percent_ / 100;
}

QRect CurveGraphBase::PaintLegendBox(QPainter& painter, const CurveGeometry& g, int w,
                                     int h) const {
  const PixelRect& plot = g.Plot();
  const QRect box(plot.right - w - g.Unit(6), plot.top + g.Unit(6), w, h);
  QColor fill = BackgroundColor();
  fill.setAlpha(220);
  painter.setPen(QColor::fromRgba(kGridColor));
  painter.setBrush(fill);
  painter.drawRect(box);
  return box;
}

QFont CurveGraphBase::ScaledFont(int pixel_size_at_100, bool bold) const {
  QFont f = text_font_;
  f.setPixelSize(std::max(1, pixel_size_at_100 * scale_percent_ / 100));
  f.setBold(bold);
  return f;
}

QColor CurveGraphBase::CurrentTextColor() const {
  return isEnabled() ? text_style_.text_color : text_style_.disabled_text_color;
}

void CurveGraphBase::PaintFrame(QPainter& painter, const CurveGeometry& g) const {
  const PixelRect& plot = g.Plot();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(rect(), background_);

  const int line_width = std::max(1, g.Unit(1));
  QPen solid(QColor::fromRgba(kGridColor), line_width, Qt::SolidLine, Qt::FlatCap);
  QPen dotted = solid;
  dotted.setStyle(Qt::DotLine);

  painter.setPen(solid);
  for (int hz : kGridFrequencies) {
    const int x = ToPixel(g.FrequencyToX(hz));
    painter.drawLine(x, plot.top, x, plot.bottom);
  }
  painter.drawLine(plot.left, g.ZeroDbY(), plot.right, g.ZeroDbY());
  painter.setPen(dotted);
  for (int db : db_lines_) {
    const int y = ToPixel(g.GainToY(db));
    painter.drawLine(plot.left, y, plot.right, y);
  }
  painter.setPen(solid);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot.left, plot.top, plot.Width(), plot.Height());
  painter.restore();

  if (axis_labels_) PaintAxisLabels(painter, g);
}

void CurveGraphBase::PaintAxisLabels(QPainter& painter, const CurveGeometry& g) const {
  const PixelRect& plot = g.Plot();
  painter.save();
  painter.setFont(ScaledFont(kLabelFontPx));
  painter.setPen(CurrentTextColor());
  const QFontMetrics metrics(painter.font());
  const int gap = g.Unit(4);
  const int text_h = metrics.height();

  for (int hz : kFrequencyLabels) {
    const QString label = FrequencyLabel(hz);
    const int w = metrics.horizontalAdvance(label);
    const int x = std::clamp(ToPixel(g.FrequencyToX(hz)) - w / 2, 0, std::max(0, width() - w));
    painter.drawText(QRect(x, plot.bottom + gap / 2, w, text_h), Qt::AlignCenter, label);
  }

  // The axis ends and 0 dB first; a grid line's label that would overlap one already drawn is
  // left out (on a short plot 10 dB sits close to the 12 dB top).
  std::vector<int> gains = {static_cast<int>(g.Axis().top_db),
                            -static_cast<int>(g.Axis().bottom_range_db), 0};
  gains.insert(gains.end(), db_lines_.begin(), db_lines_.end());
  std::vector<int> drawn;
  for (int db : gains) {
    // The lowest label sits above the frequency labels under the plot, not on the first one.
    const int top = std::min(ToPixel(g.GainToY(db)) - text_h / 2, plot.bottom + gap / 2 - text_h);
    const int y = top + text_h / 2;
    if (std::any_of(drawn.begin(), drawn.end(), [&](int o) { return std::abs(o - y) < text_h; })) {
      continue;
    }
    drawn.push_back(y);
    const QRect box(0, top, plot.left - gap, text_h);
    painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
  }
  painter.restore();
}

void CurveGraphBase::DrawCurve(QPainter& painter, const QPainterPath& path, QRgb color,
                               double width, Qt::PenStyle style) const {
  if (path.isEmpty()) return;
  const PixelRect plot = PlotRect();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Values beyond the axes leave the plot rather than paint over the axis labels.
  painter.setClipRect(QRect(plot.left, plot.top, plot.Width() + 1, plot.Height() + 1));
  painter.setPen(QPen(QColor::fromRgba(color), width, style, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  painter.restore();
}

QPainterPath CurveGraphBase::BezierPath(const CurveGeometry& g, std::span<const double> frequencies,
                                        std::span<const double> values, double min_hz,
                                        double max_hz) {
  const std::vector<QPointF> p = PixelPoints(g, frequencies, values, min_hz, max_hz, true);
  QPainterPath path;
  if (p.size() < 2) return path;
  path.moveTo(p[0]);
  std::size_t i = 1;
  for (; i + 2 < p.size(); i += 3) path.cubicTo(p[i], p[i + 1], p[i + 2]);
  const std::size_t rest = p.size() - i;
  if (rest == 1) path.lineTo(p[i]);
  if (rest == 2) path.quadTo(p[i], p[i + 1]);
  return path;
}

QPainterPath CurveGraphBase::BrokenLinePath(const CurveGeometry& g,
                                            std::span<const double> frequencies,
                                            std::span<const double> values, double offset_db) {
  QPainterPath path;
  bool drawing = false;
  for (std::size_t i = 0; i < frequencies.size() && i < values.size(); ++i) {
    const double hz = frequencies[i];
    if (!std::isfinite(values[i]) || hz < kCurveMinHz || hz > kCurveMaxHz) {
      drawing = false;
      continue;
    }
    const QPointF p(g.FrequencyToX(hz), g.GainToYPastAxis(values[i] - offset_db));
    if (drawing) {
      path.lineTo(p);
    } else {
      path.moveTo(p);
      drawing = true;
    }
  }
  return path;
}

QPainterPath CurveGraphBase::CardinalSpline(const CurveGeometry& g,
                                            std::span<const double> frequencies,
                                            std::span<const double> values, double min_hz,
                                            double max_hz) {
  const std::vector<QPointF> p = PixelPoints(g, frequencies, values, min_hz, max_hz, false);
  QPainterPath path;
  if (p.size() < 2) return path;
  path.moveTo(p[0]);
  const double k = kCardinalTension / 3.0;
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    const QPointF& before = p[i == 0 ? 0 : i - 1];
    const QPointF& after = p[std::min(i + 2, p.size() - 1)];
    path.cubicTo(p[i] + (p[i + 1] - before) * k, p[i + 1] - (after - p[i]) * k, p[i + 1]);
  }
  return path;
}

void CurveGraphBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  GeometryChanged();
  FrameChanged();
}

void CurveGraphBase::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::StyleChange:
      // A window applies its display scale by restyling its whole tree. A graph that is a window
      // of its own keeps the scale it was given.
      if (window() != this) SetScalePercent(kit::theme::ScaleOf(this));
      FrameChanged();
      break;
    case QEvent::EnabledChange:
    case QEvent::FontChange:
    case QEvent::LanguageChange:
      FrameChanged();
      break;
    default:
      break;
  }
}

}  // namespace tolva::curves
