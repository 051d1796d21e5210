// Dragging on the main window's graph with the mouse, against the in-process emulated unit: what
// the model holds, which frames went out and what the unit's memory holds afterwards.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "emulator/emulated_device.h"
#include "model/edits/screen_text.h"
#include "support/main_window_on_unit.h"
#include "support/mouse_events.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/control_surface.h"

namespace tolva::curves {
namespace {

using model::testing::SentFrame;

constexpr int kEq = 0x06, kFilter = 0x05, kBypass = 0x12;
constexpr int kBand = 17;  // 1 kHz in the factory band table

QPoint Q(Point p) {
  return {p.x, p.y};
}

class GraphDrag : public tolva::testing::MainWindowOnUnit {
 protected:
  GraphDrag() : MainWindowOnUnit({.record_frames = true}) {}
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    Main().show();
    graph_ = Widget<UIEqualizer>("equalizer");
    ASSERT_NE(graph_, nullptr);
    Sent();
  }

  model::EqBand& LiveBand(int b) { return Manager().LiveProfile().channels[0].eqArray[b]; }
  emulator::OutputState OnUnit() { return unit_->Snapshot().scenes[0].outputs[0]; }

  // Every frame the window's edits queued, once the link has written them all.
  std::vector<SentFrame> Sent() {
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    QCoreApplication::processEvents();
    return frames_->Take();
  }

  void Mode(bool peq) {
    Manager().LiveProfile().peqMode = peq ? 1 : 0;
    Manager().RefreshFromProfile();  // the screen shows the mode
  }
  Point Centre(int band) const { return graph_->Layout().Markers()[std::size_t(band)].center; }
  // The pointer moving with no button held.
  void Hover(QPoint at) { tolva::testing::SendMouse(graph_, QEvent::MouseMove, at, Qt::NoButton); }
  void Press(QPoint at) {
    Hover(at);
    QTest::mousePress(graph_, Qt::LeftButton, {}, at);
  }
  void MoveTo(QPoint from, QPoint to, int steps = 10) {
    for (int i = 1; i <= steps; ++i) QTest::mouseMove(graph_, from + (to - from) * i / steps);
  }
  void Drag(QPoint from, QPoint to) {
    Press(from);
    MoveTo(from, to);
    QTest::mouseRelease(graph_, Qt::LeftButton, {}, to);
  }

