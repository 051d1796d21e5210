#pragma once

// What an import of filter text would do, drawn over the equalizer graph before anything is
// sent: the file's curve, the curve of the bands the output would receive, and the deviation
// between them as a shaded band, with a legend naming the largest deviation and where it is.

#include <QPainterPath>
#include <QRgb>
#include <QString>

#include <vector>

#include "ui/controls/curve_geometry.h"

class QFont;
class QPainter;

namespace tolva::curves {

class ImportPreview {
 public:
  static constexpr QRgb kFileColor = 0xffffffff;
  static constexpr QRgb kResultColor = 0xffffa630;
  static constexpr QRgb kDeviationColor = 0x90ff4040;
  // The deviation curve is drawn this many times its size around 0 dB.
  static constexpr double kDeviationScale = 10.0;

  struct Curves {
    std::vector<double> freq, file_db, result_db;  // one grid
    QString file_label, result_label, deviation_label;
  };
  void Set(Curves curves);
  void Clear();
  bool Active() const { return !curves_.freq.empty(); }
  const Curves& Shown() const { return curves_; }

  void Paint(QPainter& painter, const CurveGeometry& g, const QFont& legend_font) const;

 private:
  void PaintLegend(QPainter& painter, const CurveGeometry& g, const QFont& font) const;

  Curves curves_;
};

}  // namespace tolva::curves
