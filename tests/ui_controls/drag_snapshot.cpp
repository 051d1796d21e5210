// Renders the main window in the middle of a drag on the graph (PEQ mode, a point held with its
// tooltip and Q handles, the band's row following), against the in-process emulated unit:
// ui_controls_drag_snapshot FILE.png [SCALE_PERCENT]
#include <QImage>

#include <cmath>

#include "model/manager/equalizer_manager.h"
#include "support/mouse_events.h"
#include "ui/controls/ui_equalizer.h"
#include "ui_controls/snapshot_window.h"

namespace {

using tolva::curves::UIEqualizer;

bool Render(tolva::testing::SnapshotWindow& snapshot, const QString& file) {
  CMainWnd& window = snapshot.Window();
  tolva::model::EqualizerManager& m = snapshot.Manager();

  // Some shaping on the current output and a second output shown beside it.
  tolva::model::Profile& p = m.LiveProfile();
  p.showChEqualizer[1] = 1;
  for (int ch : {0, 1}) {
    p.channels[ch].bypass = 0;
    for (int b = 0; b < tolva::model::kEqBands; ++b) {
      p.channels[ch].eqArray[b].eqGain = static_cast<float>(std::sin(0.45 * b + ch) * 3.0);
      p.channels[ch].eqArray[b].eqFactor = 2.0f;
    }
  }
  p.peqMode = 1;
  m.RefreshFromProfile();
  window.show();
  QCoreApplication::processEvents();

  auto* graph = window.findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  const tolva::curves::Point c = graph->Layout().Markers()[19].center;
  const QPoint start(c.x, c.y);
  tolva::testing::SendMouse(graph, QEvent::MouseMove, start, Qt::NoButton);
  tolva::testing::SendMouse(graph, QEvent::MouseButtonPress, start, Qt::LeftButton);
  const QPoint delta = QPoint(graph->width() / 14, -graph->height() / 5);
  for (int i = 1; i <= 12; ++i) {
    tolva::testing::SendMouse(graph, QEvent::MouseMove, start + delta * i / 12, Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  m.Link().WaitUntilQueueIdle(5000);
  QCoreApplication::processEvents();
  const bool ok = window.grab().toImage().save(file);
  tolva::testing::SendMouse(graph, QEvent::MouseButtonRelease, start + delta, Qt::NoButton);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  return tolva::testing::RunSnapshot(argc, argv, Render);
}
