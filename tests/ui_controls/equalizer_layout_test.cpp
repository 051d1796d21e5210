#include "ui/controls/equalizer_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolva::curves {
namespace {

// 600 x 300 plot at the origin; 0 dB at y 120, 10 px per dB both ways.
const PixelRect kPlot{0, 0, 600, 300};

struct LayoutFixture : ::testing::Test {
  EqualizerLayout Lay(std::vector<CurveBand> bands, int selected, bool peq, int hp = -1,
                      int lp = -1, int scale = 100) {
    bands_ = std::move(bands);
    geometry = CurveGeometry(kPlot, kEqualizerAxis, scale);
    EqualizerLayout layout;
    layout.Compute(geometry, {bands_, selected, peq, hp, lp});
    return layout;
  }
  CurveGeometry geometry;
  std::vector<CurveBand> bands_;
};

// 632 Hz is the plot's middle (x 300); gain 0 is y 120.
constexpr CurveBand kMid{0.0f, 1.0f, 632, 1};

TEST_F(LayoutFixture, PointsSitOnTheMapsWithCenteredHitBoxesKeptInside) {
  const auto layout = Lay({kMid, {12.0f, 1.0f, 20, 1}, {-18.0f, 1.0f, 20000, 1}}, -1, true);
  ASSERT_EQ(layout.Markers().size(), 3u);
  const BandMarker& mid = layout.Markers()[0];
  EXPECT_EQ(mid.center, (Point{300, 120}));
  EXPECT_EQ(mid.hit, (PixelRect{292, 112, 308, 128}));
  EXPECT_EQ(mid.label, "1");
  // Corner points keep their box whole, shifted inwards.
  EXPECT_EQ(layout.Markers()[1].center, (Point{0, 0}));
  EXPECT_EQ(layout.Markers()[1].hit, (PixelRect{0, 0, 16, 16}));
  EXPECT_EQ(layout.Markers()[2].hit, (PixelRect{584, 284, 600, 300}));
  EXPECT_EQ(layout.Markers()[2].label, "3");
}

TEST_F(LayoutFixture, AtMostThirtyOneBandsAreLaidOut) {
  const auto layout = Lay(std::vector<CurveBand>(40, kMid), -1, false);
  ASSERT_EQ(layout.Markers().size(), 31u);
  EXPECT_EQ(layout.Markers().back().label, "31");
}

TEST_F(LayoutFixture, HitTestCoversExactlyTheBandsInUse) {
  const auto layout = Lay({kMid, {6.0f, 1.0f, 100, 1}}, -1, false);
  EXPECT_EQ(layout.HitTest({300, 120}), (Hit{HitKind::kBand, 0}));
  EXPECT_EQ(layout.HitTest({292, 112}), (Hit{HitKind::kBand, 0}));  // left/top edges inclusive
  EXPECT_EQ(layout.HitTest({308, 120}), Hit{});                     // right edge exclusive
  const int x100 = ToPixel(geometry.FrequencyToX(100));
  EXPECT_EQ(layout.HitTest({x100 + 3, 60 - 3}), (Hit{HitKind::kBand, 1}));
  EXPECT_EQ(layout.HitTest({450, 250}), Hit{});
  // Where a band that is not handed over would sit, nothing is hit.
  EXPECT_EQ(Lay({}, -1, false).HitTest({300, 120}), Hit{});
}

TEST_F(LayoutFixture, OverlappingPointsResolveToTheLowestIndex) {
  const auto layout = Lay({{0.0f, 1.0f, 1000, 1}, kMid, kMid}, -1, false);
  EXPECT_EQ(layout.HitTest({300, 120}), (Hit{HitKind::kBand, 1}));
}

TEST_F(LayoutFixture, PressesOutsideThePlotAreLimitedOntoItFirst) {
  const auto layout = Lay({{-18.0f, 1.0f, 20000, 1}}, -1, false);
  EXPECT_EQ(layout.HitTest({650, 340}), (Hit{HitKind::kBand, 0}));
}

TEST_F(LayoutFixture, QHandlesWinOverPointsOnlyInPeqModeWithASelection) {
  // Q 9 puts the handles 9 px beside the point, inside the next band's box.
  const std::vector<CurveBand> bands = {{0.0f, 9.0f, 632, 1}, {0.0f, 1.0f, 655, 1}};
  const auto peq = Lay(bands, 0, true);
  ASSERT_TRUE(peq.HasQHandles());
  const PixelRect right = peq.QHandle(1);
  EXPECT_EQ(right, (PixelRect{305, 124, 313, 132}));
  EXPECT_EQ(peq.HitTest({right.left + 1, right.top + 1}), (Hit{HitKind::kQHandle, 0}));
  EXPECT_EQ(peq.QHandle(0), (PixelRect{287, 124, 295, 132}));

  const auto geq = Lay(bands, 0, false);
  EXPECT_FALSE(geq.HasQHandles());
  EXPECT_EQ(geq.HitTest({right.left + 1, right.top + 1}).kind, HitKind::kBand);
  EXPECT_FALSE(Lay(bands, -1, true).HasQHandles());
}

TEST_F(LayoutFixture, QHandleDistanceFollowsQ) {
  for (auto [q, d] : {std::pair{1.0f, 81}, {0.5f, 162}, {0.2f, 162}, {3.0f, 27}, {12.0f, 9}}) {
    const auto layout = Lay({{0.0f, q, 632, 1}}, 0, true);
    EXPECT_EQ(layout.QHandle(1).left + 4 - 300, d) << q;
    EXPECT_EQ(300 - (layout.QHandle(0).left + 4), d) << q;
  }
}

TEST_F(LayoutFixture, TooltipTextsPerMode) {
  const CurveBand band{-3.25f, 1.414f, 1250, 1};
  EXPECT_EQ(EqualizerLayout::TooltipFor(band, true), "1250 Hz 1.41 Q -3.2 dB");
  EXPECT_EQ(EqualizerLayout::TooltipFor(band, false), "-3.2 dB");
  EXPECT_EQ(EqualizerLayout::TooltipFor({12.0f, 9.0f, 20000, 1}, true), "20000 Hz 9.00 Q 12.0 dB");
  // A cut too small for one decimal reads as no cut, as in the band rows.
  EXPECT_EQ(EqualizerLayout::TooltipFor({-0.04f, 1.0f, 100, 1}, true), "100 Hz 1.00 Q 0.0 dB");
  EXPECT_EQ(EqualizerLayout::TooltipFor({-0.04f, 1.0f, 100, 1}, false), "0.0 dB");
  EXPECT_EQ(Lay({band}, 0, true).TooltipText(), "1250 Hz 1.41 Q -3.2 dB");
}

TEST_F(LayoutFixture, TooltipBoxBelowThePointCenteredAndSizedByMode) {
  const auto peq = Lay({kMid}, 0, true);
  ASSERT_TRUE(peq.HasTooltip());
  EXPECT_EQ(peq.TooltipRect(), (PixelRect{225, 134, 375, 149}));
  EXPECT_EQ(Lay({kMid}, 0, false).TooltipRect(), (PixelRect{275, 134, 325, 149}));
  // Scaled: 150 % makes 225 x 22 units, 21 below.
  EXPECT_EQ(Lay({kMid}, 0, true, -1, -1, 150).TooltipRect(), (PixelRect{188, 141, 413, 163}));
  // At the left edge the box is shifted inside the plot.
  EXPECT_EQ(Lay({{0.0f, 1.0f, 20, 1}}, 0, true).TooltipRect().left, 0);
}

TEST_F(LayoutFixture, TooltipAndQHandlesMoveNearThePlotEdges) {
  struct Row {
    float gain;  // y = 120 - 10 * gain
    int tooltip_top;
    int q_top;
  };
  // y 120: below (+14 / +4). y 280 (20 above the bottom): above (-29 / -12). y 295 (5 above the
  // bottom): pinned at bottom - 37 / bottom - 20. y 10 (10 below the top): top + 22 / top + 12.
  for (const Row& row :
       {Row{0.0f, 134, 124}, Row{-16.0f, 251, 268}, Row{-17.5f, 263, 280}, Row{11.0f, 22, 12}}) {
    const auto layout = Lay({{row.gain, 1.0f, 632, 1}}, 0, true);
    EXPECT_EQ(layout.TooltipRect().top, row.tooltip_top) << row.gain;
    EXPECT_EQ(layout.TooltipRect().Height(), 15);
    EXPECT_EQ(layout.QHandle(0).top, row.q_top) << row.gain;
  }
}

TEST_F(LayoutFixture, SelectionOutsideTheBandsInUseShowsNoTooltip) {
  EXPECT_FALSE(Lay({kMid}, 1, true).HasTooltip());
  EXPECT_FALSE(Lay({kMid}, -1, true).HasTooltip());
  EXPECT_FALSE(Lay({kMid}, 1, true).HasQHandles());
  EXPECT_EQ(Lay({kMid}, 1, true).QHandle(0), PixelRect{});
}

TEST_F(LayoutFixture, CornerHandlesSitOnTheirDbLinesAndHideWhenUnset) {
  const auto layout = Lay({}, -1, false, 632, 2000);
  ASSERT_TRUE(layout.HpHandle() && layout.LpHandle());
  EXPECT_EQ(*layout.HpHandle(), (PixelRect{293, 200, 307, 210}));  // -8 dB: y 200
  const int x2k = ToPixel(geometry.FrequencyToX(2000));
  EXPECT_EQ(*layout.LpHandle(), (PixelRect{x2k - 7, 230, x2k + 7, 240}));  // -11 dB: y 230
  EXPECT_EQ(layout.HitTest({300, 205}), (Hit{HitKind::kHpHandle, -1}));
  EXPECT_EQ(layout.HitTest({x2k, 235}), (Hit{HitKind::kLpHandle, -1}));
  // At 20 kHz the handle stays whole inside the plot.
  EXPECT_EQ(Lay({}, -1, false, -1, 20000).LpHandle()->right, 600);

  const auto none = Lay({}, -1, false, -1, -1);
  EXPECT_FALSE(none.HpHandle().has_value());
  EXPECT_FALSE(none.LpHandle().has_value());
  EXPECT_EQ(none.HitTest({300, 205}), Hit{});
}

TEST_F(LayoutFixture, PointsWinOverCornerHandles) {
  const auto layout = Lay({{-8.0f, 1.0f, 632, 1}}, -1, false, 632, 632);
  EXPECT_EQ(layout.HitTest({300, 202}).kind, HitKind::kBand);
  EXPECT_EQ(Lay({}, -1, false, 632, 632).HitTest({300, 232}).kind, HitKind::kLpHandle);
  EXPECT_EQ(Lay({}, -1, false, 632, 632).HitTest({300, 205}).kind, HitKind::kHpHandle);
}

// Neighbouring numbers never touch, at the main window's plot size at every scale: a flat
// curve's 31 bands alternate on and beside the line, every one numbered; a tuned curve's close
// bands move a number aside or leave it out, never over another band's point; a number drawn
// aside still picks its band.
TEST(BandLabels, NeverTouchFlatOrTunedAtEveryScale) {
  std::vector<CurveBand> flat;
  for (int f : {20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,
                250, 315,  400,  500,  630,  800,  1000, 1250, 1600, 2000, 2500,
                3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000}) {
    flat.push_back({0.0f, 5.8f, f, 1});
  }
  std::vector<CurveBand> tuned = flat;
  // A cluster of boosts, a cluster of close cuts, bands at the plot's corners.
  for (int i = 0; i < 6; ++i) tuned[10 + i] = {3.0f + 0.5f * float(i % 2), 2.0f, 1000 + 40 * i, 1};
  for (int i = 0; i < 4; ++i) tuned[3 + i] = {-6.0f - float(i), 4.0f, 60 + 3 * i, 1};
  tuned[0] = {12.0f, 1.0f, 20, 1};
  tuned[30] = {-18.0f, 1.0f, 20000, 1};
  tuned[29] = {-17.5f, 1.0f, 19000, 1};
  const auto apart = [](const PixelRect& a, const PixelRect& b) {
    return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
  };
  for (const int scale : {100, 150, 200}) {
    const PixelRect plot{0, 0, 470 * scale / 100, 262 * scale / 100};
    const CurveGeometry g(plot, kEqualizerAxis, scale);
    for (const auto* bands : {&flat, &tuned}) {
      SCOPED_TRACE(::testing::Message() << scale << " % " << (bands == &flat ? "flat" : "tuned"));
      EqualizerLayout layout;
      layout.Compute(g, {*bands, -1, true, -1, -1});
      const auto& m = layout.Markers();
      for (std::size_t i = 0; i < m.size(); ++i) {
        if (!m[i].label_box) continue;
        const PixelRect& box = *m[i].label_box;
        EXPECT_EQ(box, KeepInside(box, plot)) << "band " << i + 1;
        for (std::size_t j = 0; j < m.size(); ++j) {
          if (j == i) continue;
          if (m[j].label_box && j > i) {
            EXPECT_TRUE(apart(box, *m[j].label_box)) << "bands " << i + 1 << " and " << j + 1;
          }
          if (m[i].LabelMoved()) {
            EXPECT_FALSE(box.Contains(m[j].center.x, m[j].center.y))
                << "band " << i + 1 << " covers the point of " << j + 1;
          }
        }
      }
      if (bands != &flat) continue;
      for (std::size_t i = 0; i < m.size(); ++i) {
        ASSERT_TRUE(m[i].label_box.has_value()) << "band " << i + 1 << " has no number";
        EXPECT_EQ(m[i].LabelMoved(), i % 2 == 1) << "band " << i + 1;
      }
      const PixelRect raised = *m[17].label_box;
      EXPECT_EQ(layout.HitTest({(raised.left + raised.right) / 2, raised.top + 2}),
                (Hit{HitKind::kBand, 17}));
    }
  }
}

TEST(KeepInside, ShiftsWithoutResizing) {
  const PixelRect bounds{0, 0, 100, 50};
  EXPECT_EQ(KeepInside({-5, -3, 5, 7}, bounds), (PixelRect{0, 0, 10, 10}));
  EXPECT_EQ(KeepInside({95, 45, 105, 55}, bounds), (PixelRect{90, 40, 100, 50}));
  EXPECT_EQ(KeepInside({10, 10, 20, 20}, bounds), (PixelRect{10, 10, 20, 20}));
  // Too wide to fit: its left edge goes to the bounds' left.
  EXPECT_EQ(KeepInside({50, 0, 250, 10}, bounds), (PixelRect{0, 0, 200, 10}));
}

}  // namespace
}  // namespace tolva::curves
