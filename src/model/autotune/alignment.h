#pragma once

#include <string>
#include <vector>

#include "model/autotune/seat_response.h"
#include "model/autotune/target_curve.h"
#include "model/profile/profile.h"

// Time and level alignment at the seat: delays from the arrival times, gains from the passband
// levels, and at each crossover whether the two outputs add up or cancel.
namespace tolva::autotune {

struct OutputAtSeat {
  int output = 0;
  double arrival_ms = 0.0;  // relative to the run's reference; includes the output's delay
  double snr_db = 0.0;
  SeatResponse seat;        // the output alone (its bands taken out or not: only its level counts)
};

struct DelaySuggestion {
  int output = 0;
  float delay_ms = 0.0f;  // what the output's delay should be, on the unit's 1 µs steps
  // False when the arrival cannot carry the decision (too little signal, or a bass-only output
  // whose peak trails its onset): the value is a starting point for the crossover check.
  bool reliable = true;
  std::string note;  // why not reliable, or that the unit's 15 ms limit held it
};

struct GainSuggestion {
  int output = 0;
  int gain_db = 0;         // the output's gain, whole dB, 0 or below
  double level_db = 0.0;   // its passband level against the target, at the present gain
};

struct Alignment {
  std::vector<DelaySuggestion> delays;
  std::vector<GainSuggestion> gains;
};

// An output that plays nothing above 200 Hz: its impulse is too broad to date by its peak, so
// neither its arrival nor a chirp through it dates anything.
bool PlaysBassOnly(const model::Crossover& crossover);

// Every output measured alone; the profile gives their present delays, gains and crossovers.
Alignment AlignOutputs(const std::vector<OutputAtSeat>& outputs, const model::Profile& profile,
                       const TargetCurve& target);

// Two outputs that meet at a crossover, the lower first.
struct CrossoverPair {
  int low_output = 0, high_output = 0;
  double crossover_hz = 0.0;
};
// Outputs whose low-pass and high-pass corners lie within an octave of each other, on the same
// side of the car (or one of them a subwoofer).
std::vector<CrossoverPair> CrossoverPairs(const model::Profile& profile);

struct CrossoverCheck {
  CrossoverPair pair;
  // Together against the power sum of the two alone, around the crossover: about +3 dB when
  // they add in phase, far below 0 when they cancel.
  double together_gain_db = 0.0;
  enum class Verdict { kInPhase, kInverted, kPhaseOff, kNotMeasured } verdict = Verdict::kNotMeasured;
  std::string advice;
};

CrossoverCheck CheckCrossover(const CrossoverPair& pair, const SeatResponse& low,
                              const SeatResponse& high, const SeatResponse& together);

}  // namespace tolva::autotune
