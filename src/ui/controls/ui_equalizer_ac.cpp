#include "ui/controls/ui_equalizer_ac.h"

#include <QPainter>

namespace {

using namespace tolva::curves;

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
              kMeasuredPalette[static_cast<std::size_t>(i)], g.UnitF(kCurveWidth));
  }
  for (int i = 0; i < compensation_.Count(); ++i) {
    const CurveStore::Slot& slot = compensation_.At(i);
    if (!slot.shown) continue;
    DrawCurve(painter,
              BezierPath(g, slot.frequencies, slot.values, kCurveMinHz, kCurveMaxHz),
              kCompensationPalette[static_cast<std::size_t>(i)], g.UnitF(kCurveWidth));
  }
}
