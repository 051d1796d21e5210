#pragma once

#include <span>

#include "model/profile/profile.h"

// Where an output plays, as its crossovers say: the target applies there, and there only.
namespace tolva::autotune {

struct Passband {
  double low_hz = 20.0;
  double high_hz = 20000.0;
};

// From the high-pass corner (20 Hz when it is off) to the low-pass corner (20 kHz when off).
Passband PassbandOf(const model::Crossover& crossover);

// The crossovers' level at hz, designed as the unit designs them (48 kHz): the roll-off the
// target keeps, so that no band fights a filter the installer chose.
double CrossoverDb(const model::Crossover& crossover, double hz);

// The mean level over the passband, NaN points left out (NaN when none is left).
double PassbandMean(std::span<const double> freq, std::span<const double> db,
                    const model::Crossover& crossover);

}  // namespace tolva::autotune
