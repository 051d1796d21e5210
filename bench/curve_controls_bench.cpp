// Cost of what the equalizer graph does on every drag step: laying out 31 band points, building
// the curve paths and painting the whole control with six channels.
#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ui/controls/equalizer_layout.h"
#include "ui/controls/ui_equalizer.h"
#include "ui_controls/curve_test_support.h"

namespace {

using namespace tolva::curves;

QApplication& App() {
  static int argc = 1;
  static char name[] = "curve_controls_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

std::vector<CurveBand> Bands() {
  std::vector<CurveBand> bands;
  for (int i = 0; i < kMaxBands; ++i) {
    bands.push_back(
        {float(std::sin(i) * 9.0), 1.0f + float(i % 5), int(20 * std::pow(1.25, i)), 1});
  }
  return bands;
}

void BM_LayoutThirtyOneBands(benchmark::State& state) {
  const auto bands = Bands();
  const CurveGeometry g({34, 10, 1200, 380}, kEqualizerAxis, 100);
  EqualizerLayout layout;
  for (auto _ : state) {
    layout.Compute(g, {bands, 7, true, 80, 12000});
    benchmark::DoNotOptimize(layout.Markers().data());
  }
}
BENCHMARK(BM_LayoutThirtyOneBands);

void BM_BezierPath512(benchmark::State& state) {
  const auto grid = tolva::curves::testing::ResponseGrid();
  const auto values =
      tolva::curves::testing::Sample(grid, [](double f) { return 6.0 * std::sin(std::log(f)); });
  const CurveGeometry g({34, 10, 1200, 380}, kEqualizerAxis, 100);
  for (auto _ : state) {
    QPainterPath path = CurveGraphBase::BezierPath(g, grid, values, 10.0, 20100.0);
    benchmark::DoNotOptimize(path.elementCount());
  }
}
BENCHMARK(BM_BezierPath512);

// A full repaint as after each edit, at the main window's graph size and the given scale.
void BM_PaintEqualizer(benchmark::State& state) {
  App();
  const int scale = int(state.range(0));
  const auto grid = tolva::curves::testing::ResponseGrid();
  std::vector<std::array<double, 512>> values;
  for (int c = 0; c < 6; ++c) {
    values.push_back(tolva::curves::testing::Sample(
        grid, [c](double f) { return 5.0 * std::sin(std::log(f) + c) - 2.0; }));
  }
  std::vector<CurveData> channels;
  for (const auto& v : values) channels.push_back({grid, v, true});
  const auto bands = Bands();

  UIEqualizer eq;
  tolva::curves::testing::Show(eq, {scale, {900, 320}, bands, 4, 80, 12000, channels});
  QImage image(eq.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    eq.SetBands(bands, 4);  // a drag step re-lays the points out
    eq.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_PaintEqualizer)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
