// The equalizer graph's user input: pressing and dragging points, Q handles and the corner
// handles, hovering, the wheel and the keys. Every change is raised as a notification that the
// manager applies; the graph only moves its own copy.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/message_types.h"

namespace tolva::curves {

namespace {
namespace msg = tolva::kit::msgtype;

constexpr float kGainChange = 0.001f;  // smaller gain moves are no change
constexpr float kQChange = 0.01f;
constexpr int kWheelNotch = 120;  // eighths of a degree

Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y};
}

Point CentreOf(const PixelRect& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int CornerX(const CurveGeometry& g, int freq) {
  return ToPixel(g.FrequencyToX(freq));
}

// Values are kept to the steps the unit takes, so a move lands on what the edits show.
float RoundTo(float value, float step) {
  return std::round(value / step) * step;
}

}  // namespace

Point UIEqualizer::DragPoint(const QMouseEvent& event) const {
  const QPoint p = event.position().toPoint();
  return Geometry().ClampToPlot(Point{p.x(), p.y()} - grab_offset_);
}

void UIEqualizer::SelectBand(int index) {
  mCurrentControlIndex = index;
  text_ = QString::number(index);
  MarkLayoutDirty();
}

void UIEqualizer::Raise(Raised what) {
  switch (what) {
    case Raised::kBand:
      RaiseBand(mCurrentControlIndex);
      break;
    case Raised::kHp:
      emit CornerDragged(true, mHpFreq);
      break;
    case Raised::kLp:
      emit CornerDragged(false, mLpFreq);
      break;
    case Raised::kNothing:
      break;
  }
}

void UIEqualizer::RaiseBand(int index) {
  if (index < 0 || index >= band_count_) return;
  const CurveBand& b = bands_[static_cast<std::size_t>(index)];
  emit BandDragged(index, b.freq, b.q, b.gain);
}

void UIEqualizer::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || drag_state_ != DragState::kIdle) {
    CurveGraphBase::mousePressEvent(event);
    return;
  }
  const EqualizerLayout& layout = Layout();
  const CurveGeometry& g = layout.Geometry();
  const QPoint p = event->position().toPoint();
  const Point at = g.ClampToPlot({p.x(), p.y()});
  const Hit hit = layout.HitTest(at);
  switch (hit.kind) {
    case HitKind::kQHandle: {
      const PixelRect left = layout.QHandle(0), right = layout.QHandle(1);
      const PixelRect& pressed = left.Contains(at.x, at.y) ? left : right;
      grab_offset_ = {at.x - CentreOf(pressed).x, 0};
      drag_state_ = DragState::FACTOR_CAPTURED;
      setCursor(Qt::SizeHorCursor);
      break;
    }
    case HitKind::kBand:
      grab_offset_ = at - layout.Markers()[static_cast<std::size_t>(hit.index)].center;
      SelectBand(hit.index);
      drag_state_ = DragState::INDEX_CAPTURED;
      setCursor(mDragAllDirection == 1 ? Qt::SizeAllCursor : Qt::SizeVerCursor);
      break;
    case HitKind::kHpHandle:
    case HitKind::kLpHandle: {
      const bool hp = hit.kind == HitKind::kHpHandle;
      grab_offset_ = {at.x - CornerX(g, hp ? mHpFreq : mLpFreq), 0};
      mCurrentControlIndex = -1;
      drag_state_ = hp ? DragState::HP_CAPTURED : DragState::LP_CAPTURED;
      setCursor(Qt::SizeHorCursor);
      MarkLayoutDirty();  // the handle turns red
      break;
    }
    case HitKind::kNone:
      break;  // the selection stays
  }
  if (drag_state_ != DragState::kIdle) {
    emit Notify(objectName(), QLatin1String(msg::kEqualizerPress), -1);
  }
  event->accept();
}

