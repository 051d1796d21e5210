// Import by response: planning a file's import (its curve, the fit of 31 bands on the unit's
// steps, the deviation), for files of the kinds users bring.
#include <benchmark/benchmark.h>

#include <string>

#include "model/interchange/filter_exchange.h"
#include "model/interchange/filter_exchange_import.h"

namespace {

using namespace tolva::model;

// Current AutoEq output: two shelves and eight peaks.
constexpr const char kShelvedHeadphone[] =
    "Preamp: -6.4 dB\n"
    "Filter 1: ON LSC Fc 105 Hz Gain 6.5 dB Q 0.70\n"
    "Filter 2: ON PK Fc 190 Hz Gain -2.1 dB Q 0.56\n"
    "Filter 3: ON PK Fc 1020 Hz Gain 1.8 dB Q 1.31\n"
    "Filter 4: ON PK Fc 2310 Hz Gain -3.9 dB Q 2.09\n"
    "Filter 5: ON PK Fc 3400 Hz Gain 4.7 dB Q 3.37\n"
    "Filter 6: ON PK Fc 5200 Hz Gain -4.4 dB Q 4.48\n"
    "Filter 7: ON PK Fc 6900 Hz Gain 2.6 dB Q 5.20\n"
    "Filter 8: ON PK Fc 8400 Hz Gain -3.2 dB Q 3.10\n"
    "Filter 9: ON PK Fc 12800 Hz Gain -2.0 dB Q 1.52\n"
    "Filter 10: ON HSC Fc 10000 Hz Gain -3.8 dB Q 0.70\n";

// A REW-style car correction: twelve overlapping cuts, some narrower than a band can be.
constexpr const char kOverlappingCuts[] =
    "Filter 1: ON PK Fc 48 Hz Gain -7.5 dB Q 4.2\n"
    "Filter 2: ON PK Fc 63 Hz Gain -9.0 dB Q 11.0\n"
    "Filter 3: ON PK Fc 96 Hz Gain -5.5 dB Q 6.0\n"
    "Filter 4: ON PK Fc 160 Hz Gain -4.0 dB Q 2.0\n"
    "Filter 5: ON PK Fc 310 Hz Gain -6.0 dB Q 5.5\n"
    "Filter 6: ON PK Fc 620 Hz Gain -3.0 dB Q 1.2\n"
    "Filter 7: ON PK Fc 1250 Hz Gain -4.5 dB Q 3.0\n"
    "Filter 8: ON PK Fc 2500 Hz Gain -6.5 dB Q 7.0\n"
    "Filter 9: ON PK Fc 4000 Hz Gain -3.5 dB Q 2.5\n"
    "Filter 10: ON PK Fc 6300 Hz Gain -5.0 dB Q 4.0\n"
    "Filter 11: ON PK Fc 10000 Hz Gain -6.5 dB Q 3.0\n"
    "Filter 12: ON PK Fc 13700 Hz Gain -6.5 dB Q 2.0\n";

// A GraphicEQ line: the whole curve as points.
std::string GraphicEq() {
  std::string text = "GraphicEQ: ";
  const int points[][2] = {{20, 6},   {32, 5},    {50, 3},    {80, 1},    {125, 0},
                           {200, -2}, {315, -1},  {500, 0},   {800, 1},   {1250, 0},
                           {2000, -3}, {3150, 2}, {5000, -4}, {8000, -1}, {12500, -6},
                           {20000, -9}};
  for (const auto& p : points) {
    if (text.back() != ' ') text += "; ";
    text += std::to_string(p[0]) + " " + std::to_string(p[1]);
  }
  return text + "\n";
}

void PlanImport(benchmark::State& state, const std::string& text) {
  const FilterText parsed = ParseFilterText(text);
  TextProblem error;
  const ChannelFilters filters = *FiltersForChannel(parsed, "", &error);
  const ChannelSettings flat;
  FilterImportPlan plan;
  for (auto _ : state) benchmark::DoNotOptimize(plan = PlanFilterImport(filters, flat));
  // What the speed bought: the file's curve against what the unit plays.
  state.counters["max_dB"] = plan.max_deviation_db;
  state.counters["rms_dB"] = plan.rms_deviation_db;
  state.counters["bands"] = plan.bands_used;
  state.counters["worst_Hz"] = plan.worst_hz;
}

void BM_ImportShelvedHeadphoneFile(benchmark::State& state) { PlanImport(state, kShelvedHeadphone); }
BENCHMARK(BM_ImportShelvedHeadphoneFile)->Unit(benchmark::kMillisecond);

void BM_ImportOverlappingCuts(benchmark::State& state) { PlanImport(state, kOverlappingCuts); }
BENCHMARK(BM_ImportOverlappingCuts)->Unit(benchmark::kMillisecond);

void BM_ImportGraphicEq(benchmark::State& state) { PlanImport(state, GraphicEq()); }
BENCHMARK(BM_ImportGraphicEq)->Unit(benchmark::kMillisecond);

}  // namespace
