#pragma once

#include <string>
#include <vector>

#include "measure/response.h"
#include "model/profile/profile.h"

// Synthetic car responses at the seat, for the auto-tune tests and benchmarks: a speaker's own
// roll-offs, cabin gain, room modes, narrow cancellation nulls that move between microphone
// positions, broad bumps, a tilt and measurement ripple, each case from its own seed.
namespace tolva::autotune::corpus {

struct Null {
  double hz = 0.0;
  double depth_db = 0.0;
};

struct CarCase {
  std::string name;
  model::Crossover crossover;  // the output's crossover (the measurement plays through it)
  std::vector<measure::Response> positions;
  std::vector<Null> nulls;  // at the first position
};

inline constexpr int kCases = 36;

// Case k of the corpus (0 … kCases-1): full-range, woofer, tweeter and subwoofer outputs in turn.
CarCase MakeCase(int k, int positions = 3);

// REW-style measurement text of one position.
std::string MeasurementText(const measure::Response& r);

}  // namespace tolva::autotune::corpus
