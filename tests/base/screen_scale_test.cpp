#include <gtest/gtest.h>

#include "base/display_scale.h"
#include "base/screen_info.h"

namespace tolva {
namespace {

struct ScaleRow {
  int width;
  int height;
  std::optional<int> dpi;
  int percent;  // with 100 % as the unchanged scale
};

class DisplayScaleTable : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(DisplayScaleTable, PicksTheScaleForTheScreenSize) {
  const ScaleRow& row = GetParam();
  EXPECT_EQ(ChooseDisplayDpi(row.width, row.height), row.dpi);
  EXPECT_EQ(ChooseScalePercent(row.width, row.height, 100), row.percent);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DisplayScaleTable,
    ::testing::Values(ScaleRow{1920, 1080, 144, 150}, ScaleRow{1366, 768, std::nullopt, 100},
                      ScaleRow{1280, 700, 77, 80}, ScaleRow{2560, 1440, 192, 200},
                      ScaleRow{3840, 2160, 288, 300}, ScaleRow{1279, 1024, 77, 80},
                      ScaleRow{1280, 720, std::nullopt, 100},
                      ScaleRow{1899, 1200, std::nullopt, 100}, ScaleRow{1900, 719, 77, 80},
                      ScaleRow{2459, 1440, 144, 150}, ScaleRow{3689, 2160, 192, 200},
                      ScaleRow{3690, 2160, 288, 300}, ScaleRow{0, 0, 77, 80}));

TEST(DisplayScale, UnchangedScaleAndWindowSize) {
  EXPECT_EQ(ChooseScalePercent(1600, 900, 125), 125);
  EXPECT_EQ(ScalePercentForDpi(96), 100);
  EXPECT_EQ(ScalePercentForDpi(120), 125);
  // 1230 x 650 at 80 % and 150 %: integer arithmetic per dimension.
  EXPECT_EQ(ScaleLength(1230, 80), 984);
  EXPECT_EQ(ScaleLength(650, 150), 975);
  EXPECT_EQ(ScaleLength(1231, 150), 1846);
}

TEST(ScreenInfo, NumbersThePrimaryFirstThenTheOthersByLeftThenTop) {
  const ScreenInfo info(
      1920, 1080, {-1280, -200, 4480, 1440},
      {{1920, 0, 4480, 1440}, {-1280, 200, 0, 1224}, {0, 0, 1920, 1080}, {-1280, -200, 0, 824}});
  EXPECT_EQ(info.Count(), 4);
  EXPECT_EQ(info.Rect(0), (ScreenRect{0, 0, 1920, 1080}));
  EXPECT_EQ(info.Rect(1), (ScreenRect{-1280, -200, 0, 824}));
  EXPECT_EQ(info.Rect(2), (ScreenRect{-1280, 200, 0, 1224}));
  EXPECT_EQ(info.Rect(3), (ScreenRect{1920, 0, 4480, 1440}));
  EXPECT_EQ(info.Rect(4), (ScreenRect{-1, -1, -1, -1}));
  EXPECT_EQ(info.Rect(-1), (ScreenRect{-1, -1, -1, -1}));
  EXPECT_EQ(info.VirtualScreen(), (ScreenRect{-1280, -200, 4480, 1440}));
}

TEST(ScreenInfo, WidestMonitorWinsAndTheEarlierOneOnATie) {
  const ScreenInfo two(1920, 1080, {0, 0, 4480, 1440}, {{0, 0, 1920, 1080}, {1920, 0, 4480, 1440}});
  EXPECT_EQ(two.Widest(), (ScreenRect{1920, 0, 4480, 1440}));
  const ScreenRect widest = two.Widest();
  EXPECT_EQ(ChooseScalePercent(widest.Width(), widest.Height(), 100), 200);

  const ScreenInfo tie(1920, 1080, {0, 0, 5760, 1080},
                       {{3840, 0, 5760, 1080}, {0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
  EXPECT_EQ(tie.Widest(), (ScreenRect{0, 0, 1920, 1080}));

  const ScreenInfo taller(1280, 1024, {0, 0, 2560, 1440},
                          {{0, 0, 1280, 1024}, {1280, 0, 2560, 1440}});
  EXPECT_EQ(taller.Widest(), (ScreenRect{0, 0, 1280, 1024})) << "width alone decides";
}

TEST(ScreenInfo, MirroredMonitorsAndNoMonitor) {
  const ScreenInfo mirrored(1920, 1080, {0, 0, 1920, 1080},
                            {{0, 0, 1920, 1080}, {0, 0, 1920, 1080}});
  EXPECT_EQ(mirrored.Count(), 2);
  EXPECT_EQ(mirrored.Rect(1), (ScreenRect{-1, -1, -1, -1}));
  EXPECT_EQ(mirrored.Widest(), (ScreenRect{0, 0, 1920, 1080}));

  const ScreenInfo none(0, 0, {0, 0, 0, 0}, {});
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(none.Widest(), (ScreenRect{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tolva
