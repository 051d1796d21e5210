#pragma once

#include <vector>

#include "measure/analysis.h"

// Harmonic distortion from one deconvolved sweep: the k-th harmonic's impulse sits L·ln k
// before the linear one (the sweep is synchronised), and its spectrum at k·f over the linear
// spectrum at f is the k-th harmonic's share for a tone at f.
namespace tolva::measure {

struct Distortion {
  std::vector<double> freq;                  // the tone's frequency
  std::vector<std::vector<double>> percent;  // [k - 2][i]: harmonic k, 2 … max_harmonic
  std::vector<double> thd_percent;           // all of them together
};

// On `grid`; harmonics whose frequency passes the sweep's end count as 0 there.
Distortion MeasureDistortion(const SweepCapture& capture, const Sweep& sweep, const std::vector<double>& grid,
                             const Smoothing& smoothing, int max_harmonic = 5);

}  // namespace tolva::measure
