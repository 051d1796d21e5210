#include "ui/controls/curve_geometry.h"

#include <algorithm>
#include <cmath>

namespace tolva::curves {

namespace {
constexpr double kDecades = 3.0;  // 20 Hz .. 20 kHz
// log10(20), to the precision the frequency read-back has always used.
constexpr double kLog20 = 1.30103;
constexpr double kQDistanceUnits = 81.0;  // Q 1 sits 81 units from its point
}  // namespace

int ToPixel(double v) {
  if (!std::isfinite(v)) return v > 0 ? 1 << 24 : -(1 << 24);
  // Far-off values (a -400 dB stop band) stay far off without overflowing an int.
  return static_cast<int>(std::lround(std::clamp(v, -16777216.0, 16777216.0)));
}

CurveGeometry::CurveGeometry(PixelRect plot, GainAxis axis, int scale_percent)
    : plot_(plot), axis_(axis), scale_percent_(scale_percent > 0 ? scale_percent : 100) {
  const double span = axis_.top_db + axis_.bottom_range_db;
  zero_db_y_ = plot_.top + static_cast<int>(axis_.top_db * plot_.Height() / span);
}

double CurveGeometry::FrequencyToX(double hz) const {
  if (!(hz > 0.0)) return -1e9;  // log of 0 or less: far off the left edge
  return plot_.left + (std::log10(hz) - std::log10(kMinDisplayHz)) * plot_.Width() / kDecades;
}

int CurveGeometry::XToFrequency(double x) const {
  if (plot_.Width() <= 0) return static_cast<int>(kMinDisplayHz);
  const double cx = std::clamp(x, double(plot_.left), double(plot_.right));
  return static_cast<int>(
      std::lround(std::pow(10.0, (cx - plot_.left) * kDecades / plot_.Width() + kLog20)));
}

double CurveGeometry::GainToY(double db) const {
  const double y0 = zero_db_y_;
  if (db >= 0.0) return y0 - std::round((y0 - plot_.top) * db) / axis_.top_db;
  return y0 - std::round((plot_.bottom - y0) * db) / axis_.bottom_range_db;
}

double CurveGeometry::GainToYPastAxis(double db) const {
  constexpr double kBeyondAxisDb = 3.0;
  return GainToY(
      std::clamp(db, -(axis_.bottom_range_db + kBeyondAxisDb), axis_.top_db + kBeyondAxisDb));
}

double CurveGeometry::YToGain(double y) const {
  const double y0 = zero_db_y_;
  const double cy = std::clamp(y, double(plot_.top), double(plot_.bottom));
  if (cy <= y0) {
    const double upper = y0 - plot_.top;
    return upper > 0 ? (y0 - cy) * axis_.top_db / upper : 0.0;
  }
  const double lower = plot_.bottom - y0;
  return lower > 0 ? (y0 - cy) * axis_.bottom_range_db / lower : 0.0;
}

Point CurveGeometry::ClampToPlot(Point p) const {
  return {std::clamp(p.x, plot_.left, std::max(plot_.left, plot_.right)),
          std::clamp(p.y, plot_.top, std::max(plot_.top, plot_.bottom))};
}

int CurveGeometry::QHandleDistance(double q) const {
  const double limited = std::isfinite(q) ? std::clamp(q, kMinQ, kMaxQ) : 1.0;
  return static_cast<int>(std::lround(UnitF(kQDistanceUnits) / limited));
}

double CurveGeometry::QFromDistance(double dx) const {
  const double units = std::abs(dx) * 100.0 / scale_percent_;
  const double limited = std::clamp(units, kQDistanceUnits / kMaxQ, kQDistanceUnits / kMinQ);
  return std::clamp(kQDistanceUnits / limited, kMinQ, kMaxQ);
}

}  // namespace tolva::curves
