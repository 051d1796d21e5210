#include "ui/controls/ui_equalizer.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/mouse_events.h"
#include "ui_controls/curve_test_support.h"

namespace tolva::curves {
namespace {

using testing::ColourNear;
using testing::CountColour;
using testing::CountReddish;
using testing::Grab;
using testing::ResponseGrid;
using testing::Sample;

constexpr QRgb kGreen = UIEqualizer::kCurrentCurveColor;
constexpr QRgb kGrey = UIEqualizer::kOtherCurveColor;
constexpr QRgb kRed = UIEqualizer::kSelectedColor;
constexpr QRgb kWhite = UIEqualizer::kLabelColor;

// A bell over the 0 dB line: +5 dB at 1 kHz, -4 dB far from it.
double Bell(double hz) {
  const double u = std::log10(hz / 1000.0);
  return 9.0 * std::exp(-u * u / 0.08) - 4.0;
}

struct EqualizerFixture : ::testing::Test {
  EqualizerFixture() { eq.resize(640, 340); }

  void ShowCurves(std::vector<std::array<double, 512>> values, std::vector<bool> shown,
                  int current) {
    values_ = std::move(values);
    std::vector<CurveData> channels;
    for (std::size_t i = 0; i < values_.size(); ++i) {
      channels.push_back({grid, values_[i], shown[i]});
    }
    eq.SetCurves(channels, current);
  }
  int Y(double db) const { return ToPixel(eq.Geometry().GainToY(db)); }
  int X(double hz) const { return ToPixel(eq.Geometry().FrequencyToX(hz)); }

