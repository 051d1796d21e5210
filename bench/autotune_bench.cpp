// Auto-tune: one output's fit, and the computation of a whole six-output car after its playing;
// the corpus figures (residual after rounding to the unit's steps) ride along as counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

#include "autotune/car_corpus.h"
#include "model/autotune/tune_session.h"

namespace {

using namespace tolva;
using namespace tolva::autotune;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

model::ChannelSettings ChannelOf(const corpus::CarCase& c) {
  model::ChannelSettings ch;
  ch.crossover = c.crossover;
  return ch;
}

void BM_FitOneOutput(benchmark::State& state) {
  const corpus::CarCase c = corpus::MakeCase(static_cast<int>(state.range(0)));
  AutoEqOptions options;
  const SeatResponse seat = CombinePositions(c.positions, FitGrid(options));
  const model::ChannelSettings ch = ChannelOf(c);
  OutputFit fit;
  for (auto _ : state) {
    fit = FitOutput(seat, ch, options);
    benchmark::DoNotOptimize(fit);
  }
  state.counters["rms_db"] = fit.after.rms_db;
  state.counters["max_db"] = fit.after.max_db;
  state.counters["within_1db"] = fit.after.within_1db;
  state.counters["bands"] = fit.bands_used;
}
BENCHMARK(BM_FitOneOutput)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Every corpus case once per iteration; counters are means over the corpus (worst: largest;
// slowest_ms and slowest_case: the CPU time of the slowest fit, and its case).
void BM_Corpus(benchmark::State& state) {
  AutoEqOptions options;
  options.max_boost_db = static_cast<double>(state.range(0));
  options.target = state.range(1) ? CarTarget() : FlatTarget();
  std::vector<corpus::CarCase> cases;
  for (int k = 0; k < corpus::kCases; ++k) cases.push_back(corpus::MakeCase(k));
  double rms = 0.0, worst = 0.0, within = 0.0, rms_worst = 0.0, bands = 0.0, before = 0.0;
  double slowest = 0.0;
  int slowest_case = 0;
  for (auto _ : state) {
    rms = worst = within = rms_worst = bands = before = slowest = 0.0;
    for (int k = 0; k < corpus::kCases; ++k) {
      const corpus::CarCase& c = cases[static_cast<std::size_t>(k)];
      const double start = CpuMs();
      const OutputFit fit =
          FitOutput(CombinePositions(c.positions, FitGrid(options)), ChannelOf(c), options);
      if (const double ms = CpuMs() - start; ms > slowest) slowest = ms, slowest_case = k;
      rms += fit.after.rms_db;
      rms_worst = std::max(rms_worst, fit.after.rms_db);
      worst = std::max(worst, fit.after.max_db);
      within += fit.after.within_1db;
      bands += fit.bands_used;
      before += fit.before.rms_db;
    }
  }
  state.counters["rms_db"] = rms / corpus::kCases;
  state.counters["rms_worst_db"] = rms_worst;
  state.counters["max_db"] = worst;
  state.counters["within_1db"] = within / corpus::kCases;
  state.counters["bands"] = bands / corpus::kCases;
  state.counters["rms_before_db"] = before / corpus::kCases;
  state.counters["slowest_ms"] = slowest;
  state.counters["slowest_case"] = slowest_case;
}
BENCHMARK(BM_Corpus)
    ->ArgsProduct({{6, 0}, {0, 1}})
    ->ArgNames({"max_boost", "car"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Six outputs of three positions each, the alignment and the crossover checks.
void BM_SixOutputSession(benchmark::State& state) {
  model::Profile profile;
  SessionInput input;
  for (int o = 0; o < 6; ++o) {
    const corpus::CarCase c = corpus::MakeCase(o);
    profile.channels[o].crossover = c.crossover;
    input.outputs.push_back({o, c.positions, {}, 2.0 + 0.3 * o, 40.0});
  }
  AutoEqOptions options;
  options.target = CarTarget();
  for (auto _ : state) {
    SessionResult r = ComputeSession(input, profile, options);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_SixOutputSession)->Unit(benchmark::kMillisecond);

}  // namespace
