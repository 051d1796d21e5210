#pragma once

#include "model/profile/control_ranges.h"

class QWidget;

namespace tolva::ui {

inline constexpr int kBands = 31;
// Band gain in tenths of a dB over the graph's gain axis (-18 ... +12 dB).
inline constexpr int kBandGainMin = model::kBandGainSliderMin;
inline constexpr int kBandGainMax = model::kBandGainSliderMax;

// The standard third-octave frequencies the rows start with.
int DefaultBandFrequency(int band);

// The 31 band rows (one column each: enable button, frequency, Q, gain, gain slider) with a
// caption column, into panel.
void BuildBandRows(QWidget* panel);

}  // namespace tolva::ui
