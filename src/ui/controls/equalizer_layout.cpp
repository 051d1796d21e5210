#include "ui/controls/equalizer_layout.h"

#include <algorithm>
#include <cstdio>

#include "model/edits/screen_text.h"

namespace tolva::curves {

namespace {

constexpr int kPointBox = 16;
constexpr int kPeqTooltipWidth = 150;
constexpr int kGeqTooltipWidth = 50;
constexpr int kTooltipHeight = 15;
constexpr int kTooltipGap = 14;
constexpr int kQHandleSize = 8;
constexpr int kQHandleGap = 4;
constexpr int kCornerHandleWidth = 14;
constexpr int kCornerHandleHeight = 10;
constexpr double kHpHandleDb = -8.0;
constexpr double kLpHandleDb = -11.0;
constexpr int kLabelGap = 4;  // between two numbered discs, so that their rings never crowd

PixelRect CenteredBox(const CurveGeometry& g, int cx, int top, int width_units, int height_units) {
  const int w = g.Unit(width_units);
  const int left = cx - w / 2;
  return {left, top, left + w, top + g.Unit(height_units)};
}

// Top of a box hung below a point at y, flipped above it near the bottom and pinned near either
// edge so that it stays readable; the same rule places the tooltip and the Q handles.
int BoxTopNear(const CurveGeometry& g, int y, int gap, int height, int pin_top, int pin_bottom) {
  const PixelRect& plot = g.Plot();
  if (y - plot.top < g.Unit(14)) return plot.top + g.Unit(pin_top);
  const int to_bottom = plot.bottom - y;
  if (to_bottom < g.Unit(10)) return plot.bottom - g.Unit(pin_bottom);
  if (to_bottom < g.Unit(29)) return y - g.Unit(gap + height);
  return y + g.Unit(gap);
}

std::optional<PixelRect> CornerHandle(const CurveGeometry& g, int freq, double db) {
  if (freq < 0) return std::nullopt;
  const int cx = ToPixel(g.FrequencyToX(freq));
  const int top = ToPixel(g.GainToY(db));
  return KeepInside(CenteredBox(g, cx, top, kCornerHandleWidth, kCornerHandleHeight), g.Plot());
}

bool Inside(const PixelRect& r, Point p) {
  return r.Contains(p.x, p.y);
}

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

PixelRect Grown(const PixelRect& r, int by) {
  return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

// Each band's number where it touches no number placed before it, in band order so that the
// numbers stay put while the pointer passes over the points: on the point, else one or two
// discs above or below it (never over another band's point), else none. Neighbouring bands of a
// flat curve (a third of an octave, a little less than a disc apart) so alternate on and above
// the line.
void PlaceLabels(std::vector<BandMarker>& markers, const CurveGeometry& g) {
  const PixelRect& plot = g.Plot();
  const int gap = std::max(1, g.Unit(kLabelGap));
  const int step = g.Unit(kPointBox) + gap;
  const auto covers_a_point = [&](const PixelRect& box, std::size_t own) {
    for (std::size_t j = 0; j < markers.size(); ++j) {
      if (j != own && Inside(box, markers[j].center)) return true;
    }
    return false;
  };
  std::vector<PixelRect> placed;
  for (std::size_t i = 0; i < markers.size(); ++i) {
    BandMarker& m = markers[i];
    m.label_box.reset();
    for (const int shift : {0, -step, step, -2 * step, 2 * step}) {
      PixelRect box = m.hit;
      if (shift != 0) {
        box = KeepInside({m.hit.left, m.hit.top + shift, m.hit.right, m.hit.bottom + shift}, plot);
        if (box == m.hit || covers_a_point(box, i)) continue;
      }
      const PixelRect room = Grown(box, gap);
      if (std::none_of(placed.begin(), placed.end(),
                       [&](const PixelRect& other) { return Overlap(room, other); })) {
        m.label_box = box;
        placed.push_back(box);
        break;
      }
    }
  }
}

}  // namespace

PixelRect KeepInside(PixelRect r, const PixelRect& bounds) {
  auto shift = [](int& lo, int& hi, int min, int max) {
    int d = 0;
    if (hi > max) d = max - hi;
    if (lo + d < min) d = min - lo;
    lo += d;
    hi += d;
  };
  shift(r.left, r.right, bounds.left, bounds.right);
  shift(r.top, r.bottom, bounds.top, bounds.bottom);
  return r;
}

std::string EqualizerLayout::TooltipFor(const CurveBand& band, bool peq_mode) {
  // The band rows' own gain text, so a small cut reads "0.0 dB" here too, never "-0.0 dB".
  const std::string gain = model::GainText(static_cast<double>(band.gain)) + " dB";
  if (!peq_mode) return gain;
  char text[64];
  std::snprintf(text, sizeof text, "%d Hz %0.2f Q ", band.freq, static_cast<double>(band.q));
  return text + gain;
}

void EqualizerLayout::Compute(const CurveGeometry& geometry, const EqualizerLayoutInput& input) {
  geometry_ = geometry;
  const PixelRect& plot = geometry.Plot();
  const std::size_t count = std::min<std::size_t>(input.bands.size(), kMaxBands);

  markers_.clear();
  markers_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const CurveBand& band = input.bands[i];
    BandMarker m;
    m.center = {ToPixel(geometry.FrequencyToX(band.freq)), ToPixel(geometry.GainToY(band.gain))};
    const int half = geometry.Unit(kPointBox) / 2;
    m.hit = KeepInside(
        {m.center.x - half, m.center.y - half, m.center.x - half + geometry.Unit(kPointBox),
         m.center.y - half + geometry.Unit(kPointBox)},
        plot);
    m.label = std::to_string(i + 1);
    markers_.push_back(std::move(m));
  }
  PlaceLabels(markers_, geometry);

