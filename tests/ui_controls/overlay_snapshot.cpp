// Renders the main window's equalizer graph with a measurement overlaid on the current output and
// the result its settings predict, against the in-process emulated unit:
// ui_controls_overlay_snapshot FILE.png [SCALE_PERCENT]
#include <QImage>

#include <algorithm>
#include <cmath>

#include "model/manager/equalizer_manager.h"
#include "model/interchange/measurement.h"
#include "ui/controls/ui_equalizer.h"
#include "ui_controls/snapshot_window.h"

namespace {

using tolva::curves::UIEqualizer;

// A car door woofer measured at the seat: a cabin gain in the bass, a 250 Hz boom, a dip around
// 3 kHz and a falling top.
tolva::model::Measurement DoorMeasurement() {
  tolva::model::Measurement m;
  for (double f = 20.0; f <= 20000.0; f *= std::pow(2.0, 1.0 / 48.0)) {
    const auto bump = [f](double at, double db, double width) {
      const double u = std::log2(f / at) / width;
      return db * std::exp(-u * u);
    };
    m.freq.push_back(f);
    m.level.push_back(82.0 + bump(40, 7, 1.2) + bump(250, 6, 0.35) + bump(3000, -7, 0.5) -
                      4.0 * std::max(0.0, std::log2(f / 6000.0)) +
                      0.5 * std::sin(37.0 * std::log(f)));
  }
  return m;
}

bool Render(tolva::testing::SnapshotWindow& snapshot, const QString& file) {
  CMainWnd& window = snapshot.Window();
  tolva::model::EqualizerManager& m = snapshot.Manager();

  // The output tuned against the measurement: the boom cut, the dip lifted, a high-pass.
  tolva::model::Profile& p = m.LiveProfile();
  tolva::model::ChannelSettings& ch = p.channels[0];
  ch.bypass = 0;
  ch.eqArray[8] = {-5.5f, 2.5f, 250, 1};
  ch.eqArray[17] = {5.0f, 1.4f, 3000, 1};
  ch.eqArray[3] = {-3.0f, 1.0f, 45, 1};
  ch.crossover = tolva::model::MakeCrossover(tolva::model::FilterSettings::Make(35, 1, 4),
                                            ch.crossover.lp);
  m.RefreshFromProfile();
  window.show();
  QCoreApplication::processEvents();

  auto* graph = window.findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  graph->SetMeasurement(0, tolva::model::MeasurementAtGraphLevel(DoorMeasurement(), m.Grid()));
  QCoreApplication::processEvents();
  return graph->grab().toImage().save(file);
}

}  // namespace

int main(int argc, char** argv) {
  return tolva::testing::RunSnapshot(argc, argv, Render);
}
