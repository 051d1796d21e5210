#include "ui/controls/ui_equalizer_ac.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace tolva::curves {

namespace {

constexpr int kAcDbLines[] = {-15, -10, -5, 5, 10, 15};

}  // namespace

UIEqualizerAc::UIEqualizerAc(QWidget* parent)
    : CurveGraphBase(kCalibrationAxis, kAcDbLines, parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void UIEqualizerAc::SetCompensationCurves(std::span<const CurveData> channels) {
  compensation_.Set(channels);
  update();
}

void UIEqualizerAc::SetMeasurementCurves(std::span<const CurveData> channels) {
  measured_.Set(channels);
  update();
}

void UIEqualizerAc::paintEvent(QPaintEvent*) {
  const CurveGeometry g = Geometry();
  QPainter painter(this);
  PaintFrame(painter, g);
  for (int i = 0; i < measured_.Count(); ++i) {
    const CurveStore::Slot& slot = measured_.At(i);
    if (!slot.shown) continue;
    DrawCurve(painter,
              CardinalSpline(g, slot.frequencies, slot.values, kMinDisplayHz, kMaxDisplayHz),
              kMeasuredPalette[static_cast<std::size_t>(i)], g.UnitF(kCurveWidth), Qt::DashLine);
  }
  for (int i = 0; i < compensation_.Count(); ++i) {
    const CurveStore::Slot& slot = compensation_.At(i);
    if (!slot.shown) continue;
    DrawCurve(painter,
              BezierPath(g, slot.frequencies, slot.values, kCurveMinHz, kCurveMaxHz),
              kCompensationPalette[static_cast<std::size_t>(i)], g.UnitF(kCurveWidth));
  }
  PaintLegend(painter, g);
}

void UIEqualizerAc::SetLegendTexts(const QString& correction, const QString& measured) {
  correction_text_ = correction;
  measured_text_ = measured;
  update();
}

std::vector<int> UIEqualizerAc::LegendOutputs() const {
  std::vector<int> outputs;
  for (int i = 0; i < kCurveSlots; ++i) {
    const bool measured = i < measured_.Count() && measured_.At(i).shown;
    const bool corrected = i < compensation_.Count() && compensation_.At(i).shown;
    if (measured || corrected) outputs.push_back(i);
  }
  return outputs;
}

// Top right inside the plot, where the ±20 dB axis leaves room: which line style is which
// kind, then each output drawn in its colour.
void UIEqualizerAc::PaintLegend(QPainter& painter, const CurveGeometry& g) const {
  const std::vector<int> outputs = LegendOutputs();
  if (outputs.empty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setFont(ScaledFont(11));
  const QFontMetrics m(painter.font());
  const int pad = g.Unit(6);
  const int sample = g.Unit(18);
  const int line_h = m.height();
  const auto name = [](int i) { return QStringLiteral("CH%1").arg(i + 1); };
  const int key_w = 2 * sample + m.horizontalAdvance(correction_text_) +
                    m.horizontalAdvance(measured_text_) + 3 * pad;
  int outputs_w = 0;
  for (int i : outputs) outputs_w += sample + pad / 2 + m.horizontalAdvance(name(i)) + pad;
  const int w = std::max(key_w, outputs_w - pad) + 2 * pad;
  const int h = 2 * line_h + 3 * pad;
  const QRect box = PaintLegendBox(painter, g, w, h);

  const QColor text = CurrentTextColor();
  const auto sample_line = [&](int x, int y, QColor colour, Qt::PenStyle style) {
    painter.setPen(QPen(colour, g.UnitF(kCurveWidth), style, Qt::FlatCap));
    painter.drawLine(x, y, x + sample, y);
  };
  const auto label = [&](int x, int top, const QString& t) {
    painter.setPen(text);
    painter.drawText(QRect(x, top, m.horizontalAdvance(t) + 1, line_h), Qt::AlignVCenter, t);
    return x + m.horizontalAdvance(t);
  };
  int x = box.left() + pad;
  int top = box.top() + pad;
  int mid = top + line_h / 2;
  sample_line(x, mid, text, Qt::SolidLine);
  x = label(x + sample + pad / 2, top, correction_text_) + pad;
  sample_line(x, mid, text, Qt::DashLine);
  label(x + sample + pad / 2, top, measured_text_);
  x = box.left() + pad;
  top += line_h + pad;
  mid = top + line_h / 2;
  for (int i : outputs) {
    sample_line(x, mid, QColor::fromRgba(kCompensationPalette[static_cast<std::size_t>(i)]),
                Qt::SolidLine);
    x = label(x + sample + pad / 2, top, name(i)) + pad;
  }
  painter.restore();
}

}  // namespace tolva::curves
