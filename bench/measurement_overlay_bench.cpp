// Cost of the measurement overlay on a repaint of the equalizer graph (main window size): the
// measurement and its prediction, with the output's curve changing at every step as in a drag,
// and unchanged as in a repaint for any other reason.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ui/controls/measurement_overlay.h"
#include "ui_controls/curve_test_support.h"

namespace {

using namespace tolva::curves;

QApplication& App() {
  static int argc = 1;
  static char name[] = "measurement_overlay_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

void PaintOverlay(benchmark::State& state, bool curve_changes) {
  App();
  const auto grid = tolva::curves::testing::ResponseGrid();
  // A room measurement: ripple on a rising bass, measured 20 Hz … 20 kHz.
  const auto measured = tolva::curves::testing::Sample(grid, [](double f) {
    if (f < 20.0 || f > 20000.0) return std::nan("");
    return 4.0 * std::sin(9.0 * std::log(f)) + 6.0 * std::exp(-f / 120.0);
  });
  CurveStore::Slot response;
  response.frequencies.assign(grid.begin(), grid.end());
  response.values.resize(grid.size());
  MeasurementOverlay overlay;
  overlay.Set(0, measured);
  const CurveGeometry g({34, 10, 1200, 380}, kEqualizerAxis, 100);
  QImage image(1240, 400, QImage::Format_ARGB32_Premultiplied);
  QFont font;
  font.setPixelSize(10);
  // A band dragged up and down.
  std::vector<std::vector<double>> steps;
  for (int gain = -6; gain <= 6; ++gain) {
    steps.emplace_back(grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const double u = std::log10(grid[i] / 1000.0);
      steps.back()[i] = gain * std::exp(-u * u / 0.02);
    }
  }
  std::uint64_t version = 1;
  for (auto _ : state) {
    if (curve_changes) {
      response.values = steps[version % steps.size()];
      ++version;
    }
    QPainter painter(&image);
    overlay.Paint(painter, g, font, 0, response, version);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}

void BM_OverlayPaintWhileDragging(benchmark::State& state) {
  PaintOverlay(state, true);
}
BENCHMARK(BM_OverlayPaintWhileDragging)->Unit(benchmark::kMicrosecond);

void BM_OverlayPaintUnchanged(benchmark::State& state) {
  PaintOverlay(state, false);
}
BENCHMARK(BM_OverlayPaintUnchanged)->Unit(benchmark::kMicrosecond);

}  // namespace
