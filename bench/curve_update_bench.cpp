// The curve update of all six outputs. After a band edit (a drag, the PEQ/GEQ switch, an A/B
// switch between tunings that differ in their bands) the crossovers are those of the last update
// and only the bands are evaluated; when every crossover is new as well (a scene load, a connect)
// everything is. Both crossovers at slope 8 (Bessel), 31 active bands per output. Beside them the
// direct evaluation of the same formulas, one complex evaluation per section and point with
// scratch arrays per call.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "dsp_math/channel_response.h"
#include "dsp_math/reference_response.h"

namespace {

using namespace tolva;

constexpr int kChannels = 6;
constexpr std::array<int, 31> kCentres{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

std::vector<dsp::PeakingBandInput> Bands(int channel) {
  std::vector<dsp::PeakingBandInput> bands;
  for (int i = 0; i < 31; ++i) {
    const float gain = static_cast<float>(((i * 7 + channel * 3) % 25) - 12) + 0.5f;
    const float q = 0.5f + static_cast<float>((i * 5 + channel) % 17) * 0.5f;
    bands.push_back({static_cast<double>(kCentres[i]), gain, q, true});
  }
  return bands;
}

// new_crossovers: each update moves every corner by 1 Hz, so no crossover curve can be kept.
void SixChannelUpdate(benchmark::State& state, bool new_crossovers) {
  std::array<std::vector<dsp::PeakingBandInput>, kChannels> bands;
  for (int c = 0; c < kChannels; ++c) bands[c] = Bands(c);
  std::array<dsp::ChannelCurves, kChannels> curves;
  const dsp::ChannelResponseEvaluator& evaluator = dsp::StandardEvaluator();
  int shift = 0;
  for (auto _ : state) {
    if (new_crossovers) shift ^= 1;
    for (int c = 0; c < kChannels; ++c) {
      const dsp::ChannelResponseInput input{
          {60 + c + shift, 3, 8, 0}, {8000 + c + shift, 3, 8, 0}, bands[c], false};
      evaluator.Compute(input, curves[c]);
    }
    benchmark::DoNotOptimize(curves);
    benchmark::ClobberMemory();
  }
}

void BM_SixChannelUpdate(benchmark::State& state) {
  SixChannelUpdate(state, false);
}
BENCHMARK(BM_SixChannelUpdate)->Unit(benchmark::kMicrosecond);

void BM_SixChannelUpdateNewCrossovers(benchmark::State& state) {
  SixChannelUpdate(state, true);
}
BENCHMARK(BM_SixChannelUpdateNewCrossovers)->Unit(benchmark::kMicrosecond);

void BM_SixChannelUpdateReference(benchmark::State& state) {
  std::array<reference::Channel, kChannels> channels;
  for (int c = 0; c < kChannels; ++c) {
    channels[c] = {{60 + c, 3, 8, 0}, {8000 + c, 3, 8, 0}, {}, false};
    for (const auto& b : Bands(c)) channels[c].bands.push_back({b.freq, b.gain_db, b.q, true});
  }
  for (auto _ : state) {
    for (int c = 0; c < kChannels; ++c) {
      const std::vector<double> grid = reference::Grid();
      reference::Curves curves = reference::ChannelCurve(channels[c], grid);
      benchmark::DoNotOptimize(curves);
    }
  }
}
BENCHMARK(BM_SixChannelUpdateReference)->Unit(benchmark::kMicrosecond);

}  // namespace