  UIEqualizer* graph_ = nullptr;
};

TEST_F(GraphDrag, HoverSelectsAPressOnNothingKeepsItAndNeitherSendsAnything) {
  const model::EqBand before = LiveBand(kBand);
  Hover(Q(Centre(kBand)));
  EXPECT_EQ(graph_->CurrentControlIndex(), kBand);
  EXPECT_EQ(graph_->Text(), QString::number(kBand));
  EXPECT_TRUE(graph_->Layout().HasTooltip());
  // High above the 0 dB row of points, away from every handle.
  const PixelRect plot = graph_->Geometry().Plot();
  const QPoint empty(plot.left + plot.Width() / 2, plot.top + 3);
  QTest::mouseClick(graph_, Qt::LeftButton, {}, empty);
  EXPECT_EQ(graph_->CurrentControlIndex(), kBand);
  // A click on the point itself, without moving, changes nothing either.
  Press(Q(Centre(kBand)) + QPoint(3, -2));
  QTest::mouseRelease(graph_, Qt::LeftButton, {}, Q(Centre(kBand)) + QPoint(3, -2));
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(LiveBand(kBand), before);
  EXPECT_EQ(Manager().LiveProfile().channels[0].bypass, 1);  // the factory unit is bypassed
}

TEST_F(GraphDrag, PointDraggedUpInPeqModeMovesGainAndFrequencyToModelScreenAndUnit) {
  Mode(true);
  const Point c = Centre(kBand);
  const QPoint to = Q(c) + QPoint(30, -60);
  Drag(Q(c), to);
  const CurveGeometry g = graph_->Geometry();
  const model::EqBand& band = LiveBand(kBand);
  EXPECT_NEAR(band.eqGain, g.YToGain(to.y()), 0.05);  // held in the unit's tenths
  EXPECT_GT(band.eqGain, 3.0f);
  EXPECT_EQ(band.freq, g.XToFrequency(to.x()));
  EXPECT_GT(band.freq, 1100);
  EXPECT_EQ(Manager().LiveProfile().channels[0].bypass, 0);
  EXPECT_EQ(Surface().FindControl("eq_freq_17")->RawText(), std::to_string(band.freq));

  const auto sent = Sent();
  ASSERT_FALSE(sent.empty());
  // The bypass goes once, when it changed; every frame is for band 17 or that bypass. (Which
  // goes last depends on the unit's pace: a newer band value may take a waiting one's place.)
  int bypasses = 0;
  for (const SentFrame& f : sent) {
    if (f.sub == kBypass) ++bypasses;
    if (f.sub == kEq) EXPECT_EQ(f.payload[3], kBand);
  }
  EXPECT_EQ(bypasses, 1);
  const emulator::OutputState unit = OnUnit();
  EXPECT_EQ(unit.bypass, 0);
  EXPECT_EQ(unit.bands[kBand].freq, band.freq);
  EXPECT_NEAR(unit.bands[kBand].gain_tenths, (band.eqGain + 18.0f) * 10.0f, 1.0);
}

// A drag ends between the unit's steps; the band row shows what the unit then holds, as a
// connect read would show it again, and while it moves the tooltip says what the row says.
TEST_F(GraphDrag, AfterAPointAndAQHandleDragTheRowShowsWhatTheUnitHolds) {
  Mode(true);
  const Point c = Centre(kBand);
  const auto text = [&](const char* box) {
    return Surface().FindControl(box + std::to_string(kBand))->RawText();
  };
  const auto drag_watching_tooltip = [&](QPoint from, QPoint to) {
    Press(from);
    for (int i = 1; i <= 10; ++i) {
      QTest::mouseMove(graph_, from + (to - from) * i / 10);
      EXPECT_EQ(graph_->Layout().TooltipText(),
                text("eq_freq_") + " Hz " + text("eq_q_") + " Q " + text("eq_gain_") + " dB")
          << "step " << i;
    }
    QTest::mouseRelease(graph_, Qt::LeftButton, {}, to);
  };
  for (int dy = -37; dy <= -31; ++dy) {
    drag_watching_tooltip(Q(Centre(kBand)), Q(c) + QPoint(0, dy));
    const PixelRect right = graph_->Layout().QHandle(1);
    const QPoint handle((right.left + right.right) / 2, (right.top + right.bottom) / 2);
    drag_watching_tooltip(handle, handle + QPoint(-dy / 3, 0));
    Sent();
    const emulator::BandState unit = OnUnit().bands[kBand];
    EXPECT_EQ(text("eq_gain_"), model::FormatNumber("%.1f", (unit.gain_tenths - 180) / 10.0))
        << dy;
    EXPECT_EQ(text("eq_q_"), model::FormatNumber("%.2f", unit.q_hundredths / 100.0)) << dy;
    EXPECT_EQ(std::lround(LiveBand(kBand).eqGain * 10.0f) + 180, unit.gain_tenths) << dy;
  }
}

TEST_F(GraphDrag, InGeqModeAPointMovesOnlyVertically) {
  Mode(false);
  const Point c = Centre(kBand);
  Drag(Q(c), Q(c) + QPoint(80, 50));
  EXPECT_EQ(LiveBand(kBand).freq, 1000);
  EXPECT_LT(LiveBand(kBand).eqGain, -2.0f);
  Sent();
  EXPECT_EQ(OnUnit().bands[kBand].freq, 1000);
  EXPECT_LT(OnUnit().bands[kBand].gain_tenths, 160);
}

TEST_F(GraphDrag, QHandleDraggedOntoItsPointGivesNineAndFarAwayHalf) {
  Mode(true);
  Hover(Q(Centre(kBand)));
  ASSERT_TRUE(graph_->Layout().HasQHandles());
  const PixelRect right = graph_->Layout().QHandle(1);
  const QPoint handle((right.left + right.right) / 2, (right.top + right.bottom) / 2);
  Drag(handle, QPoint(Centre(kBand).x, handle.y()));
  EXPECT_FLOAT_EQ(LiveBand(kBand).eqFactor, 9.0f);
  Sent();
  EXPECT_EQ(OnUnit().bands[kBand].q_hundredths, 900);

  const PixelRect near = graph_->Layout().QHandle(1);
  const QPoint from((near.left + near.right) / 2, (near.top + near.bottom) / 2);
  Drag(from, QPoint(Centre(kBand).x + graph_->Geometry().Unit(170), from.y()));
  EXPECT_FLOAT_EQ(LiveBand(kBand).eqFactor, 0.5f);
  EXPECT_EQ(LiveBand(kBand).freq, 1000);
  Sent();
  EXPECT_EQ(OnUnit().bands[kBand].q_hundredths, 50);
}

TEST_F(GraphDrag, CornerHandlesReachTheManagerAndHStopsBelowL) {
  const CurveGeometry g = graph_->Geometry();
  const auto handle_centre = [](const std::optional<PixelRect>& r) {
    return QPoint((r->left + r->right) / 2, (r->top + r->bottom) / 2);
  };
  // "L" first, down to about 2 kHz: the corner moves by the pointer's travel.
  const QPoint l = handle_centre(graph_->Layout().LpHandle());
  const int travel = ToPixel(g.FrequencyToX(2000)) - ToPixel(g.FrequencyToX(graph_->LpFreq()));
  Drag(l, l + QPoint(travel, 0));
  const model::Crossover& x = Manager().LiveProfile().channels[0].crossover;
  EXPECT_NEAR(x.lp.fs, 2000, 60);
  EXPECT_EQ(graph_->LpFreq(), x.lp.fs);
  auto sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().sub, kFilter);
  EXPECT_EQ(sent.back().payload[3], 1);  // the low-pass filter
  EXPECT_EQ(OnUnit().lp.freq, x.lp.fs);

