#pragma once

// What the two curve graphs share: the plot rectangle and its geometry at the window's display
// scale, the frame (background, border, grid, axis labels), the text style attributes and the
// curve paths.

#include <QColor>
#include <QLoggingCategory>
#include <QMargins>
#include <QRect>
#include <QPainterPath>
#include <QWidget>

#include <cstdint>
#include <span>
#include <string_view>

#include "ui/controls/curve_geometry.h"
#include "ui/controls/curve_text_style.h"

class QPainter;

namespace tolva::curves {

// The controls' debug lines go to the platform debug output, never to the log file; enable with
// QT_LOGGING_RULES="tolva.curves.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCurves)

inline constexpr QRgb kGridColor = 0xff444444;
inline constexpr QRgb kDefaultBackground = 0xff1b1d21;

class CurveGraphBase : public QWidget {
  Q_OBJECT

 public:
  // Both graphs answer the framework's interface name "Curve".
  static constexpr std::string_view kInterfaceName = "Curve";

  CurveGraphBase(GainAxis axis, std::span<const int> db_lines, QWidget* parent);

  // The display scale in percent (100 = sizes as given); sizes, pens, fonts and hit boxes follow.
  // Inside a window the graph takes the window's scale whenever the window applies one.
  void SetScalePercent(int percent);
  int ScalePercent() const { return scale_percent_; }

  void SetBackgroundColor(QColor color);
  QColor BackgroundColor() const { return background_; }

  // Axis labels need a margin around the plot; without them the plot fills the control.
  void SetAxisLabelsShown(bool shown);
  bool AxisLabelsShown() const { return axis_labels_; }

  // One layout attribute of the text style; false when not understood.
  bool SetAttribute(std::string_view name, std::string_view value);
  const CurveTextStyle& TextStyle() const { return text_style_; }
  // The font the texts are drawn in at 100 %; its pixel size is scaled.
  void SetTextFont(const QFont& font);

  // The plot in the control's own coordinates, and its maps.
  PixelRect PlotRect() const;
  CurveGeometry Geometry() const { return CurveGeometry(PlotRect(), axis_, scale_percent_); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // A GDI+-style Bézier path through the pixel points of (frequency, dB) pairs, taken from the
  // highest index down and skipping frequencies outside [min_hz, max_hz]: after the first point,
  // every three points make one cubic segment; a remainder of one or two points ends the path with
  // a line or a quadratic segment, so no point handed over is dropped.
  static QPainterPath BezierPath(const CurveGeometry& g, std::span<const double> frequencies,
                                 std::span<const double> values, double min_hz, double max_hz);
  // Straight lines through the pixel points in index order, less offset_db, past the axes as
  // GainToYPastAxis puts them; broken where a value is not finite or its frequency lies off the
  // axis, so a gap stays a gap.
  static QPainterPath BrokenLinePath(const CurveGeometry& g, std::span<const double> frequencies,
                                     std::span<const double> values, double offset_db = 0.0);
  // A cardinal spline (tension 0.5) through the pixel points, in index order, skipping
  // frequencies outside [min_hz, max_hz].
  static QPainterPath CardinalSpline(const CurveGeometry& g, std::span<const double> frequencies,
                                     std::span<const double> values, double min_hz, double max_hz);

 signals:
  // A user action on the graph: control name, message type ("equalizer_eq", ...), user data.
  void Notify(const QString& control_name, const QString& message_type, int user_data);

 protected:
  // Background, border, 0 dB line, dotted dB lines, frequency lines and axis labels.
  void PaintFrame(QPainter& painter, const CurveGeometry& g) const;
  void DrawCurve(QPainter& painter, const QPainterPath& path, QRgb color, double width,
                 Qt::PenStyle style = Qt::SolidLine) const;
  QFont ScaledFont(int pixel_size_at_100, bool bold = false) const;
  // A legend's box of w × h in the plot's top right corner, drawn over the curves.
  QRect PaintLegendBox(QPainter& painter, const CurveGeometry& g, int w, int h) const;
  QColor CurrentTextColor() const;
  // Called when anything the plot rectangle or the units depend on changed.
  virtual void GeometryChanged() {}
  // Changes whenever what PaintFrame draws may have changed (size, scale, colours, text style).
  std::uint64_t FrameSerial() const { return frame_serial_; }

  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QMargins LabelMargins() const;
  void FrameChanged();
  void PaintAxisLabels(QPainter& painter, const CurveGeometry& g) const;

  GainAxis axis_;
  std::span<const int> db_lines_;
  int scale_percent_ = 100;
  QColor background_ = QColor::fromRgba(kDefaultBackground);
  bool axis_labels_ = true;
  CurveTextStyle text_style_;
  QFont text_font_;
  std::uint64_t frame_serial_ = 1;
};

}  // namespace tolva::curves
