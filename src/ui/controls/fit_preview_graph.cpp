#include "ui/controls/fit_preview_graph.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

using namespace tolva::curves;

constexpr int kPreviewDbLines[] = {-15, -10, -5, 5, 10, 15};
constexpr double kCurveWidth = 2.0;

}  // namespace

FitPreviewGraph::FitPreviewGraph(QWidget* parent)
    : CurveGraphBase(kCalibrationAxis, kPreviewDbLines, parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FitPreviewGraph::SetCurves(Curves curves) {
  curves_ = std::move(curves);
  update();
}

void FitPreviewGraph::SetLegend(Legend legend) {
  legend_ = std::move(legend);
  update();
}

void FitPreviewGraph::paintEvent(QPaintEvent*) {
  const CurveGeometry g = Geometry();
  QPainter painter(this);
  PaintFrame(painter, g);
  if (curves_.freq.empty()) return;
  const PixelRect& plot = g.Plot();
  painter.save();
  painter.setClipRect(QRect(plot.left, plot.top, plot.Width() + 1, plot.Height() + 1));
  PaintMask(painter, g);
  DrawCurve(painter, BrokenLinePath(g, curves_.freq, curves_.target_db, curves_.level_db),
            kTargetColor, g.UnitF(1.5), Qt::DashLine);
  DrawCurve(painter, BrokenLinePath(g, curves_.freq, curves_.before_db, curves_.level_db),
            kBeforeColor, g.UnitF(kCurveWidth));
  DrawCurve(painter, BrokenLinePath(g, curves_.freq, curves_.after_db, curves_.level_db),
            kAfterColor, g.UnitF(kCurveWidth));
  painter.restore();
  PaintLegend(painter, g);
}

// A shaded column over each run of unboosted points, reaching halfway to the next point.
void FitPreviewGraph::PaintMask(QPainter& painter, const CurveGeometry& g) const {
  const std::vector<double>& f = curves_.freq;
  const std::size_t n = std::min(f.size(), curves_.mask.size());
  const auto edge = [&](std::size_t i, bool left) {
    if (left) return i == 0 ? f[0] : std::sqrt(f[i - 1] * f[i]);
    return i + 1 >= f.size() ? f[i] : std::sqrt(f[i] * f[i + 1]);
  };
  for (std::size_t i = 0; i < n;) {
    if (curves_.mask[i] == 0) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < n && curves_.mask[end + 1] != 0) ++end;
    const double x0 = g.FrequencyToX(edge(i, true));
    const double x1 = g.FrequencyToX(edge(end, false));
    painter.fillRect(QRectF(x0, g.Plot().top, std::max(1.0, x1 - x0), g.Plot().Height()),
                     QColor::fromRgba(kMaskColor));
    i = end + 1;
  }
}

// Top right inside the plot: each line's sample and name, one per row.
void FitPreviewGraph::PaintLegend(QPainter& painter, const CurveGeometry& g) const {
  struct Row {
    const QString* text;
    QRgb color;
    Qt::PenStyle style;
    bool block;
  };
  const std::array<Row, 4> rows = {{{&legend_.before, kBeforeColor, Qt::SolidLine, false},
                                    {&legend_.after, kAfterColor, Qt::SolidLine, false},
                                    {&legend_.target, kTargetColor, Qt::DashLine, false},
                                    {&legend_.masked, kMaskColor, Qt::SolidLine, true}}};
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setFont(ScaledFont(11));
  const QFontMetrics m(painter.font());
  const int pad = g.Unit(6);
  const int sample = g.Unit(18);
  int text_w = 0;
  for (const Row& r : rows) text_w = std::max(text_w, m.horizontalAdvance(*r.text));
  const int w = sample + pad + text_w + 2 * pad;
  const int h = static_cast<int>(rows.size()) * m.height() + 2 * pad;
  const QRect box = PaintLegendBox(painter, g, w, h);
  int top = box.top() + pad;
  for (const Row& r : rows) {
    const int x = box.left() + pad;
    const int mid = top + m.height() / 2;
    if (r.block) {
      painter.fillRect(QRect(x, top + 2, sample, m.height() - 4), QColor::fromRgba(r.color));
    } else {
      painter.setPen(QPen(QColor::fromRgba(r.color), g.UnitF(kCurveWidth), r.style, Qt::FlatCap));
      painter.drawLine(x, mid, x + sample, mid);
    }
    painter.setPen(CurrentTextColor());
    painter.drawText(QRect(x + sample + pad, top, text_w + 1, m.height()), Qt::AlignVCenter,
                     *r.text);
    top += m.height();
  }
  painter.restore();
}
