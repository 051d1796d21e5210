#include "ui/controls/ui_equalizer.h"

#include <QPainter>

#include <algorithm>

#include "base/language_tables.h"

namespace tolva::curves {

namespace {

constexpr int kEqDbLines[] = {-15, -10, -5, 5, 10};
constexpr int kLabelFontPx = 10;
constexpr int kTooltipFontPx = 11;
constexpr int kAllBypassFontPx = 18;
constexpr int kAllBypassTop = 40;
constexpr int kAllBypassHeight = 30;
constexpr double kBarePointRadius = 2.5;

int ValidCorner(int hz) {
  return hz >= kMinDisplayHz && hz <= kMaxDisplayHz ? hz : -1;
}

QRect ToQRect(const PixelRect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

UIEqualizer::UIEqualizer(QWidget* parent) : CurveGraphBase(kEqualizerAxis, kEqDbLines, parent) {
  setObjectName(QStringLiteral("equalizer"));
  setMouseTracking(true);  // hovering selects a point
  setFocusPolicy(Qt::StrongFocus);
}

void UIEqualizer::SetBands(std::span<const CurveBand> points, int selected) {
  band_count_ = static_cast<int>(std::min<std::size_t>(points.size(), kMaxBands));
  std::copy_n(points.begin(), band_count_, bands_.begin());
  all_bypass_ = std::all_of(bands_.begin(), bands_.begin() + band_count_,
                            [](const CurveBand& b) { return b.gain == 0.0f; });
  mCurrentControlIndex = selected >= 0 && selected < kMaxBands ? selected : -1;
  MarkLayoutDirty();
}

void UIEqualizer::setCurEqHpLp(int hpFreq, int lpFreq) {
  mHpFreq = ValidCorner(hpFreq);
  mLpFreq = ValidCorner(lpFreq);
  qCDebug(lcCurves, "setCurEqHpLp mHpFreq(%d)", mHpFreq);
  qCDebug(lcCurves, "setCurEqHpLp mLpFreq(%d)", mLpFreq);
  MarkLayoutDirty();
}

void UIEqualizer::SetCurves(std::span<const CurveData> channels, int current) {
  const int count = curves_.Set(channels);
  current_curve_ = current >= 0 && current < count ? current : -1;
  update();
}

void UIEqualizer::SetPeqMode(int flag) {
  mDragAllDirection = flag ? 1 : 0;
  MarkLayoutDirty();
}

void UIEqualizer::SetMeasurement(int output, std::span<const double> levels,
                                 std::span<const double> played) {
  if (levels.empty()) {
    overlay_.Clear(output);
  } else {
    overlay_.Set(output, levels, played);
  }
  update();
}

std::span<const double> UIEqualizer::PredictedCurve() const {
  if (current_curve_ < 0) return {};
  return overlay_.Predicted(current_curve_, curves_.At(current_curve_),
                            curves_.Version(current_curve_));
}

CurveBand UIEqualizer::Band(int index) const {
  if (index < 0 || index >= band_count_) return {};
  return bands_[static_cast<std::size_t>(index)];
}

const EqualizerLayout& UIEqualizer::Layout() const {
  const CurveGeometry g = Geometry();
  // A hidden widget gets its resize events only when shown, so the plot is compared too.
  if (layout_dirty_ || !(layout_.Geometry().Plot() == g.Plot()) ||
      layout_.Geometry().ScalePercent() != g.ScalePercent()) {
    layout_.Compute(g, {std::span<const CurveBand>(bands_.data(), band_count_),
                        mCurrentControlIndex, mDragAllDirection == 1, mHpFreq, mLpFreq});
    layout_dirty_ = false;
  }
  return layout_;
}

void UIEqualizer::MarkLayoutDirty() {
  layout_dirty_ = true;
  update();
}

void UIEqualizer::GeometryChanged() {
  layout_dirty_ = true;
}

void UIEqualizer::paintEvent(QPaintEvent*) {
  qCDebug(lcCurves, "DoPaint!!");
  const CurveGeometry g = Geometry();
  QPainter painter(this);
  painter.drawPixmap(0, 0, Backdrop(g));
  if (current_curve_ >= 0) {
    overlay_.Paint(painter, g, ScaledFont(kLabelFontPx), current_curve_,
                   curves_.At(current_curve_), curves_.Version(current_curve_));
  }
  PaintCurrentCurve(painter, g);
  PaintMarkers(painter, g);
  preview_.Paint(painter, g, ScaledFont(kLabelFontPx));
}

void UIEqualizer::SetImportPreview(tolva::curves::ImportPreview::Curves curves) {
  preview_.Set(std::move(curves));
  update();
}

UIEqualizer::BackdropKey UIEqualizer::BackdropKeyNow() const {
  BackdropKey key;
  key.frame = FrameSerial();
  key.current = current_curve_;
  for (int i = 0; i < curves_.Count(); ++i) {
    if (i != current_curve_) key.curves[static_cast<std::size_t>(i)] = curves_.Version(i);
  }
  key.all_bypass = all_bypass_;
  if (all_bypass_) {
    key.all_bypass_text = QString::fromStdString(tolva::Languages().Resolve("${all_bypass}"));
  }
  return key;
}

const QPixmap& UIEqualizer::Backdrop(const CurveGeometry& g) {
  BackdropKey key = BackdropKeyNow();
  const qreal ratio = devicePixelRatioF();
  if (!backdrop_.isNull() && key == backdrop_key_ && backdrop_.devicePixelRatio() == ratio) {
    return backdrop_;
  }
  backdrop_ = QPixmap(size() * ratio);
  backdrop_.setDevicePixelRatio(ratio);
  QPainter painter(&backdrop_);
  PaintFrame(painter, g);
  if (all_bypass_) PaintAllBypass(painter, g, key.all_bypass_text);
  PaintOtherCurves(painter, g);
  backdrop_key_ = std::move(key);
  return backdrop_;
}

void UIEqualizer::PaintAllBypass(QPainter& painter, const CurveGeometry& g,
                                 const QString& text) const {
  const PixelRect& plot = g.Plot();
  const CurveTextStyle& style = TextStyle();
  const QRect box =
      QRect(plot.left, plot.top + g.Unit(kAllBypassTop), plot.Width(), g.Unit(kAllBypassHeight))
          .marginsRemoved(style.padding * g.ScalePercent() / 100);
  painter.save();
  painter.setFont(ScaledFont(kAllBypassFontPx, true));
  painter.setPen(QColor::fromRgba(kAllBypassColor));
  painter.drawText(box, style.Flags(), style.Fit(text, painter.fontMetrics(), box.width()));
  painter.restore();
}

void UIEqualizer::PaintOtherCurves(QPainter& painter, const CurveGeometry& g) const {
  const double width = g.UnitF(3);
  for (int i = 0; i < curves_.Count(); ++i) {
    const CurveStore::Slot& slot = curves_.At(i);
    if (i == current_curve_ || !slot.shown) continue;
    DrawCurve(painter, BezierPath(g, slot.frequencies, slot.values, kCurveMinHz, kCurveMaxHz),
              kOtherCurveColor, width);
  }
}

void UIEqualizer::PaintCurrentCurve(QPainter& painter, const CurveGeometry& g) const {
  if (current_curve_ < 0) return;
  const CurveStore::Slot& slot = curves_.At(current_curve_);
  DrawCurve(painter, BezierPath(g, slot.frequencies, slot.values, kCurveMinHz, kCurveMaxHz),
            kCurrentCurveColor, g.UnitF(2));
}

// A point whose number sits beside it (or has no room): a dot on the curve, tied to its number
// by a short stem.
void UIEqualizer::PaintBarePoint(QPainter& painter, const CurveGeometry& g, const BandMarker& m,
                                 const QColor& ink) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QPointF at(m.center.x, m.center.y);
  if (m.label_box) {
    const QRect box = ToQRect(*m.label_box);
    const qreal edge = box.center().y() < m.center.y ? box.bottom() + 1 : box.top();
    painter.setPen(QPen(ink, std::max(1.0, g.UnitF(1))));
    painter.drawLine(at, QPointF(at.x(), edge));
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(ink);
  const qreal r = g.UnitF(kBarePointRadius);
  painter.drawEllipse(at, r, r);
  painter.restore();
}

void UIEqualizer::PaintMarkers(QPainter& painter, const CurveGeometry& g) const {
  const EqualizerLayout& layout = Layout();
  const QColor selected = QColor::fromRgba(kSelectedColor);
  const QColor normal = QColor::fromRgba(kLabelColor);
  QColor disc = BackgroundColor();
  disc.setAlpha(0xcc);
  const int line = std::max(1, g.Unit(1));

  painter.save();
  MarkerLook look{ScaledFont(kLabelFontPx, true), normal, disc, 0x90, line, devicePixelRatioF()};
  const auto& markers = layout.Markers();
  for (std::size_t i = 0; i < markers.size(); ++i) {
    const BandMarker& m = markers[i];
    const bool is_selected = static_cast<int>(i) == mCurrentControlIndex;
    look.ink = is_selected ? selected : normal;
    look.ring_alpha = is_selected ? 0xff : 0x90;
    if (!m.label_box || m.LabelMoved()) PaintBarePoint(painter, g, m, look.ink);
    if (!m.label_box) continue;
    const QRect box = ToQRect(*m.label_box);
    painter.drawPixmap(box.topLeft(), marker_sprites_.Get(m.label, box.size(), look));
  }

  if (layout.HasTooltip()) {
    const QRect box = ToQRect(layout.TooltipRect());
    QColor fill = BackgroundColor();
    fill.setAlpha(0xe0);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, fill);
    painter.setPen(selected);
    painter.setFont(ScaledFont(kTooltipFontPx));
    painter.drawText(box, Qt::AlignCenter, QString::fromStdString(layout.TooltipText()));
    if (layout.HasQHandles()) {
      for (int side = 0; side < 2; ++side)
        painter.fillRect(ToQRect(layout.QHandle(side)), selected);
    }
  }

  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(ScaledFont(kLabelFontPx, true));
  const auto draw_corner = [&](const std::optional<PixelRect>& handle, const char* label,
                               bool dragged) {
    if (!handle) return;
    const QColor color = dragged ? selected : normal;
    const QRect box = ToQRect(*handle);
    painter.fillRect(box, disc);
    painter.setPen(QPen(color, line));
    painter.drawRect(box.adjusted(0, 0, -line, -line));
    painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(label));
  };
  draw_corner(layout.HpHandle(), "H", drag_state_ == DragState::HP_CAPTURED);
  draw_corner(layout.LpHandle(), "L", drag_state_ == DragState::LP_CAPTURED);
  painter.restore();
}

}  // namespace tolva::curves
