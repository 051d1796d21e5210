#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "measure/response.h"
#include "model/profile/profile.h"

// One output's measurements at the seat brought onto the fit's grid: the microphone positions
// averaged, how much they disagree, how coherent they were, and where a boost would only chase
// a cancellation (a narrow dip, a dip of low coherence, or one that moves between positions).
namespace tolva::autotune {

struct SeatResponse {
  std::vector<double> freq;
  std::vector<double> db;         // power mean of the positions; NaN where none was measured
  std::vector<double> spread_db;  // standard deviation across positions (0 with one)
  std::vector<double> coherence;  // the lowest of the positions; 1 when not known
  int positions = 0;
};

// `playing`: the bands the output played while measured; their response is taken out, so that
// the result is what the bands are to correct.
SeatResponse CombinePositions(std::span<const measure::Response> positions,
                              std::span<const double> grid,
                              std::span<const model::EqBand> playing = {});

// Why a point may not be boosted.
enum NoBoost : std::uint8_t {
  kBoostAllowed = 0,
  kNarrowDip = 1,     // deeper than its surroundings over less than half an octave
  kLowCoherence = 2,  // the sweeps did not agree: reflections or noise, not the speaker
  kVaries = 4,        // the positions disagree: a boost would help one seat and hurt another
};

struct MaskOptions {
  double dip_depth_db = 4.0;       // below the half-octave mean at its deepest
  double dip_max_octaves = 0.5;    // wider dips are the speaker's and may be filled
  double min_coherence = 0.8;
  double max_spread_db = 3.0;
};

std::vector<std::uint8_t> NoBoostMask(const SeatResponse& seat, const MaskOptions& options = {});

struct MaskedRange {
  double low_hz = 0.0, high_hz = 0.0;
  std::uint8_t reasons = 0;
};
std::vector<MaskedRange> MaskedRanges(std::span<const double> freq,
                                      std::span<const std::uint8_t> mask);

// Mean in dB over `octaves` centred on each point of a log grid (NaN points left out; a NaN
// point itself gets its neighbours' mean when fill_gaps).
std::vector<double> SmoothOctaves(std::span<const double> freq, std::span<const double> db,
                                  double octaves, bool fill_gaps = false);

}  // namespace tolva::autotune
