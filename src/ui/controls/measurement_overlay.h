#pragma once

// A measured response laid over the equalizer graph, with the result predicted for the output's
// current settings: the measurement plus the output's curve, point by point on the response
// grid. Each output keeps its own measurement; the graph draws the current output's.

#include <QImage>
#include <QPainterPath>
#include <QRgb>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "ui/controls/curve_data.h"
#include "ui/controls/curve_geometry.h"

class QFont;
class QPainter;

namespace tolva::curves {

class MeasurementOverlay {
 public:
  static constexpr QRgb kMeasuredColor = 0xff4aa8ff;
  static constexpr QRgb kPredictedColor = 0xffffa630;

  // levels: dB at the graph's level on the response grid, NaN where nothing was measured.
  // played: the output's curve on that grid while it was measured, when it played settings
  // (a measurement at the seat through the unit); empty for a response without them.
  void Set(int output, std::span<const double> levels, std::span<const double> played = {});
  void Clear(int output);
  bool Has(int output) const;
  std::span<const double> Measured(int output) const;
  // The measurement plus response (the output's curve on the same grid), less the curve it was
  // played with; recomputed only when
  // the response's version or the measurement changed. Empty without a measurement or when the
  // grids differ.
  std::span<const double> Predicted(int output, const CurveStore::Slot& response,
                                    std::uint64_t response_version) const;

  // Both curves of output, clipped to the plot, and their legend in its top-right corner.
  void Paint(QPainter& painter, const CurveGeometry& g, const QFont& legend_font, int output,
             const CurveStore::Slot& response, std::uint64_t response_version) const;

 private:
  struct Entry {
    std::vector<double> measured;
    std::vector<double> played;  // empty, or as long as measured
    std::uint64_t version = 0;   // of measured
  };
  // A path and what it was built from.
  struct CachedPath {
    QPainterPath path;
    PixelRect plot;
    int output = -1;
    std::uint64_t measured = 0;
    std::uint64_t response = 0;
  };
  // The legend is drawn once into an image per language, font and scale.
  void PaintLegend(QPainter& painter, const CurveGeometry& g, const QFont& font) const;
  const QPainterPath& PathOf(CachedPath& cache, const CurveGeometry& g, int output,
                             std::uint64_t response_version, std::span<const double> frequencies,
                             std::span<const double> values) const;

  std::array<Entry, kCurveSlots> entries_;
  std::uint64_t last_version_ = 0;

  mutable std::vector<double> predicted_;
  mutable int predicted_output_ = -1;
  mutable std::uint64_t predicted_measured_ = 0;
  mutable std::uint64_t predicted_response_ = 0;
  mutable CachedPath measured_path_;
  mutable CachedPath predicted_path_;
  mutable QImage legend_;
  mutable QString legend_key_;
};

}  // namespace tolva::curves
