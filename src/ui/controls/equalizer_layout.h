#pragma once

// Where the equalizer graph's interactive parts sit: band points with their hit rectangles and
// labels, the selected band's tooltip and Q handles, and the "H"/"L" corner handles. Computed from
// model values through CurveGeometry; Qt-free, so hit-testing is testable without a window.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ui/controls/curve_data.h"
#include "ui/controls/curve_geometry.h"

namespace tolva::curves {

struct BandMarker {
  Point center;       // the point on screen
  PixelRect hit;      // 16 x 16 units around it, kept inside the plot
  // Where the numbered disc is drawn: the hit box, or just above or below the point where that
  // would touch the number of a band before it. None when there is no room at all.
  std::optional<PixelRect> label_box;
  std::string label;  // band number counted from 1

  bool LabelMoved() const { return label_box && !(*label_box == hit); }
};

enum class HitKind { kNone, kQHandle, kBand, kHpHandle, kLpHandle };

struct Hit {
  HitKind kind = HitKind::kNone;
  int index = -1;  // band index for kBand and kQHandle
  friend bool operator==(const Hit&, const Hit&) = default;
};

struct EqualizerLayoutInput {
  std::span<const CurveBand> bands;
  int selected = -1;
  bool peq_mode = false;
  int hp_freq = -1;  // -1: no handle
  int lp_freq = -1;
};

class EqualizerLayout {
 public:
  void Compute(const CurveGeometry& geometry, const EqualizerLayoutInput& input);

  // The maps the layout was computed with.
  const CurveGeometry& Geometry() const { return geometry_; }
  const std::vector<BandMarker>& Markers() const { return markers_; }
  // The selected band's tooltip (only for a selected band in use).
  bool HasTooltip() const { return tooltip_.has_value(); }
  const std::string& TooltipText() const { return tooltip_text_; }
  PixelRect TooltipRect() const { return tooltip_.value_or(PixelRect{}); }
  // The two Q handles left and right of the selected point; PEQ mode only.
  bool HasQHandles() const { return q_handles_.has_value(); }
  PixelRect QHandle(int side) const;
  std::optional<PixelRect> HpHandle() const { return hp_handle_; }
  std::optional<PixelRect> LpHandle() const { return lp_handle_; }

  // What a button press at p hits, in the order the press is resolved: Q handles of the selected
  // band (PEQ mode), then band points in index order (first wins), then numbers drawn beside their
  // point, then "H", then "L". p is limited to the plot first.
  Hit HitTest(Point p) const;

  // The tooltip texts: "%d Hz %s Q %.1f dB" in PEQ mode (Q as "%0.2f"), "%.1f dB" in GEQ mode.
  static std::string TooltipFor(const CurveBand& band, bool peq_mode);

 private:
  CurveGeometry geometry_;
  std::vector<BandMarker> markers_;
  int selected_ = -1;
  std::optional<PixelRect> tooltip_;
  std::string tooltip_text_;
  std::optional<std::pair<PixelRect, PixelRect>> q_handles_;
  std::optional<PixelRect> hp_handle_;
  std::optional<PixelRect> lp_handle_;
};

// Shifts r horizontally and vertically, without resizing it, so that it lies inside bounds where
// it fits.
PixelRect KeepInside(PixelRect r, const PixelRect& bounds);

}  // namespace tolva::curves
