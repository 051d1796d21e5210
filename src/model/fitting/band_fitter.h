#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/profile/control_ranges.h"
#include "model/profile/profile.h"

// Finds the unit's bands that play a given magnitude response: a joint least-squares fit of
// every band's centre, gain and Q (Levenberg–Marquardt over log f, gain and log Q, with the
// band's analytic derivatives), bands added where the response is still furthest off, then the
// values rounded to the unit's steps and refined step by step, so that what is judged is what
// the unit receives. Pure and deterministic: no Qt, no I/O, no randomness.
namespace tolva::model {

// Points `per_octave` to an octave from `low` up to `high`, both included.
std::vector<double> LogFrequencyGrid(double low, double high, int per_octave);

struct FitTarget {
  std::vector<double> freq;      // Hz, ascending, on a log grid
  std::vector<double> level_db;  // what the bands together should play
  std::vector<double> weight;    // per point, ≥ 0; 0 leaves a point out; empty: all 1
  std::vector<std::uint8_t> no_boost;  // per point, 1: the bands may cut there, not lift; empty: none
};

struct FitOptions {
  double low_hz = kMinFrequency;  // the points judged, and where bands may sit
  double high_hz = kMaxFrequency;
  double max_boost_db = kBandGainMaxDb;  // the boost limit
  // Where both are needed, cuts are placed before boosts (a correction that should not add
  // level where it can take it away).
  bool cut_first = false;
  // Bands are added while some point is further off than this.
  double good_enough_db = 0.03;
  // How far the target may move up or down as a whole, for a response whose level is its own
  // (a measurement's): the fit takes the level it matches best.
  double level_low_db = 0.0, level_high_db = 0.0;
  // The rounded bands are judged by their mean square alone (a measurement, whose worst points
  // are the dips left alone), not also by the worst point (a curve to reproduce).
  bool mean_square_only = false;
};

struct FitResult {
  std::vector<EqBand> bands;  // `current` with the fit's values, on the unit's steps
  std::vector<bool> changed;  // per slot: the unit would receive something else
  int bands_used = 0;         // slots playing a gain other than 0
  // The rounded bands against the target over the judged points (weights only select).
  double max_deviation_db = 0.0;
  double worst_hz = 0.0;
  double rms_deviation_db = 0.0;
  std::vector<double> response_db;  // the bands' response on target.freq
};

// `current` are the output's slots (as many as it has); an enabled slot with a gain plays and
// is where the fit starts from, the others are free for new bands. Slots the fit does not
// need to change keep their values exactly, so fitting bands to their own response changes
// nothing.
FitResult FitBands(const FitTarget& target, std::span<const EqBand> current,
                   const FitOptions& options = {});

// The response of bands on frequencies, as the unit plays them (disabled or 0 dB bands flat).
std::vector<double> BandsResponse(std::span<const EqBand> bands, std::span<const double> freq);

}  // namespace tolva::model
