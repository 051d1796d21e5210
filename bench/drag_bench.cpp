// A drag on the main window's equalizer graph, end to end.
//
// BM_DragMove/<scale>: one mouse move delivered to the real UIEqualizer in the main window,
// offscreen: the graph's notification, the manager storing the band and recomputing the
// channel's curve, the band rows and the graph repainted. No unit is connected (the link drops
// the commands), so the figure is the window thread's own cost.
//
// BM_DragToUnit: a 200-move drag, one move every 8 ms (a 125 Hz mouse), against the emulated
// unit answering each report after 10 ms. Counters: the exchanges the drag caused and how many
// exchanges after the release the unit holds the final value.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "support/mouse_events.h"
#include "support/recording_transport.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"

namespace {

using namespace tolva;

constexpr int kBand = 17;  // 1 kHz

QApplication& App() {
  static int argc = 1;
  static char name[] = "drag_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

// The main window in PEQ mode showing all six outputs' curves, with shaped bands so that every
// curve has something to draw.
struct Window {
  explicit Window(int scale, device::TransportFactory factory = {})
      : binding(window, std::move(factory)) {
    window.SetDisplayScale(scale);
    binding.Start();
  }
  void Shape() {
    model::EqualizerManager& m = binding.Manager();
    model::Profile& p = m.LiveProfile();
    for (int ch = 0; ch < model::kOutputChannels; ++ch) {
      p.showChEqualizer[ch] = 1;
      p.channels[ch].bypass = 0;
      for (int b = 0; b < model::kEqBands; ++b) {
        p.channels[ch].eqArray[b].eqGain = static_cast<float>(std::sin(b + ch) * 4.0);
        p.channels[ch].eqArray[b].enable = 1;
      }
    }
    p.peqMode = 1;
    m.RefreshFromProfile();
    window.show();
    QCoreApplication::processEvents();
    graph = window.findChild<curves::UIEqualizer*>(QStringLiteral("equalizer"));
  }
  QPoint Centre() const {
    const curves::Point c = graph->Layout().Markers()[kBand].center;
    return {c.x, c.y};
  }

  struct AppFirst {
    AppFirst() { App(); }
  } app_first;  // the application exists before the first widget
  CMainWnd window;
  ui::ManagerBinding binding;
  curves::UIEqualizer* graph = nullptr;
};

void BM_DragMove(benchmark::State& state) {
  Window w(static_cast<int>(state.range(0)));
  w.Shape();
  const QPoint start = w.Centre();
  tolva::testing::SendMouse(w.graph, QEvent::MouseMove, start, Qt::NoButton);
  tolva::testing::SendMouse(w.graph, QEvent::MouseButtonPress, start, Qt::LeftButton);
  QCoreApplication::processEvents();
  int step = 0;
  for (auto _ : state) {
    // Up and down over 40 px, so every move changes the gain.
    const int dy = (step / 40) % 2 == 0 ? step % 40 : 40 - step % 40;
    ++step;
    tolva::testing::SendMouse(w.graph, QEvent::MouseMove, start - QPoint(0, dy + 1), Qt::LeftButton);
    QCoreApplication::processEvents();  // the repaint of the graph and the band rows
  }
  tolva::testing::SendMouse(w.graph, QEvent::MouseButtonRelease, start, Qt::NoButton);
  state.counters["scale_percent"] = static_cast<double>(w.graph->ScalePercent());
}
BENCHMARK(BM_DragMove)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_DragToUnit(benchmark::State& state) {
  constexpr int kMoves = 200;
  constexpr auto kMoveEvery = std::chrono::milliseconds(8);
  auto unit = std::make_shared<emulator::EmulatedDevice>(emulator::EmulatorOptions{});
  auto log = std::make_shared<model::testing::FrameLog>();
  auto inner = emulator::MakeEmulatorTransportFactory(unit);
  Window w(100, [inner, log] {
    return std::make_unique<model::testing::RecordingTransport>(inner(), log);
  });
  const auto writes = [&log] { return static_cast<int>(log->Total()); };
  model::EqualizerManager& m = w.binding.Manager();
  while (m.State() != model::ConnectState::kConnected) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  w.Shape();
  m.Link().WaitUntilQueueIdle(60000);
  unit->WithUnit([](emulator::EmulatedUnit& u) {
    u.faults().latency_ms = 10;
    return 0;
  });

  double caused = 0, after_release = 0;
  int runs = 0;
  for (auto _ : state) {
    const QPoint start = w.Centre();
    const int before = writes();
    tolva::testing::SendMouse(w.graph, QEvent::MouseMove, start, Qt::NoButton);
    tolva::testing::SendMouse(w.graph, QEvent::MouseButtonPress, start, Qt::LeftButton);
    QPoint at = start;
    auto next = std::chrono::steady_clock::now();
    for (int i = 1; i <= kMoves; ++i) {
      at = start + QPoint(i % 50, -(i % 60));
      tolva::testing::SendMouse(w.graph, QEvent::MouseMove, at, Qt::LeftButton);
      QCoreApplication::processEvents();
      next += kMoveEvery;
      std::this_thread::sleep_until(next);
    }
    tolva::testing::SendMouse(w.graph, QEvent::MouseButtonRelease, at, Qt::NoButton);
    const int at_release = writes();
    const model::EqBand final_band = m.LiveProfile().channels[0].eqArray[kBand];
    const auto held = [&] {
      const emulator::BandState b = unit->Snapshot().scenes[0].outputs[0].bands[kBand];
      return b.freq == final_band.freq &&
             std::abs(b.gain_tenths - (final_band.eqGain + 18.0f) * 10.0f) <= 1.0f;
    };
    int held_after = -1;
    while (held_after < 0) {
      if (held()) held_after = writes() - at_release;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    m.Link().WaitUntilQueueIdle(60000);
    caused += writes() - before;
    after_release += held_after;
    ++runs;
  }
  state.counters["exchanges"] = caused / runs;
  state.counters["exchanges_after_release"] = after_release / runs;
  state.counters["moves"] = kMoves;
}
BENCHMARK(BM_DragToUnit)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
