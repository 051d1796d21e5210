#pragma once

#include <array>

// Design tables of the unit's crossover families, as the unit's firmware uses them.
namespace tolva::dsp {

inline constexpr int kMaxCrossoverOrder = 8;

// Row n-1 holds the dampings of an n-th order Linkwitz-Riley filter (odd orders never occur:
// they are raised to the next even order first; an order of 1 has no second-order section).
inline constexpr std::array<std::array<double, 4>, kMaxCrossoverOrder> kLinkwitzRileyDamping{{
    {0.0, 0.0, 0.0, 0.0},
    {2.0, 0.0, 0.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},
    {1.4142135624, 1.4142135624, 0.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},
    {2.0, 1.0, 1.0, 0.0},
    {0.0, 0.0, 0.0, 0.0},
    {1.847759065, 0.7653668647, 1.847759065, 0.7653668647},
}};

struct BesselRow {
  double overall;                   // T: the filter's frequency factor
  std::array<double, 4> damping;    // d of second-order section k
  std::array<double, 4> frequency;  // w of second-order section k
};

inline constexpr std::array<BesselRow, kMaxCrossoverOrder> kBessel{{
    {1.0, {}, {}},
    {0.5773502692, {1.7320508076}, {1.7320508076}},
    {0.4030076571, {1.4470803599}, {2.5415414011}},
    {0.3086066999, {1.9159489237, 1.2414059301}, {3.0232649388, 3.3893657927}},
    {0.2496411504, {1.7745107195, 1.0911344114}, {3.7778936609, 4.2610228013}},
    {0.2093977333,
     {1.9595631418, 1.6361402521, 0.9772172032},
     {4.3360270513, 4.5664891522, 5.1491771521}},
    {0.1802208568,
     {1.8784433114, 1.5132682086, 0.8878963849},
     {5.0662061498, 5.3792700335, 6.0495276805}},
    {0.1581178777,
     {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765},
     {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508}},
}};

// Frequency factor of an odd Bessel filter's first-order section, by its section position.
inline constexpr std::array<double, 4> kBesselFirstOrderFactor{1.0, 2.3221853546, 3.6467385953,
                                                               4.9717868586};

}  // namespace tolva::dsp
