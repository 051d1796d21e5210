#pragma once

// "CurveAc": the auto-calibration window's display-only graph. Per channel slot it shows the
// measured room response (121 points, cardinal spline) and the compensation curve computed for it
// (512 points, Bézier path), each in the slot's palette colour, the measured one dashed; a legend
// names the outputs drawn and which line is which. Takes no mouse input.

#include <QRgb>

#include <array>
#include <span>
#include <vector>

#include <QString>

#include "ui/controls/curve_data.h"
#include "ui/controls/curve_graph_base.h"

namespace tolva::curves {

class UIEqualizerAc : public CurveGraphBase {
  Q_OBJECT

 public:
  static constexpr const char* kTag = "CurveAc";

  static constexpr std::array<QRgb, kCurveSlots> kCompensationPalette = {
      0xffff0000, 0xffff8040, 0xffffff37, 0xffb7ff4a,
      0xff00aeae, 0xff0000e3, 0xff8600ff, 0xfff00078};
  static constexpr std::array<QRgb, kCurveSlots> kMeasuredPalette = {
      0xffef0000, 0xffef7030, 0xffefef27, 0xffa7ef3a,
      0xff009e9e, 0xff0000d3, 0xff7600ef, 0xffe00068};
  static constexpr double kCurveWidth = 2.0;  // pixels at 100 %

  explicit UIEqualizerAc(QWidget* parent = nullptr);

  // Each replaces all eight slots (those not handed over are emptied) and repaints.
  void SetCompensationCurves(std::span<const CurveData> channels);
  void SetMeasurementCurves(std::span<const CurveData> channels);

  // The legend's words for the two kinds of curve, in the window's language.
  void SetLegendTexts(const QString& correction, const QString& measured);
  // The slots with a curve shown, in order: what the legend lists.
  std::vector<int> LegendOutputs() const;

  int CompensationCount() const { return compensation_.Count(); }
  int MeasurementCount() const { return measured_.Count(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintLegend(QPainter& painter, const CurveGeometry& g) const;

  QString correction_text_;
  QString measured_text_;
  CurveStore compensation_{kResponsePoints};
  CurveStore measured_{kMeasurementPoints};
};

}  // namespace tolva::curves
