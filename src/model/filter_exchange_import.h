#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/filter_exchange.h"
#include "model/profile.h"

// What importing filter text does to one output's bands, decided before anything is written:
// the new band table, what the unit's encoding will round, and what the unit cannot hold at
// all with the deviation that causes on the output's curve.
namespace tolva::model {

struct ImportProblem {
  TextProblem what;
  double deviation_db = 0.0;  // largest |given - held| on the curve; NaN when not known
};

struct FilterImportPlan {
  std::array<EqBand, kEqBands> bands{};  // the output's new band table
  int peaking = 0;                       // bands 0 … peaking-1 hold the file's filters
  std::vector<TextProblem> rounded;      // held with the unit's steps; not refused
  std::vector<ImportProblem> refused;    // cannot be held; the import needs forcing
  double total_deviation_db = 0.0;       // the whole curve as given against as held
  std::vector<TextProblem> notes;        // OFF lines, Preamp, commands not applied
};

// `filters` as FiltersForChannel gives them; `text` for its Preamp and ignored commands.
FilterImportPlan PlanFilterImport(const FilterText& text, const std::vector<FilterLine>& filters,
                                  const ChannelSettings& channel);

// Every message of the plan as the user reads it, rounding and refusals with their dB; `say`
// words each (English, or InCurrentLanguage for the window).
std::vector<std::string> DescribeImportPlan(const FilterImportPlan& plan,
                                            std::string (*say)(const TextProblem&) = English);

// A bandwidth in octaves as the Q of a peaking filter.
double QFromBandwidth(double octaves);

}  // namespace tolva::model
