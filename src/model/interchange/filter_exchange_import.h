#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/interchange/filter_exchange.h"
#include "model/profile/profile.h"

// What importing filter text does to one output's bands, decided before anything is written.
// The import reproduces the file's response, not its numbers: peaking filters the bands can
// hold become bands one to one (their Q converted exactly), and everything else the text means
// (shelves, high- and low-pass, notches, GraphicEQ, Q or Fc beyond a band, more filters than
// bands) is reproduced by fitting the bands to the file's curve. The deviation reported is the
// file's curve against the curve of the values the unit receives.
namespace tolva::model {

struct FilterImportOptions {
  double max_deviation_db = 1.0;  // beyond it the import needs forcing
};

struct FilterImportPlan {
  std::array<EqBand, kEqBands> bands{};  // the output's new band table
  int held = 0;                          // peaking filters held one to one
  std::vector<TextProblem> reproduced;   // lines the bands play by response, with why
  std::vector<TextProblem> left_out;     // lines whose response is not known: not imported
  std::vector<TextProblem> notes;        // OFF lines, Preamp, commands not applied
  double max_deviation_db = 0.0;         // 20 Hz … 20 kHz, 1/48 octave
  double worst_hz = 0.0;
  double rms_deviation_db = 0.0;
  double limit_db = 1.0;
  int bands_used = 0;
  int bands_changed = 0;  // slots the unit receives anew
  // The file's curve and the result on the judged grid, for a preview.
  std::vector<double> freq, file_db, result_db;

  bool BeyondLimit() const { return max_deviation_db > limit_db; }
  // Needs forcing: something is left out, or the result is further off than the limit.
  bool NeedsForce() const { return !left_out.empty() || BeyondLimit(); }
};

FilterImportPlan PlanFilterImport(const ChannelFilters& filters, const ChannelSettings& channel,
                                  const FilterImportOptions& options = {});

// Every message of the plan as the user reads it, the figures last; `say` words each
// (English, or InCurrentLanguage for the window).
std::vector<std::string> DescribeImportPlan(const FilterImportPlan& plan,
                                            std::string (*say)(const TextProblem&) = English);

}  // namespace tolva::model
