#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/interchange/filter_exchange.h"

// What other equalizer programs play for a filter line: the audio-EQ cookbook designs
// (peaking, shelves, high- and low-pass, band-pass, notch, all-pass) at the unit's 48 kHz, and
// a GraphicEQ line drawn straight between its points on the log-frequency axis.
namespace tolva::model {

// The cookbook Q of a peaking line: its Q, or its bandwidth in octaves as a Q.
std::optional<double> CookbookQOf(const FilterLine& line);

// dB at each frequency; nullopt for a line whose response is not known here (IIR coefficients,
// a type of another name, a peaking filter without Q).
std::optional<std::vector<double>> CookbookResponse(const FilterLine& line,
                                                    std::span<const double> freq);

}  // namespace tolva::model
