#include "ui/controls/import_preview.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tolva::curves {
namespace {

constexpr int kLegendLine = 16;
constexpr int kLegendGap = 5;
constexpr int kLegendInset = 6;

QPointF At(const CurveGeometry& g, double hz, double db) {
  return {g.FrequencyToX(hz), g.GainToYPastAxis(db)};
}

QPainterPath PathOf(const CurveGeometry& g, const std::vector<double>& freq,
                    const std::vector<double>& db) {
  QPainterPath path;
  for (std::size_t i = 0; i < freq.size() && i < db.size(); ++i) {
    if (i == 0) {
      path.moveTo(At(g, freq[i], db[i]));
    } else {
      path.lineTo(At(g, freq[i], db[i]));
    }
  }
  return path;
}

}  // namespace

void ImportPreview::Set(Curves curves) {
  curves_ = std::move(curves);
}

void ImportPreview::Clear() {
  curves_ = Curves{};
}

void ImportPreview::PaintLegend(QPainter& painter, const CurveGeometry& g,
                                const QFont& font) const {
  const QString texts[] = {curves_.file_label, curves_.result_label, curves_.deviation_label};
  const QRgb colors[] = {kFileColor, kResultColor, kDeviationColor};
  const QFontMetrics metrics(font);
  int text_width = 0;
  for (const QString& t : texts) text_width = std::max(text_width, metrics.horizontalAdvance(t));
  const int line = g.Unit(kLegendLine);
  const int gap = g.Unit(kLegendGap);
  const double left = g.Plot().right - g.Unit(kLegendInset) - (line + gap + text_width);
  const double top = g.Plot().top + g.Unit(kLegendInset);
  painter.setFont(font);
  for (int row = 0; row < 3; ++row) {
    const double y = top + metrics.height() * row;
    const double middle = y + metrics.height() / 2.0;
    const QColor color = QColor::fromRgba(colors[row]);
    if (row == 2) {
      painter.fillRect(QRectF(left, middle - g.UnitF(3), line, g.UnitF(6)), color);
    } else {
      painter.setPen(QPen(color, g.UnitF(2)));
      painter.drawLine(QPointF(left, middle), QPointF(left + line, middle));
    }
    painter.setPen(QColor(Qt::white));
    painter.drawText(QRectF(left + line + gap, y, text_width, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, texts[row]);
  }
}

void ImportPreview::Paint(QPainter& painter, const CurveGeometry& g,
                          const QFont& legend_font) const {
  if (!Active()) return;
  const PixelRect& plot = g.Plot();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setClipRect(QRect(plot.left, plot.top, plot.Width() + 1, plot.Height() + 1));
  // The deviation: the area between the two curves.
  QPainterPath between = PathOf(g, curves_.freq, curves_.file_db);
  for (std::size_t i = curves_.freq.size(); i-- > 0;) {
    between.lineTo(At(g, curves_.freq[i], curves_.result_db[i]));
  }
  between.closeSubpath();
  painter.fillPath(between, QColor::fromRgba(kDeviationColor));
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor::fromRgba(kFileColor), g.UnitF(1.5), Qt::DashLine));
  painter.drawPath(PathOf(g, curves_.freq, curves_.file_db));
  painter.setPen(QPen(QColor::fromRgba(kResultColor), g.UnitF(1.5)));
  painter.drawPath(PathOf(g, curves_.freq, curves_.result_db));
  // A tenth of a decibel is a pixel on this axis: the deviation itself is drawn magnified.
  std::vector<double> deviation(curves_.freq.size());
  for (std::size_t i = 0; i < deviation.size(); ++i) {
    deviation[i] = kDeviationScale * (curves_.result_db[i] - curves_.file_db[i]);
  }
  painter.setPen(QPen(QColor::fromRgba(kDeviationColor | 0xff000000u), g.UnitF(1)));
  painter.drawPath(PathOf(g, curves_.freq, deviation));
  PaintLegend(painter, g, legend_font);
  painter.restore();
}

}  // namespace tolva::curves
