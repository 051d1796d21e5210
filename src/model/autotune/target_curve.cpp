#include "model/autotune/target_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/interchange/measurement.h"

namespace tolva::autotune {

double LevelAt(std::span<const double> freq, std::span<const double> db, double hz,
               bool hold_ends) {
  if (freq.empty() || db.size() < freq.size()) return std::numeric_limits<double>::quiet_NaN();
  if (hz <= freq.front() || hz >= freq.back()) {
    const bool at_end = hz == freq.front() || hz == freq.back();
    if (!hold_ends && !at_end) return std::numeric_limits<double>::quiet_NaN();
    return hz <= freq.front() ? db.front() : db[freq.size() - 1];
  }
  const auto hi = static_cast<std::size_t>(std::upper_bound(freq.begin(), freq.end(), hz) -
                                           freq.begin());
  const std::size_t lo = hi - 1;
  const double t = std::log(hz / freq[lo]) / std::log(freq[hi] / freq[lo]);
  return db[lo] + t * (db[hi] - db[lo]);
}

double TargetCurve::At(double hz) const {
  switch (kind) {
    case Kind::kFlat:
      return 0.0;
    case Kind::kCar: {
      // A second-order shelf's dB shape: the whole rise far below the corner, half at it.
      const double x = hz / std::max(1.0, car.bass_corner_hz);
      double level = car.bass_shelf_db / (1.0 + x * x);
      if (hz > car.treble_from_hz) level += car.treble_tilt_db * std::log2(hz / car.treble_from_hz);
      return level;
    }
    case Kind::kFile:
      return LevelAt(file_freq, file_db, hz, true);
  }
  return 0.0;
}

TargetCurve FlatTarget() { return {}; }

TargetCurve CarTarget(const CarShape& shape) {
  TargetCurve t;
  t.kind = TargetCurve::Kind::kCar;
  t.car = shape;
  t.name = "car";
  return t;
}

TargetText ParseHouseCurve(std::string_view text, std::string name) {
  // The same rows as a measurement: frequency and dB, comments, the refusals with their line.
  model::MeasurementText rows = model::ParseMeasurementText(text);
  TargetText out;
  out.error = rows.error;
  if (!out.error.empty()) return out;
  out.target.kind = TargetCurve::Kind::kFile;
  out.target.file_freq = std::move(rows.measurement.freq);
  out.target.file_db = std::move(rows.measurement.level);
  out.target.name = std::move(name);
  return out;
}

}  // namespace tolva::autotune
