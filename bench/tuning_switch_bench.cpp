// Switching between two tunings (A/B) through the changes-only commands, against the in-process
// emulated unit answering each report after 1 ms. Two tunings that differ in k bands must cost
// no more than k + 2 frames: "frames" is what one switch wrote, "allowed" the bound.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "device/link/dsp_link.h"
#include "emulator/emulator_transport.h"
#include "model/manager/editing/command_sending.h"
#include "model/edits/profile_transition.h"

namespace {

using namespace tolva;

// B differs from A in k bands spread over the six outputs, each output's EQ audible.
model::Profile Differing(const model::Profile& a, int k) {
  model::Profile b = a;
  for (int i = 0; i < k; ++i) {
    const int ch = i % model::kOutputChannels;
    model::EqBand& band = b.channels[ch].eqArray[(i * 7) % model::kEqBands];
    band.eqGain = i % 2 == 0 ? -4.5f : 3.0f;
    band.eqFactor = 2.4f;
    b.channels[ch].bypass = 0;
  }
  return b;
}

void BM_SwitchTunings(benchmark::State& state) {
  const int k = static_cast<int>(state.range(0));
  emulator::EmulatorOptions options;
  options.faults.latency_ms = 1;
  auto unit = std::make_shared<emulator::EmulatedDevice>(options, SystemClock());
  device::DspLink link(emulator::MakeEmulatorTransportFactory(unit), SystemClock());
  if (link.OpenHIDDevice() != 0) {
    state.SkipWithError("the emulated unit did not open");
    return;
  }
  link.EnableCommandQueue();
  const auto received = [&] {
    return unit->WithUnit([](emulator::EmulatedUnit& u) { return u.reports_received(); });
  };
  const model::Profile tunings[2] = {model::Profile{}, Differing(model::Profile{}, k)};
  int live = 0;
  int most_frames = 0;
  std::int64_t frames = 0;
  for (auto _ : state) {
    const int before = received();
    // What the window does on F9: the commands are queued, the switch ends when they are answered.
    model::SendCommands(link, model::TransitionCommands(tunings[live], tunings[1 - live]), false);
    if (!link.WaitUntilQueueIdle(60000)) {
      state.SkipWithError("the unit did not answer");
      break;
    }
    live = 1 - live;
    most_frames = std::max(most_frames, received() - before);
    frames += received() - before;
  }
  if (most_frames > k + 2) state.SkipWithError("a switch sent more than k + 2 frames");
  state.counters["frames"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kAvgIterations);
  state.counters["allowed"] = k + 2;
  link.CloseHIDDevice(false);
}
BENCHMARK(BM_SwitchTunings)->Arg(1)->Arg(5)->Arg(31)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
