#pragma once

// "Curve": the main window's equalizer graph. Shows the current output channel's response, the
// other channels chosen for display, one numbered point per band and the crossover corner handles.
// The setters replace the shown data wholesale and never raise a notification: only user input
// does, so a refresh from the model cannot echo back to the unit.

#include <QString>

#include <array>
#include <span>

#include "ui/controls/curve_data.h"
#include "ui/controls/curve_graph_base.h"
#include "ui/controls/equalizer_layout.h"

class UIEqualizer : public tolva::curves::CurveGraphBase {
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
  static constexpr double kMinCurveHz = 10.0;
  static constexpr double kMaxCurveHz = 20100.0;

  explicit UIEqualizer(QWidget* parent = nullptr);

  // Copies up to 31 band points; the all-bypass text shows when every gain handed over is 0.
  // selected is the band just edited, or -1.
  void SetBands(std::span<const tolva::curves::CurveBand> points, int selected);
  // Corner handles; a frequency outside 20 .. 20000 Hz hides its handle (stored as -1).
  void setCurEqHpLp(int hpFreq, int lpFreq);
  // Replaces all eight channel slots with up to eight channels of 512 points; current is the
  // channel drawn in green.
  void SetCurves(std::span<const tolva::curves::CurveData> channels, int current);
  // 1: PEQ mode (points move in both directions, Q handles); 0: GEQ mode (vertical only).
  void SetPeqMode(int flag);

  // Read back by the manager after a notification.
  int BandCount() const { return band_count_; }
  tolva::curves::CurveBand Band(int index) const;
  int CurrentControlIndex() const { return mCurrentControlIndex; }
  int HpFreq() const { return mHpFreq; }
  int LpFreq() const { return mLpFreq; }
  int PeqMode() const { return mDragAllDirection; }
  bool IsAllBypass() const { return all_bypass_; }
  DragState State() const { return drag_state_; }
  int CurveCount() const { return curves_.Count(); }
  int CurrentCurve() const { return current_curve_; }

  // The framework's text property: "%d" of the last selected band, read back as the index of an
  // "equalizer_eq" notification.
  QString Text() const { return text_; }
  void SetText(const QString& text) { text_ = text; }
  int UserData() const { return user_data_; }
  void SetUserData(int data) { user_data_ = data; }

  // The band points, handles and hit rectangles as last laid out (computed on demand).
  const tolva::curves::EqualizerLayout& Layout() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void GeometryChanged() override { layout_dirty_ = true; }

 private:
  void MarkLayoutDirty();
  void PaintCurves(QPainter& painter, const tolva::curves::CurveGeometry& g) const;
  void PaintAllBypass(QPainter& painter, const tolva::curves::CurveGeometry& g) const;
  void PaintMarkers(QPainter& painter, const tolva::curves::CurveGeometry& g) const;

  std::array<tolva::curves::CurveBand, tolva::curves::kMaxBands> bands_{};
  int band_count_ = 0;
  int mCurrentControlIndex = -1;
  int mHpFreq = -1;
  int mLpFreq = -1;
  int mDragAllDirection = 0;
  DragState drag_state_ = DragState::kIdle;
  bool all_bypass_ = false;
  tolva::curves::CurveStore curves_{tolva::curves::kResponsePoints};
  int current_curve_ = -1;
  QString text_;
  int user_data_ = 0;

  mutable tolva::curves::EqualizerLayout layout_;
  mutable bool layout_dirty_ = true;
};
