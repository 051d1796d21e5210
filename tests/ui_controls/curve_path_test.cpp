#include <gtest/gtest.h>

#include <vector>

#include "ui/controls/curve_graph_base.h"

namespace tolva::curves {
namespace {

const CurveGeometry kGeometry({0, 0, 600, 300}, kEqualizerAxis, 100);

QPointF At(double hz, double db) {
  return {double(ToPixel(kGeometry.FrequencyToX(hz))), double(ToPixel(kGeometry.GainToY(db)))};
}

// Bézier paths run from the highest index down and end on the last point handed over whatever
// the count, so no point at the low end of the axis is lost.
TEST(CurvePaths, BezierEndsOnTheLastPointForEveryCount) {
  for (std::size_t n = 2; n <= 8; ++n) {
    std::vector<double> f;
    std::vector<double> v;
    for (std::size_t i = 0; i < n; ++i) {
      f.push_back(100.0 * double(i + 1));
      v.push_back(double(i) - 3.0);
    }
    const QPainterPath path = CurveGraphBase::BezierPath(kGeometry, f, v, 10.0, 20100.0);
    ASSERT_FALSE(path.isEmpty()) << n;
    EXPECT_EQ(QPointF(path.elementAt(0)), At(f.back(), v.back())) << n;
    EXPECT_EQ(path.currentPosition(), At(f.front(), v.front())) << n;
  }
  const std::vector<double> one = {1000.0};
  EXPECT_TRUE(CurveGraphBase::BezierPath(kGeometry, one, one, 10.0, 20100.0).isEmpty());
}

TEST(CurvePaths, FrequenciesOutsideTheRangeAreSkippedNotJoined) {
  const std::vector<double> f = {0.0, 9.99, 10.0, 500.0, 20100.0, 20100.5, 48000.0};
  const std::vector<double> v = {9.0, 9.0, 1.0, 2.0, 3.0, 9.0, 9.0};
  const QPainterPath path = CurveGraphBase::BezierPath(kGeometry, f, v, 10.0, 20100.0);
  EXPECT_EQ(QPointF(path.elementAt(0)), At(20100.0, 3.0));
  EXPECT_EQ(path.currentPosition(), At(10.0, 1.0));
}

TEST(CurvePaths, CardinalSplinePassesThroughEveryPointInOrder) {
  const std::vector<double> f = {15.0, 20.0, 100.0, 1000.0, 20000.0, 21000.0};
  const std::vector<double> v = {9.0, -5.0, 4.0, -2.0, 6.0, 9.0};
  const QPainterPath path = CurveGraphBase::CardinalSpline(kGeometry, f, v, 20.0, 20000.0);
  // moveTo, then one cubic (three elements) per segment.
  ASSERT_EQ(path.elementCount(), 1 + 3 * 3);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(QPointF(path.elementAt(3 * k)), At(f[std::size_t(k + 1)], v[std::size_t(k + 1)]))
        << k;
  }
}

}  // namespace
}  // namespace tolva::curves
