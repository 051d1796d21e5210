#pragma once

// Coordinate maps of the curve graphs: frequency <-> x on a three-decade log axis and gain <-> y on
// a gain axis whose two halves (above and below 0 dB) may have different ranges. Qt-free, so the
// maps the paint code and the mouse code share can be tested without a window.

#include <array>

namespace tolva::curves {

// Pixel rectangle with exclusive right/bottom edges taken as the plot's far lines, like the
// control's inner rectangle: width = right - left.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The frequencies a curve is drawn over, a little wider than the axis so its ends reach the
// plot's edges; beyond them the clip would hide it anyway.
constexpr double kCurveMinHz = 10.0;
constexpr double kCurveMaxHz = 20100.0;

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// The gain range of a graph: dB at its top edge (positive) and below 0 dB at its bottom (given as
// a positive size). The equalizer graph spans +12 .. -18, the calibration graph +20 .. -20.
struct GainAxis {
  double top_db = 12.0;
  double bottom_range_db = 18.0;
};
inline constexpr GainAxis kEqualizerAxis{12.0, 18.0};
inline constexpr GainAxis kCalibrationAxis{20.0, 20.0};

inline constexpr double kMinDisplayHz = 20.0;
inline constexpr double kMaxDisplayHz = 20000.0;

// The vertical grid lines: 20 Hz up to 10 kHz in 1-2-...-9 steps per decade. 20 kHz is the plot's
// right edge and is not drawn as a line.
inline constexpr std::array<int, 27> kGridFrequencies = {
    20,  30,  40,  50,   60,   70,   80,   90,   100,  200,  300,  400,  500,  600,
    700, 800, 900, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};

class CurveGeometry {
 public:
  CurveGeometry() = default;
  CurveGeometry(PixelRect plot, GainAxis axis, int scale_percent);

  const PixelRect& Plot() const { return plot_; }
  const GainAxis& Axis() const { return axis_; }
  int ScalePercent() const { return scale_percent_; }

  // A size given in pixels at 100 % display scale, scaled to the window ("unit").
  int Unit(int pixels_at_100) const { return pixels_at_100 * scale_percent_ / 100; }
  double UnitF(double pixels_at_100) const { return pixels_at_100 * scale_percent_ / 100.0; }

  // x of a frequency; not limited, so frequencies outside 20 .. 20000 Hz fall outside the plot.
  double FrequencyToX(double hz) const;
  // Nearest whole Hz under x, with x first limited to the plot.
  int XToFrequency(double x) const;

  int ZeroDbY() const { return zero_db_y_; }
  // y of a gain, each half's product rounded to a whole pixel before the division; not limited.
  double GainToY(double db) const;
  // y of a gain drawn as a curve: levels beyond the axes lie just past the plot's edge, where
  // the clip hides them (a stop band hundreds of dB down then costs the rasteriser nothing).
  double GainToYPastAxis(double db) const;
  // Exact inverse of each half, continuous; y is first limited to the plot.
  double YToGain(double y) const;

  // Limits a position to the plot, as the mouse handling does first.
  Point ClampToPlot(Point p) const;

  // Q handle distance from its point: 81 / Q units (Q limited to 0.5 .. 9), rounded.
  int QHandleDistance(double q) const;
  // Q from the horizontal distance to the selected point: the distance is limited to 9 .. 162
  // units, then Q = 81 / distance in units (0.5 .. 9).
  double QFromDistance(double dx) const;

 private:
  PixelRect plot_;
  GainAxis axis_;
  int scale_percent_ = 100;
  int zero_db_y_ = 0;
};

inline constexpr double kMinQ = 0.5;
inline constexpr double kMaxQ = 9.0;

// Pixel that a map value lands on, as the paint code rounds it.
int ToPixel(double v);

}  // namespace tolva::curves
