// Measurement speed: writing the 5 s sweep, and analysing a recording of it (deconvolution,
// arrival, window, smoothed response on the grid).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "measure/analysis.h"
#include "measure/sweep.h"

namespace {

using namespace tolva::measure;

std::vector<float> NoisyCopy(const Sweep& sweep) {
  std::vector<float> recording(sweep.samples.size() + 4800, 0.0f);
  std::mt19937 random(1);
  std::normal_distribution<float> noise(0.0f, 1e-3f);
  for (std::size_t i = 0; i < recording.size(); ++i) {
    const float played = i >= 160 && i - 160 < sweep.samples.size() ? sweep.samples[i - 160] : 0.0f;
    recording[i] = 0.5f * played + noise(random);
  }
  return recording;
}

void BM_GenerateSweep(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(GenerateSweep({}));
}
BENCHMARK(BM_GenerateSweep)->Unit(benchmark::kMillisecond);

// A first analysis against a sweep: the inverse filter is built as well.
void BM_AnalyseFirstRecording(benchmark::State& state) {
  const Sweep sweep = GenerateSweep({});
  const std::vector<float> recording = NoisyCopy(sweep);
  const AnalysisOptions options;
  for (auto _ : state) {
    const Deconvolver deconvolver(sweep);
    CaptureResult c = CaptureSweep(deconvolver, recording, options);
    benchmark::DoNotOptimize(CombineCaptures(sweep, std::span(&*c.capture, 1), options, nullptr));
  }
}
BENCHMARK(BM_AnalyseFirstRecording)->Unit(benchmark::kMillisecond);

// Further recordings of the same sweep reuse the inverse filter.
void BM_AnalyseRecording(benchmark::State& state) {
  const Sweep sweep = GenerateSweep({});
  const std::vector<float> recording = NoisyCopy(sweep);
  const AnalysisOptions options;
  const Deconvolver deconvolver(sweep);
  for (auto _ : state) {
    CaptureResult c = CaptureSweep(deconvolver, recording, options);
    benchmark::DoNotOptimize(CombineCaptures(sweep, std::span(&*c.capture, 1), options, nullptr));
  }
}
BENCHMARK(BM_AnalyseRecording)->Unit(benchmark::kMillisecond);

}  // namespace
