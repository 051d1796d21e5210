// Renders both curve graphs with typical content to PNG files, for the documentation and for
// looking at the drawing: ui_controls_snapshot DIR [SCALE_PERCENT]
#include <QApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <vector>

#include "ui/controls/ui_equalizer.h"
#include "ui/controls/ui_equalizer_ac.h"
#include "ui_controls/curve_test_support.h"

namespace {

using namespace tolva::curves;

double Peak(double hz, double f0, double db, double width) {
  const double u = std::log10(hz / f0);
  return db * std::exp(-u * u / width);
}

// A rough crossover shape: 24 dB/oct below hp, 12 dB/oct above lp.
double Rolloff(double hz, double hp, double lp) {
  double v = 0;
  if (hz < hp) v -= 80.0 * std::log10(hp / hz);
  if (hz > lp) v -= 40.0 * std::log10(hz / lp);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [SCALE_PERCENT]\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const int scale = argc > 2 ? std::atoi(argv[2]) : 100;
  const auto grid = tolva::curves::testing::ResponseGrid();

  const std::vector<CurveBand> bands = {
      {4.5f, 1.4f, 63, 1},   {-3.0f, 2.0f, 160, 1}, {0.0f, 1.0f, 400, 1},  {-5.5f, 4.0f, 1000, 1},
      {2.0f, 1.0f, 2500, 1}, {6.0f, 0.7f, 6300, 1}, {0.0f, 1.0f, 12500, 1}};
  const auto current = tolva::curves::testing::Sample(grid, [&](double f) {
    double v = Rolloff(f, 50, 16000);
    for (const CurveBand& b : bands) v += Peak(f, b.freq, b.gain, 0.05 / b.q);
    return v;
  });
  const auto other = tolva::curves::testing::Sample(
      grid, [](double f) { return Rolloff(f, 80, 3000) + Peak(f, 250, 3, 0.05); });
  std::vector<CurveData> channels = {{grid, current, true}, {grid, other, true}};

  UIEqualizer eq;
  tolva::curves::testing::Show(eq, {scale, {880, 300}, bands, 3, 50, 16000, channels});
  bool ok = eq.grab().toImage().save(dir + "/curve_equalizer.png");

  const std::vector<CurveBand> flat_bands(31, CurveBand{0.0f, 1.0f, 1000, 0});
  const auto flat =
      tolva::curves::testing::Sample(grid, [](double f) { return Rolloff(f, 80, 20000); });
  const std::vector<CurveData> flat_channel = {{grid, flat, true}};
  UIEqualizer bypass;
  tolva::curves::testing::Show(bypass, {scale, {880, 300}, flat_bands, -1, 80, -1, flat_channel});
  ok = bypass.grab().toImage().save(dir + "/curve_equalizer_bypass.png") && ok;

  UIEqualizerAc ac;
  ac.SetScalePercent(scale);
  ac.resize(QSize(880, 300) * scale / 100);
  std::array<double, 121> mf{};
  for (std::size_t i = 0; i < mf.size(); ++i) mf[i] = 20.0 * std::pow(1000.0, double(i) / 120.0);
  std::vector<std::array<double, 121>> levels;
  std::vector<std::array<double, 512>> comps;
  for (int k = 0; k < 3; ++k) {
    levels.push_back(tolva::curves::testing::Sample(mf, [k](double f) {
      return 6.0 * std::sin(std::log10(f) * (3.0 + k)) + Peak(f, 120, 8 - 2 * k, 0.02) - 2 * k;
    }));
    comps.push_back(tolva::curves::testing::Sample(grid, [k](double f) {
      return -Peak(f, 120, 8 - 2 * k, 0.02) - 3.0 * std::sin(std::log10(f) * (3.0 + k));
    }));
  }
  std::vector<CurveData> measured;
  std::vector<CurveData> compensation;
  for (std::size_t k = 0; k < 3; ++k) {
    measured.push_back({mf, levels[k], true});
    compensation.push_back({grid, comps[k], true});
  }
  ac.SetMeasurementCurves(measured);
  ac.SetCompensationCurves(compensation);
  ok = ac.grab().toImage().save(dir + "/curve_calibration.png") && ok;
  return ok ? 0 : 1;
}
