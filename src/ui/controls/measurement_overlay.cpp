#include "ui/controls/measurement_overlay.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/language_tables.h"
#include "ui/controls/curve_graph_base.h"

namespace tolva::curves {

namespace {

// The legend, in units: a line sample, the gap to its text, the inset from the plot's corner.
constexpr int kLegendLine = 16;
constexpr int kLegendGap = 5;
constexpr int kLegendInset = 6;
constexpr double kChangeFloorDb = -60.0;

bool ValidOutput(int output) {
  return output >= 0 && output < kCurveSlots;
}

}  // namespace

void MeasurementOverlay::Set(int output, std::span<const double> levels,
                             std::span<const double> played) {
  if (!ValidOutput(output)) return;
  Entry& e = entries_[static_cast<std::size_t>(output)];
  e.measured.assign(levels.begin(), levels.end());
  e.played.clear();
  if (played.size() == levels.size()) e.played.assign(played.begin(), played.end());
  e.version = ++last_version_;
}

void MeasurementOverlay::Clear(int output) {
  if (!ValidOutput(output)) return;
  entries_[static_cast<std::size_t>(output)] = Entry{};
}

bool MeasurementOverlay::Has(int output) const {
  return ValidOutput(output) && !entries_[static_cast<std::size_t>(output)].measured.empty();
}

std::span<const double> MeasurementOverlay::Measured(int output) const {
  if (!Has(output)) return {};
  return entries_[static_cast<std::size_t>(output)].measured;
}

std::span<const double> MeasurementOverlay::Predicted(int output, const CurveStore::Slot& response,
                                                      std::uint64_t response_version) const {
  const std::span<const double> measured = Measured(output);
  if (measured.empty() || response.values.size() != measured.size()) return {};
  const std::uint64_t version = entries_[static_cast<std::size_t>(output)].version;
  if (predicted_output_ != output || predicted_measured_ != version ||
      predicted_response_ != response_version) {
    predicted_.resize(measured.size());
    std::transform(measured.begin(), measured.end(), response.values.begin(), predicted_.begin(),
                   [](double m, double r) { return m + r; });
    const std::vector<double>& played = entries_[static_cast<std::size_t>(output)].played;
    // What changed since the measurement; a crossover's stop band (hundreds of dB down) is
    // where the microphone heard noise, and stays there.
    for (std::size_t i = 0; i < played.size(); ++i) {
      predicted_[i] = measured[i] + std::max(response.values[i], kChangeFloorDb) -
                      std::max(played[i], kChangeFloorDb);
    }
    predicted_output_ = output;
    predicted_measured_ = version;
    predicted_response_ = response_version;
  }
  return predicted_;
}

const QPainterPath& MeasurementOverlay::PathOf(CachedPath& cache, const CurveGeometry& g,
                                               int output, std::uint64_t response_version,
                                               std::span<const double> frequencies,
                                               std::span<const double> values) const {
  const std::uint64_t measured = entries_[static_cast<std::size_t>(output)].version;
  if (cache.plot == g.Plot() && cache.output == output && cache.measured == measured &&
      cache.response == response_version) {
    return cache.path;
  }
  cache = CachedPath{CurveGraphBase::BrokenLinePath(g, frequencies, values), g.Plot(), output,
                     measured, response_version};
  return cache.path;
}

void MeasurementOverlay::PaintLegend(QPainter& painter, const CurveGeometry& g,
                                     const QFont& font) const {
  const QString texts[] = {QString::fromStdString(Languages().Resolve("${overlay_measured}")),
                           QString::fromStdString(Languages().Resolve("${overlay_predicted}"))};
  const qreal ratio = painter.device()->devicePixelRatioF();
  const QString key = texts[0] + QChar(0) + texts[1] + QChar(0) + font.key() +
                      QString::number(g.ScalePercent()) + QChar(0) + QString::number(ratio);
  if (key != legend_key_) {
    const QFontMetrics metrics(font);
    const int text_width = std::max(metrics.horizontalAdvance(texts[0]),
                                    metrics.horizontalAdvance(texts[1]));
    const int line = g.Unit(kLegendLine);
    const int gap = g.Unit(kLegendGap);
    const QSize size(line + gap + text_width, 2 * metrics.height());
    legend_ = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
    legend_.setDevicePixelRatio(ratio);
    legend_.fill(Qt::transparent);
    QPainter p(&legend_);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setFont(font);
    const QRgb colors[] = {kMeasuredColor, kPredictedColor};
    for (int row = 0; row < 2; ++row) {
      const int y = metrics.height() * row;
      const double middle = y + metrics.height() / 2.0;
      p.setPen(QPen(QColor::fromRgba(colors[row]), g.UnitF(2)));
      p.drawLine(QPointF(0, middle), QPointF(line, middle));
      p.drawText(QRect(line + gap, y, text_width, metrics.height()),
                 Qt::AlignLeft | Qt::AlignVCenter, texts[row]);
    }
    legend_key_ = key;
  }
  const QSizeF size = legend_.deviceIndependentSize();
  painter.drawImage(QPointF(g.Plot().right - g.Unit(kLegendInset) - size.width(),
                            g.Plot().top + g.Unit(kLegendInset)),
                    legend_);
}

void MeasurementOverlay::Paint(QPainter& painter, const CurveGeometry& g, const QFont& legend_font,
                               int output, const CurveStore::Slot& response,
                               std::uint64_t response_version) const {
  if (!Has(output) || response.frequencies.size() != Measured(output).size()) return;
  const PixelRect& plot = g.Plot();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setClipRect(QRect(plot.left, plot.top, plot.Width() + 1, plot.Height() + 1));
  painter.setBrush(Qt::NoBrush);
  // One-pixel pens: a wider antialiased stroke costs the raster engine some 40 times more, and
  // this is painted on every step of a drag.
  const auto draw = [&](const QPainterPath& path, QRgb color) {
    painter.setPen(QPen(QColor::fromRgba(color), 0));
    painter.drawPath(path);
  };
  // The measurement does not change while tuning: its path is built once per size.
  draw(PathOf(measured_path_, g, output, 0, response.frequencies, Measured(output)),
       kMeasuredColor);
  const std::span<const double> predicted = Predicted(output, response, response_version);
  if (!predicted.empty()) {
    draw(PathOf(predicted_path_, g, output, response_version, response.frequencies, predicted),
         kPredictedColor);
  }
  PaintLegend(painter, g, legend_font);
  painter.restore();
}

}  // namespace tolva::curves