  // A selection beyond the bands in use has no band to describe.
  selected_ =
      input.selected >= 0 && static_cast<std::size_t>(input.selected) < count ? input.selected : -1;
  tooltip_.reset();
  tooltip_text_.clear();
  q_handles_.reset();
  if (selected_ >= 0) {
    const CurveBand& band = input.bands[static_cast<std::size_t>(selected_)];
    const Point c = markers_[static_cast<std::size_t>(selected_)].center;
    const int width = input.peq_mode ? kPeqTooltipWidth : kGeqTooltipWidth;
    const int top = BoxTopNear(geometry, c.y, kTooltipGap, kTooltipHeight, 22, 37);
    tooltip_ = KeepInside(CenteredBox(geometry, c.x, top, width, kTooltipHeight), plot);
    tooltip_text_ = TooltipFor(band, input.peq_mode);
    if (input.peq_mode) {
      const int d = geometry.QHandleDistance(band.q);
      const int qtop = BoxTopNear(geometry, c.y, kQHandleGap, kQHandleSize, 12, 20);
      q_handles_.emplace(CenteredBox(geometry, c.x - d, qtop, kQHandleSize, kQHandleSize),
                         CenteredBox(geometry, c.x + d, qtop, kQHandleSize, kQHandleSize));
    }
  }

  hp_handle_ = CornerHandle(geometry, input.hp_freq, kHpHandleDb);
  lp_handle_ = CornerHandle(geometry, input.lp_freq, kLpHandleDb);
}

PixelRect EqualizerLayout::QHandle(int side) const {
  if (!q_handles_) return {};
  return side == 0 ? q_handles_->first : q_handles_->second;
}

Hit EqualizerLayout::HitTest(Point p) const {
  // Hit boxes own their left/top pixels, not their right/bottom ones; a press limited onto the
  // plot's far edge must still reach a point drawn there.
  const PixelRect& plot = geometry_.Plot();
  const Point at{std::clamp(p.x, plot.left, std::max(plot.left, plot.right - 1)),
                 std::clamp(p.y, plot.top, std::max(plot.top, plot.bottom - 1))};
  if (q_handles_ && (Inside(q_handles_->first, at) || Inside(q_handles_->second, at))) {
    return {HitKind::kQHandle, selected_};
  }
  for (std::size_t i = 0; i < markers_.size(); ++i) {
    if (Inside(markers_[i].hit, at)) return {HitKind::kBand, static_cast<int>(i)};
  }
  for (std::size_t i = 0; i < markers_.size(); ++i) {
    if (markers_[i].LabelMoved() && Inside(*markers_[i].label_box, at)) {
      return {HitKind::kBand, static_cast<int>(i)};
    }
  }
  if (hp_handle_ && Inside(*hp_handle_, at)) return {HitKind::kHpHandle, -1};
  if (lp_handle_ && Inside(*lp_handle_, at)) return {HitKind::kLpHandle, -1};
  return {};
}

}  // namespace tolva::curves
