#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/interchange/text_problem.h"

// The response an installer wants at the seat, as a shape (its level is set by each fit): flat,
// a car curve with a bass rise and a treble fall, or a house curve read from a file of frequency
// and dB rows as REW writes them.
namespace tolva::autotune {

struct CarShape {
  double bass_shelf_db = 6.0;     // the rise at the lowest frequencies
  double bass_corner_hz = 90.0;   // where half of it is left
  double treble_tilt_db = -0.5;   // per octave above treble_from_hz
  double treble_from_hz = 1000.0;
};

struct TargetCurve {
  enum class Kind { kFlat, kCar, kFile };
  Kind kind = Kind::kFlat;
  CarShape car;
  std::vector<double> file_freq, file_db;  // kFile: ascending; the end values hold beyond them
  std::string name = "flat";

  double At(double hz) const;
};

TargetCurve FlatTarget();
TargetCurve CarTarget(const CarShape& shape = {});

struct TargetText {
  TargetCurve target;
  model::TextProblem error;  // set when the text is refused
};
TargetText ParseHouseCurve(std::string_view text, std::string name);

// The level between the points of a curve given on a log-frequency axis, interpolated on that
// axis; outside the points the end values hold when hold_ends, else NaN.
double LevelAt(std::span<const double> freq, std::span<const double> db, double hz, bool hold_ends);

}  // namespace tolva::autotune