// Moves what is captured to `at` (already limited to the plot). True when a value changed.
bool UIEqualizer::DragTo(Point at) {
  const EqualizerLayout& layout = Layout();
  const CurveGeometry& g = layout.Geometry();
  // A coordinate that still lies where the value is drawn leaves the value alone: the maps are
  // not exact inverses at pixel precision, and a vertical drag must not nudge the frequency.
  switch (drag_state_) {
    case DragState::INDEX_CAPTURED: {
      if (mCurrentControlIndex < 0 || mCurrentControlIndex >= band_count_) return false;
      CurveBand& band = bands_[static_cast<std::size_t>(mCurrentControlIndex)];
      const Point drawn = layout.Markers()[static_cast<std::size_t>(mCurrentControlIndex)].center;
      bool changed = false;
      if (at.y != drawn.y) {
        const float gain = RoundTo(static_cast<float>(g.YToGain(at.y)), kUnitStep);
        if (std::fabs(gain - band.gain) > kGainChange) {
          band.gain = gain;
          changed = true;
        }
      }
      if (mDragAllDirection == 1 && at.x != drawn.x) {
        const int freq = g.XToFrequency(at.x);
        if (freq != band.freq) {
          band.freq = freq;
          changed = true;
        }
      }
      qCDebug(lcCurves, "freq (%d) gain(%.2f) ", band.freq, static_cast<double>(band.gain));
      return changed;
    }
    case DragState::FACTOR_CAPTURED: {
      if (mCurrentControlIndex < 0 || mCurrentControlIndex >= band_count_) return false;
      CurveBand& band = bands_[static_cast<std::size_t>(mCurrentControlIndex)];
      const int len = at.x - layout.Markers()[static_cast<std::size_t>(mCurrentControlIndex)].center.x;
      qCDebug(lcCurves, "len (%d) ", len);
      qCDebug(lcCurves, "abs len (%d) ", std::abs(len));
      if (std::abs(len) == g.QHandleDistance(band.q)) return false;
      const float q = std::clamp(RoundTo(static_cast<float>(g.QFromDistance(len)), kUnitStep),
                                 static_cast<float>(kMinQ), static_cast<float>(kMaxQ));
      if (std::fabs(q - band.q) < kQChange) return false;
      band.q = q;
      return true;
    }
    case DragState::HP_CAPTURED: {
      if (at.x == CornerX(g, mHpFreq)) return false;
      // Up to the last frequency below the low-pass corner, however fast the pointer moves.
      const int below = mLpFreq > 0 ? mLpFreq - 1 : std::numeric_limits<int>::max();
      const int freq = std::min(g.XToFrequency(at.x), below);
      if (freq == mHpFreq || freq < kMinDisplayHz) return false;
      mHpFreq = freq;
      return true;
    }
    case DragState::LP_CAPTURED: {
      if (at.x == CornerX(g, mLpFreq)) return false;
      const int freq = std::max(g.XToFrequency(at.x), mHpFreq + 1);
      if (freq == mLpFreq || freq > kMaxDisplayHz) return false;
      mLpFreq = freq;
      return true;
    }
    case DragState::kIdle:
      break;
  }
  return false;
}

void UIEqualizer::Hover(Point at) {
  const EqualizerLayout& layout = Layout();
  const Hit hit = layout.HitTest(at);
  switch (hit.kind) {
    case HitKind::kBand:
      setCursor(Qt::PointingHandCursor);
      if (hit.index != mCurrentControlIndex) {
        SelectBand(hit.index);
        RaiseBand(hit.index);
      }
      break;
    case HitKind::kQHandle:
    case HitKind::kHpHandle:
    case HitKind::kLpHandle:
      setCursor(Qt::SizeHorCursor);
      break;
    case HitKind::kNone:
      unsetCursor();
      break;
  }
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* event) {
  qCDebug(lcCurves, "move mCurrentControlIndex(%d) mDragAllDirection(%d) ", mCurrentControlIndex,
          mDragAllDirection);
  const QPoint p = event->position().toPoint();
  if (drag_state_ != DragState::kIdle && !event->buttons().testFlag(Qt::LeftButton)) {
    // The button went up where this graph did not see it: the drag ended there.
    EndDrag();
  }
  if (drag_state_ == DragState::kIdle) {
    Hover(Geometry().ClampToPlot({p.x(), p.y()}));
    return;
  }
  const Point at = DragPoint(*event);
  const DragState state = drag_state_;
  const bool changed = DragTo(at);
  switch (state) {
    case DragState::INDEX_CAPTURED:
      qCDebug(lcCurves, "INDEX_CAPTURED move x(%d) y(%d) ", at.x, at.y);
      break;
    case DragState::FACTOR_CAPTURED:
      qCDebug(lcCurves, "FACTOR_CAPTURED index %d move x(%d) y(%d) ", mCurrentControlIndex, at.x,
              at.y);
      break;
    case DragState::HP_CAPTURED:
      qCDebug(lcCurves, "HP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)", at.x,
              at.y, mCurrentControlIndex, mHpFreq);
      break;
    case DragState::LP_CAPTURED:
      qCDebug(lcCurves, "LP_CAPTURED move x(%d) y(%d) mCurrentControlIndex(%d) mHpFreq(%d)", at.x,
              at.y, mCurrentControlIndex, mHpFreq);
      break;
    case DragState::kIdle:
      break;
  }
  if (!changed) return;
  MarkLayoutDirty();
  Raise(state == DragState::HP_CAPTURED   ? Raised::kHp
        : state == DragState::LP_CAPTURED ? Raised::kLp
                                          : Raised::kBand);
}

