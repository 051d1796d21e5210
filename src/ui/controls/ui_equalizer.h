#pragma once

// "Curve": the main window's equalizer graph. Shows the current output channel's response, the
// other channels chosen for display, one numbered point per band and the crossover corner handles,
// and lets the user drag them. The setters replace the shown data wholesale and never raise a
// notification: only user input (mouse, wheel, keys) does, so a refresh from the model cannot echo
// back to the unit. What the user moved is told with its values (BandDragged, CornerDragged);
// the start and end of a drag go out as the kit's press and release notifications.

#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

#include "ui/controls/band_marker_sprites.h"
#include "ui/controls/curve_data.h"
#include "ui/controls/curve_graph_base.h"
#include "ui/controls/equalizer_layout.h"
#include "ui/controls/import_preview.h"
#include "ui/controls/measurement_overlay.h"

namespace tolva::curves {

class UIEqualizer : public CurveGraphBase {
  Q_OBJECT

 public:
  // The layout element name the window's control factory creates this control for.
  static constexpr const char* kTag = "Curve";

  // The drag states of the mouse handling.
  enum class DragState { kIdle, INDEX_CAPTURED, FACTOR_CAPTURED, HP_CAPTURED, LP_CAPTURED };

  static constexpr QRgb kCurrentCurveColor = 0xff00c000;
  static constexpr QRgb kOtherCurveColor = 0xff646464;
  static constexpr QRgb kSelectedColor = 0xffff0000;
  static constexpr QRgb kLabelColor = 0xffffffff;
  static constexpr QRgb kAllBypassColor = 0x77777777;
  // Keyboard and wheel steps.
  static constexpr float kGainKeyStep = 0.5f;
  static constexpr float kFineGainKeyStep = 0.1f;
  static constexpr float kQWheelStep = 0.1f;
  // The unit holds a band's gain and Q in tenths: a drag moves them by tenths, so the point, its
  // tooltip and the band's boxes show what the unit will hold.
  static constexpr float kUnitStep = 0.1f;

  explicit UIEqualizer(QWidget* parent = nullptr);

  // Copies up to 31 band points; the all-bypass text shows when every gain handed over is 0.
  // selected is the band just edited, or -1.
  void SetBands(std::span<const CurveBand> points, int selected);
  // Corner handles; a frequency outside 20 .. 20000 Hz hides its handle (stored as -1).
  void setCurEqHpLp(int hpFreq, int lpFreq);
  // Replaces all eight channel slots with up to eight channels of 512 points; current is the
  // channel drawn in green.
  void SetCurves(std::span<const CurveData> channels, int current);
  // 1: PEQ mode (points move in both directions, Q handles); 0: GEQ mode (vertical only).
  void SetPeqMode(int flag);

  // What the graph holds now.
  int BandCount() const { return band_count_; }
  CurveBand Band(int index) const;
  int CurrentControlIndex() const { return mCurrentControlIndex; }
  int HpFreq() const { return mHpFreq; }
  int LpFreq() const { return mLpFreq; }
  int PeqMode() const { return mDragAllDirection; }
  bool IsAllBypass() const { return all_bypass_; }
  DragState State() const { return drag_state_; }
  int CurveCount() const { return curves_.Count(); }
  int CurrentCurve() const { return current_curve_; }

  // An output's measurement over its curve (levels on the response grid, at the graph's level,
  // NaN where not measured), drawn while that output is the current one; empty clears it.
  // played: the output's curve while it was measured, when it played settings then (the
  // prediction then follows what changed since).
  void SetMeasurement(int output, std::span<const double> levels,
                      std::span<const double> played = {});
  const MeasurementOverlay& Overlay() const { return overlay_; }
  // An import's file curve and result, drawn over everything until cleared.
  void SetImportPreview(curves::ImportPreview::Curves curves);
  const curves::ImportPreview& ImportPreview() const { return preview_; }
  // The prediction drawn for the current output; empty when none is.
  std::span<const double> PredictedCurve() const;

  // The framework's text property: "%d" of the last selected band, read back as the index of an
  // "equalizer_eq" notification.
  QString Text() const { return text_; }
  void SetText(const QString& text) { text_ = text; }
  int UserData() const { return user_data_; }
  void SetUserData(int data) { user_data_ = data; }

  // The band points, handles and hit rectangles as last laid out (computed on demand).
  const EqualizerLayout& Layout() const;

 signals:
  // A band the user moved (or hovered onto, or stepped with a key or the wheel), with the values
  // the graph now shows for it.
  void BandDragged(int band, int freq, float q, float gain);
  // A corner handle moved: high-pass (true) or low-pass, and its frequency.
  void CornerDragged(bool high_pass, int freq);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void GeometryChanged() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // A modal window opening blocks this one: the release will not come here.
  bool event(QEvent* event) override;

 private:
  enum class Raised { kNothing, kBand, kHp, kLp };

  void MarkLayoutDirty();
  // The mouse (ui_equalizer_mouse.cpp). A drag moves what was pressed by the pointer's travel
  // since the press, so a press that does not move changes nothing.
  Point DragPoint(const QMouseEvent& event) const;
  bool DragTo(Point at);
  // Ends a drag where it is, told as a release is; nothing while idle.
  void EndDrag();
  void Hover(Point at);
  void SelectBand(int index);
  void Raise(Raised what);
  void RaiseBand(int index);

  // The static frame, and the frame with the other channels' curves on it, are kept as pixmaps:
  // a drag step repaints only the current curve and the markers over them.
  const QPixmap& Backdrop(const CurveGeometry& g);
  void PaintOtherCurves(QPainter& painter, const CurveGeometry& g) const;
  void PaintCurrentCurve(QPainter& painter, const CurveGeometry& g) const;
  void PaintAllBypass(QPainter& painter, const CurveGeometry& g, const QString& text) const;
  void PaintMarkers(QPainter& painter, const CurveGeometry& g) const;
  void PaintBarePoint(QPainter& painter, const CurveGeometry& g, const BandMarker& m,
                      const QColor& ink) const;

  std::array<CurveBand, kMaxBands> bands_{};
  int band_count_ = 0;
  int mCurrentControlIndex = -1;
  int mHpFreq = -1;
  int mLpFreq = -1;
  int mDragAllDirection = 0;
  DragState drag_state_ = DragState::kIdle;
  // Where the pointer was pressed relative to what it grabbed (a point's centre, a Q handle's
  // centre, a corner's x).
  Point grab_offset_;
  int wheel_remainder_ = 0;  // eighths of a degree short of a whole notch
  bool all_bypass_ = false;
  CurveStore curves_{kResponsePoints};
  int current_curve_ = -1;
  QString text_;
  int user_data_ = 0;

  mutable EqualizerLayout layout_;
  mutable bool layout_dirty_ = true;

  MeasurementOverlay overlay_;
  curves::ImportPreview preview_;

  QPixmap backdrop_;
  // What the backdrop was painted from.
  struct BackdropKey {
    std::uint64_t frame = 0;
    std::array<std::uint64_t, kCurveSlots> curves{};
    int current = -1;
    bool all_bypass = false;
    QString all_bypass_text;
    bool operator==(const BackdropKey&) const = default;
  };
  BackdropKey BackdropKeyNow() const;
  BackdropKey backdrop_key_;
  mutable BandMarkerSprites marker_sprites_;
};

}  // namespace tolva::curves
