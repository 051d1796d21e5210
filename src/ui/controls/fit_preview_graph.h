#pragma once

// What a fit would do to one output before anything is sent: the output at the seat as it plays
// now, as it would play with the fitted bands, the target it was fitted to, and the ranges left
// unboosted (cancellations, incoherent or position-dependent dips), shaded. The target's level is
// the graph's 0 dB. Display only.

#include <QRgb>
#include <QString>

#include <cstdint>
#include <vector>

#include "ui/controls/curve_graph_base.h"

class FitPreviewGraph : public tolva::curves::CurveGraphBase {
  Q_OBJECT

 public:
  static constexpr QRgb kBeforeColor = 0xff4aa8ff;
  static constexpr QRgb kAfterColor = 0xff00c000;
  static constexpr QRgb kTargetColor = 0xffe0e0e0;
  static constexpr QRgb kMaskColor = 0x40ff5050;

  struct Curves {
    std::vector<double> freq, before_db, after_db, target_db;  // one grid, dB as measured
    std::vector<std::uint8_t> mask;                            // non-zero: not boosted there
    double level_db = 0.0;                                     // drawn at 0 dB
  };
  struct Legend {
    QString before, after, target, masked;
  };

  explicit FitPreviewGraph(QWidget* parent = nullptr);

  void SetCurves(Curves curves);
  void SetLegend(Legend legend);
  bool HasCurves() const { return !curves_.freq.empty(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintMask(QPainter& painter, const tolva::curves::CurveGeometry& g) const;
  void PaintLegend(QPainter& painter, const tolva::curves::CurveGeometry& g) const;

  Curves curves_;
  Legend legend_;
};