void UIEqualizer::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || drag_state_ == DragState::kIdle) {
    CurveGraphBase::mouseReleaseEvent(event);
    return;
  }
  const Point at = DragPoint(*event);
  qCDebug(lcCurves, "up x(%d) y(%d) ", at.x, at.y);
  DragTo(at);
  EndDrag();
  event->accept();
}

void UIEqualizer::EndDrag() {
  const DragState state = drag_state_;
  if (state == DragState::kIdle) return;
  drag_state_ = DragState::kIdle;
  grab_offset_ = {};
  MarkLayoutDirty();
  if (state == DragState::INDEX_CAPTURED) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  // The end of a drag is always told, changed or not; the manager drops what did not change.
  Raise(state == DragState::HP_CAPTURED   ? Raised::kHp
        : state == DragState::LP_CAPTURED ? Raised::kLp
                                          : Raised::kBand);
  emit Notify(objectName(), QLatin1String(msg::kEqualizerRelease), -1);
}

bool UIEqualizer::event(QEvent* event) {
  // A modal window takes the mouse: its release goes there, or nowhere.
  if (event->type() == QEvent::WindowBlocked) EndDrag();
  return CurveGraphBase::event(event);
}

// Over the selected point in PEQ mode: one Q step per notch, up narrows the band.
void UIEqualizer::wheelEvent(QWheelEvent* event) {
  const int selected = mCurrentControlIndex;
  const QPoint p = event->position().toPoint();
  const Hit hit = Layout().HitTest(Geometry().ClampToPlot({p.x(), p.y()}));
  if (mDragAllDirection != 1 || drag_state_ != DragState::kIdle || selected < 0 ||
      selected >= band_count_ || hit != Hit{HitKind::kBand, selected}) {
    wheel_remainder_ = 0;
    event->ignore();
    return;
  }
  event->accept();
  wheel_remainder_ += event->angleDelta().y();
  const int notches = wheel_remainder_ / kWheelNotch;
  wheel_remainder_ %= kWheelNotch;
  if (notches == 0) return;
  CurveBand& band = bands_[static_cast<std::size_t>(selected)];
  const float q = std::clamp(RoundTo(band.q + static_cast<float>(notches) * kQWheelStep, kUnitStep),
                             static_cast<float>(kMinQ), static_cast<float>(kMaxQ));
  if (std::fabs(q - band.q) < kQChange / 2) return;
  band.q = q;
  MarkLayoutDirty();
  RaiseBand(selected);
}

// Left/Right walk the bands, Up/Down change the selected band's gain (Shift: finer).
void UIEqualizer::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (drag_state_ != DragState::kIdle || band_count_ == 0 ||
      (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)) {
    CurveGraphBase::keyPressEvent(event);
    return;
  }
  event->accept();
  const int selected = mCurrentControlIndex >= 0 && mCurrentControlIndex < band_count_
                           ? mCurrentControlIndex
                           : -1;
  if (key == Qt::Key_Left || key == Qt::Key_Right) {
    const int next = selected < 0 ? (key == Qt::Key_Right ? 0 : band_count_ - 1)
                                  : std::clamp(selected + (key == Qt::Key_Right ? 1 : -1), 0,
                                               band_count_ - 1);
    if (next == selected) return;
    SelectBand(next);
    RaiseBand(next);
    return;
  }
  if (selected < 0) return;
  const float step = event->modifiers().testFlag(Qt::ShiftModifier) ? kFineGainKeyStep
                                                                     : kGainKeyStep;
  const GainAxis axis = Geometry().Axis();
  CurveBand& band = bands_[static_cast<std::size_t>(selected)];
  const float gain =
      std::clamp(RoundTo(band.gain + (key == Qt::Key_Up ? step : -step), kFineGainKeyStep),
                 static_cast<float>(-axis.bottom_range_db), static_cast<float>(axis.top_db));
  if (std::fabs(gain - band.gain) <= kGainChange) return;
  band.gain = gain;
  MarkLayoutDirty();
  RaiseBand(selected);
}

}  // namespace tolva::curves
