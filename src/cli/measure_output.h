#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/analysis.h"
#include "measure/calibration.h"
#include "measure/sweep.h"

// What the measure commands share: the sweep file, the options, and turning recordings into
// the response file and the printed figures.
namespace tolva::cli {

struct MeasureInputs {
  measure::Sweep sweep;
  double rate = 0.0;                           // the recordings'
  std::vector<std::vector<float>> recordings;  // one per sweep played
  std::vector<std::vector<float>> loopbacks;   // the timing reference of each, when recorded
  std::optional<measure::Calibration> calibration;
  measure::AnalysisOptions options;
  std::string source;          // named in the response file
  std::string reference_note;  // how the arrival was timed, e.g. " after the loopback"
};

// The played sweep: its figures from the file's comment, or recognised from the samples.
std::string LoadSweep(const std::string& path, measure::Sweep& sweep);

// The calibration file (when given), smoothing and window into `in`; why not, when refused.
std::string ReadOptions(const std::string& cal_path, const std::string& smoothing,
                        double fdw_cycles, MeasureInputs& in);

// The response file (and the impulse, when impulse is given) written, then the figures printed.
int WriteMeasurement(const measure::SweepMeasurement& m, const MeasureInputs& in,
                     const std::string& out_path, const std::string& impulse_path,
                     const measure::SweepCapture* impulse, bool json);

// Checks every recording, measures, and only then writes the response (and the impulse when
// impulse_path is not empty); prints arrival, level and SNR. The exit code.
int MeasureAndWrite(const MeasureInputs& in, const std::string& out_path,
                    const std::string& impulse_path, bool json);

}  // namespace tolva::cli