  UIEqualizer eq;
  std::array<double, 512> grid = ResponseGrid();
  std::vector<std::array<double, 512>> values_;
};

TEST_F(EqualizerFixture, CurrentCurveIsDrawnInGreenWhereTheMapsPutIt) {
  ShowCurves({Sample(grid, Bell)}, {true}, 0);
  for (int scale : {100, 150, 200}) {
    eq.SetScalePercent(scale);
    eq.resize(QSize(640, 340) * scale / 100);
    const QImage img = Grab(eq);
    const CurveGeometry g = eq.Geometry();
    const PixelRect plot = g.Plot();
    int checked = 0;
    for (int x = plot.left + 3; x < plot.right - 3; x += 7) {
      const double hz = std::pow(10.0, (x - plot.left) * 3.0 / plot.Width() + std::log10(20.0));
      EXPECT_TRUE(ColourNear(img, x, ToPixel(g.GainToY(Bell(hz))), kGreen))
          << "x " << x << " at " << scale << " %";
      ++checked;
    }
    EXPECT_GT(checked, 50);
    // Not drawn where the maps do not put it: well above the bell's peak.
    EXPECT_EQ(CountColour(img, kGreen, QRect(plot.left, plot.top, plot.Width(), Y(8) - plot.top)),
              0);
  }
}

TEST_F(EqualizerFixture, OtherShownChannelsAreGreyHiddenOnesAbsentCurrentOnTop) {
  const auto flat = [](double db) { return Sample(ResponseGrid(), [db](double) { return db; }); };
  // Channel 3 is current and shown; it must not be drawn grey underneath as well.
  ShowCurves({flat(-6), flat(-12), flat(3), flat(6)}, {true, false, true, true}, 3);
  const QImage img = Grab(eq);
  const int mid = X(632);
  EXPECT_TRUE(ColourNear(img, mid, Y(-6), kGrey));
  EXPECT_TRUE(ColourNear(img, mid, Y(3), kGrey));
  EXPECT_TRUE(ColourNear(img, mid, Y(6), kGreen));
  EXPECT_FALSE(ColourNear(img, mid, Y(-12), kGrey, 3));
  EXPECT_FALSE(ColourNear(img, mid, Y(6), kGrey, 2));
  EXPECT_EQ(eq.CurveCount(), 4);
  EXPECT_EQ(eq.CurrentCurve(), 3);
}

TEST_F(EqualizerFixture, PointsOutsideTenTo20100HzAreLeftOut) {
  // Only 100 .. 1000 Hz carry real points; the rest have frequency 0 or lie above 20100 Hz and
  // carry +10 dB, which would pull the path up to the +10 dB line if they were drawn.
  std::array<double, 512> freqs{};
  std::array<double, 512> values{};
  for (std::size_t i = 0; i < 512; ++i) {
    const bool inside = grid[i] >= 100 && grid[i] <= 1000;
    freqs[i] = inside ? grid[i] : (i % 2 ? 0.0 : 20101.0 + double(i));
    values[i] = inside ? -3.0 : 10.0;
  }
  eq.SetCurves(std::vector<CurveData>{{freqs, values, true}}, 0);
  const QImage img = Grab(eq);
  EXPECT_TRUE(ColourNear(img, X(300), Y(-3), kGreen));
  const PixelRect plot = eq.Geometry().Plot();
  EXPECT_EQ(CountColour(img, kGreen, QRect(plot.left, Y(10) - 3, plot.Width(), 7)), 0);
  EXPECT_EQ(CountColour(img, kGreen, QRect(X(1100), plot.top, plot.right - X(1100), plot.Height())),
            0);
}

TEST_F(EqualizerFixture, NothingIsDrawnBeforeCurvesAreHandedOverOrForABadCurrent) {
  const PixelRect plot = eq.Geometry().Plot();
  const QRect area(plot.left, plot.top, plot.Width(), plot.Height());
  EXPECT_EQ(CountColour(Grab(eq), kGreen, area), 0);
  ShowCurves({Sample(grid, Bell)}, {true}, 1);  // current beyond the channels handed over
  EXPECT_EQ(eq.CurrentCurve(), -1);
  EXPECT_EQ(CountColour(Grab(eq), kGreen, area), 0);
}

TEST_F(EqualizerFixture, SetCurvesReplacesEverySlotAndToleratesOddInput) {
  const auto bell = Sample(grid, Bell);
  std::vector<CurveData> many(10, CurveData{grid, bell, true});
  eq.SetCurves(many, 0);
  EXPECT_EQ(eq.CurveCount(), 8);
  // Fewer channels later: the old slots are gone, not drawn grey.
  ShowCurves({Sample(grid, [](double) { return -9.0; })}, {true}, 0);
  EXPECT_EQ(eq.CurveCount(), 1);
  EXPECT_EQ(CountColour(Grab(eq), kGrey, eq.rect()), 0);
  // Short or mismatched arrays and a -400 dB / NaN stop band are drawn as far as they go.
  std::array<double, 512> deep = bell;
  for (std::size_t i = 400; i < 512; ++i) deep[i] = i % 3 ? -400.0 : std::nan("");
  const std::array<double, 3> three = {100.0, 200.0, 300.0};
  eq.SetCurves(std::vector<CurveData>{{grid, deep, true}, {three, bell, true}, {}}, 0);
  EXPECT_TRUE(ColourNear(Grab(eq), X(1000), Y(5), kGreen));
}

TEST_F(EqualizerFixture, AllBypassTextOnlyWhenEveryGainIsZero) {
  const CurveBand flat{0.0f, 1.0f, 5000, 1};
  const CurveBand boosted{3.0f, 1.0f, 5000, 1};
  const std::vector<CurveBand> all_zero = {flat, flat, flat};
  eq.SetBands(all_zero, -1);
  EXPECT_TRUE(eq.IsAllBypass());
  const QImage bypassed = Grab(eq);

  // The same points except one, away from the text box.
  const std::vector<CurveBand> one_boost = {flat, flat, boosted};
  eq.SetBands(one_boost, -1);
  EXPECT_FALSE(eq.IsAllBypass());
  const QImage active = Grab(eq);

  const PixelRect plot = eq.Geometry().Plot();
  int differing = 0;
  for (int y = plot.top + 40; y < plot.top + 70; ++y) {
    for (int x = plot.left; x < X(2000); ++x)
      differing += bypassed.pixel(x, y) != active.pixel(x, y);
  }
  EXPECT_GT(differing, 30);
  // No band points at all counts as bypassed too: nothing boosts the channel.
  eq.SetBands({}, -1);
  EXPECT_TRUE(eq.IsAllBypass());
}

TEST_F(EqualizerFixture, SelectedBandIsRedWithTooltipAndQHandlesInPeqMode) {
  const std::vector<CurveBand> bands = {{0.0f, 2.0f, 200, 1}, {4.0f, 1.0f, 2000, 1}};
  eq.SetPeqMode(1);
  eq.SetBands(bands, 1);
  const EqualizerLayout& layout = eq.Layout();
  ASSERT_TRUE(layout.HasQHandles());
  const QImage img = Grab(eq);
  const auto centre = [](const PixelRect& r) {
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  EXPECT_EQ(img.pixel(centre(layout.QHandle(0))), kRed);
  EXPECT_EQ(img.pixel(centre(layout.QHandle(1))), kRed);
  const PixelRect tip = layout.TooltipRect();
  EXPECT_GT(CountReddish(img, QRect(tip.left, tip.top, tip.Width(), tip.Height())), 30);
  const auto label_pixels = [&](int band, QRgb colour) {
    const PixelRect r = layout.Markers()[std::size_t(band)].hit;
    return CountColour(img, colour, QRect(r.left, r.top, r.Width(), r.Height()));
  };
  EXPECT_GT(label_pixels(1, kRed), 5);
  EXPECT_EQ(label_pixels(0, kRed), 0);
  EXPECT_GT(label_pixels(0, kWhite), 0);

  // GEQ mode: a narrower tooltip and no Q handles.
  eq.SetPeqMode(0);
  EXPECT_FALSE(eq.Layout().HasQHandles());
  EXPECT_EQ(eq.Layout().TooltipRect().Width(), 50);
  EXPECT_NE(Grab(eq).pixel(centre(layout.QHandle(1))), kRed);
}

TEST_F(EqualizerFixture, CornerHandlesOnlyForCornersInsideTheAxis) {
  eq.setCurEqHpLp(80, 12000);
  EXPECT_EQ(eq.HpFreq(), 80);
  EXPECT_EQ(eq.LpFreq(), 12000);
  const auto hp = eq.Layout().HpHandle();
  ASSERT_TRUE(hp.has_value());
  const QRect hp_box(hp->left, hp->top, hp->Width(), hp->Height());
  EXPECT_GT(CountColour(Grab(eq), kWhite, hp_box), 10);

  for (auto [hp_in, lp_in] : {std::pair{19, 20001}, {-5, 0}, {0, 30000}}) {
    eq.setCurEqHpLp(hp_in, lp_in);
    EXPECT_EQ(eq.HpFreq(), -1);
    EXPECT_EQ(eq.LpFreq(), -1);
  }
  EXPECT_FALSE(eq.Layout().HpHandle().has_value());
  EXPECT_EQ(CountColour(Grab(eq), kWhite, hp_box), 0);
  eq.setCurEqHpLp(20, 20000);
  EXPECT_EQ(eq.HpFreq(), 20);
  EXPECT_EQ(eq.LpFreq(), 20000);
}

// The manager calls the setters on every drag step; one that re-ran the hit test or the drag on
// the new layout would echo a notification back to the unit.
TEST_F(EqualizerFixture, SettersNeverRaiseEditNotifications) {
  QSignalSpy notes(&eq, &CurveGraphBase::Notify);
  QSignalSpy bands_moved(&eq, &UIEqualizer::BandDragged);
  QSignalSpy corners_moved(&eq, &UIEqualizer::CornerDragged);
  const auto raised = [&] { return notes.count() + bands_moved.count() + corners_moved.count(); };
  eq.SetPeqMode(1);
  const std::vector<CurveBand> bands(31, CurveBand{2.0f, 1.0f, 1000, 1});
  const std::vector<CurveBand> spread = {{0.0f, 2.0f, 200, 1}, {6.0f, 1.0f, 2000, 1}};
  eq.SetBands(spread, -1);
  const Point over = eq.Layout().Markers()[1].center;
  tolva::testing::SendMouse(&eq, QEvent::MouseMove, QPoint(over.x, over.y), Qt::NoButton);
  ASSERT_EQ(bands_moved.count(), 1);  // hovering selects band 1, with its values
  EXPECT_EQ(bands_moved[0][0].toInt(), 1);
  EXPECT_EQ(bands_moved[0][1].toInt(), 2000);
  EXPECT_FLOAT_EQ(bands_moved[0][3].toFloat(), 6.0f);
  QTest::mousePress(&eq, Qt::LeftButton, {}, QPoint(over.x, over.y));
  ASSERT_EQ(eq.State(), UIEqualizer::DragState::INDEX_CAPTURED);
  ASSERT_EQ(notes.count(), 1);  // and the press begins a drag

  // Mid-drag, with the pointer on a point: a new selection, moved points, corners, mode, curves,
  // scale and size.
  eq.SetBands(bands, 4);
  eq.SetBands(spread, 0);
  eq.setCurEqHpLp(100, 5000);
  eq.SetPeqMode(0);
  eq.SetPeqMode(1);
  ShowCurves({Sample(grid, Bell)}, {true}, 0);
  eq.SetScalePercent(150);
  eq.resize(800, 400);
  Grab(eq);
  EXPECT_EQ(raised(), 2);
  QTest::mouseRelease(&eq, Qt::LeftButton, {}, QPoint(over.x, over.y));
}

TEST_F(EqualizerFixture, SetBandsCopiesAtMostThirtyOneAndKeepsTheSelection) {
  std::vector<CurveBand> bands(40, CurveBand{1.0f, 2.0f, 500, 1});
  bands[30].gain = -7.5f;
  eq.SetBands(bands, 30);
  EXPECT_EQ(eq.BandCount(), 31);
  EXPECT_EQ(eq.Band(30).gain, -7.5f);
  EXPECT_EQ(eq.Band(31), CurveBand{});  // out of range reads as a default band
  EXPECT_EQ(eq.CurrentControlIndex(), 30);
  EXPECT_TRUE(eq.Layout().HasTooltip());
  eq.SetBands(bands, 31);
  EXPECT_EQ(eq.CurrentControlIndex(), -1);
  // The band list is replaced wholesale: a shorter list drops the rest.
  eq.SetBands(std::vector<CurveBand>(2), 5);
  EXPECT_EQ(eq.Layout().Markers().size(), 2u);
  EXPECT_FALSE(eq.Layout().HasTooltip());
}

TEST_F(EqualizerFixture, LayoutFollowsResizeAndDisplayScale) {
  const std::vector<CurveBand> bands = {{6.0f, 1.0f, 1000, 1}};
  eq.SetBands(bands, 0);
  const Point before = eq.Layout().Markers()[0].center;
  eq.resize(900, 500);
  const Point after = eq.Layout().Markers()[0].center;
  EXPECT_EQ(after, (Point{X(1000), Y(6)}));
  EXPECT_NE(before, after);
  eq.SetScalePercent(200);
  EXPECT_EQ(eq.Layout().Markers()[0].hit.Width(), 32);
  EXPECT_EQ(eq.Layout().TooltipRect().Width(), 50 * 2);
  // Larger margins for the labels: the plot shrinks with the scale.
  EXPECT_GT(eq.PlotRect().left, 34);
  eq.SetAxisLabelsShown(false);
  EXPECT_EQ(eq.PlotRect(), (PixelRect{0, 0, 899, 499}));
}

}  // namespace
}  // namespace tolva::curves
