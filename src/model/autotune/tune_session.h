#pragma once

#include <map>
#include <utility>
#include <vector>

#include "measure/response.h"
#include "model/autotune/alignment.h"
#include "model/autotune/auto_eq.h"
#include "model/profile/profile.h"

// A whole car from its measurements: every output fitted, the delays and gains aligned, and each
// crossover checked, as one computation after the playing is done.
namespace tolva::autotune {

struct OutputMeasurements {
  int output = 0;
  std::vector<measure::Response> positions;
  std::vector<model::EqBand> playing;  // the bands the output played while measured
  double arrival_ms = 0.0;             // mean over the positions
  double snr_db = 0.0;                 // the worst position
};

struct SessionInput {
  std::vector<OutputMeasurements> outputs;
  // Two outputs measured together, by (lower, higher) output.
  std::map<std::pair<int, int>, std::vector<measure::Response>> together;
  // Linked outputs (lower, higher), both measured: they play one band table, fitted to both
  // sides' positions.
  std::vector<std::pair<int, int>> linked;
};

struct SessionResult {
  std::vector<OutputFit> fits;  // one per measured output, in input order (a linked pair's alike)
  Alignment alignment;
  std::vector<CrossoverCheck> crossovers;
};

SessionResult ComputeSession(const SessionInput& input, const model::Profile& profile,
                             const AutoEqOptions& options);

}  // namespace tolva::autotune