  // "H" dragged far past "L" stops just below it.
  const QPoint h = handle_centre(graph_->Layout().HpHandle());
  Drag(h, QPoint(ToPixel(g.FrequencyToX(10000)), h.y()));
  EXPECT_EQ(x.hp.fs, x.lp.fs - 1);
  EXPECT_EQ(graph_->HpFreq(), x.hp.fs);
  sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().payload[3], 2);  // the high-pass filter
  EXPECT_EQ(OnUnit().hp.freq, x.hp.fs);
  EXPECT_EQ(x.bpType, (x.hp.slope != 0 ? 1 : 0) | (x.lp.slope != 0 ? 2 : 0));
}

TEST_F(GraphDrag, WheelChangesQAndKeysWalkBandsAndStepGain) {
  Mode(true);
  Hover(Q(Centre(kBand)));
  const float q = LiveBand(kBand).eqFactor;
  QWheelEvent wheel(QPointF(Q(Centre(kBand))), graph_->mapToGlobal(QPointF(Q(Centre(kBand)))),
                    {}, {0, 240}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(graph_, &wheel);
  EXPECT_NEAR(LiveBand(kBand).eqFactor, q + 0.2f, 1e-4);

  graph_->setFocus();
  QTest::keyClick(graph_, Qt::Key_Right);
  EXPECT_EQ(graph_->CurrentControlIndex(), kBand + 1);
  QTest::keyClick(graph_, Qt::Key_Up);
  QTest::keyClick(graph_, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_NEAR(LiveBand(kBand + 1).eqGain, 0.6f, 1e-4);
  Sent();
  EXPECT_EQ(OnUnit().bands[kBand + 1].gain_tenths, 186);
  EXPECT_EQ(OnUnit().bands[kBand].q_hundredths, static_cast<int>(std::lround((q + 0.2f) * 100)));
}

}  // namespace
}  // namespace tolva::curves
