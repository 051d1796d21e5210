// From Connect to the connected state against the in-process emulated unit, with the unit
// answering at once and after 1 ms per report. "exchanges" counts the reports the unit received.
#include <benchmark/benchmark.h>

#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"

namespace {

using namespace tolva;

void BM_ConnectRead(benchmark::State& state) {
  emulator::EmulatorOptions options;
  options.faults.latency_ms = static_cast<int>(state.range(0));
  auto unit = std::make_shared<emulator::EmulatedDevice>(options, SystemClock());
  model::EqualizerManager manager(emulator::MakeEmulatorTransportFactory(unit), SystemClock());
  const auto received = [&] {
    return unit->WithUnit([](emulator::EmulatedUnit& u) { return u.reports_received(); });
  };
  int exchanges = 0;
  for (auto _ : state) {
    const int before = received();
    manager.Connect(false);
    while (manager.State() != model::ConnectState::kConnected &&
           (manager.IsReading() || manager.ProcessPendingNotifications() > 0)) {
      manager.ProcessPendingNotifications(1);
    }
    while (manager.ProcessPendingNotifications() > 0) {
    }
    state.PauseTiming();
    if (manager.State() != model::ConnectState::kConnected) {
      state.SkipWithError("the read did not end connected");
      break;
    }
    exchanges = received() - before;
    manager.Disconnect();
    manager.JoinWorkers();
    state.ResumeTiming();
  }
  state.counters["exchanges"] = exchanges;
}
BENCHMARK(BM_ConnectRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
