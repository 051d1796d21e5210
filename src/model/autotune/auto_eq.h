#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/autotune/passband.h"
#include "model/autotune/seat_response.h"
#include "model/autotune/target_curve.h"
#include "model/profile/profile.h"

// Auto-EQ of one output: its bands chosen so that the measured response plus the bands follows
// the target (with the crossovers' roll-off) within the passband. Cuts come first, boosts stay
// within a limit and never go into a cancellation, and narrow corrections only where the
// positions agree. The bands are judged as the unit receives them (on its steps).
namespace tolva::autotune {

struct AutoEqOptions {
  TargetCurve target;
  double max_boost_db = 6.0;
  // The range asked for; the fit keeps to its intersection with the passband.
  double low_hz = 20.0;
  double high_hz = 20000.0;
  MaskOptions masks;
  int points_per_octave = 48;
};

// How far a response is from the target at the level that suits it best.
struct Residual {
  double rms_db = 0.0;
  double max_db = 0.0;  // largest deviation, either way
  double worst_hz = 0.0;
  double within_1db = 0.0;  // share of the points within ±1 dB
  int points = 0;
};

struct OutputFit {
  std::string problem;  // why nothing was fitted (then the bands are the output's own)
  std::array<model::EqBand, model::kEqBands> bands{};
  int bands_used = 0;
  int bands_changed = 0;  // slots the unit would receive differently
  Residual before, after;
  double target_level_db = 0.0;  // where the target sits on the measurement's scale
  Passband passband;
  double low_hz = 0.0, high_hz = 0.0;  // the range judged
  // The preview on the fit grid over the judged range: the output with its present bands, with
  // the fit's, and the target at its level.
  std::vector<double> freq, before_db, after_db, target_db;
  std::vector<std::uint8_t> mask;
  std::vector<MaskedRange> masked;

  bool Changed() const { return bands_changed > 0; }
};

// The fit grid of the options (20 Hz … 20 kHz).
std::vector<double> FitGrid(const AutoEqOptions& options);

OutputFit FitOutput(const SeatResponse& seat, const model::ChannelSettings& channel,
                    const AutoEqOptions& options);

}  // namespace tolva::autotune
