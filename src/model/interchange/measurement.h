#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dsp_math/channel_response.h"
#include "model/interchange/text_problem.h"

// A measured response as REW exports it (text or FRD): frequency, level and maybe phase per
// line, between spaces, tabs, semicolons or commas; "*" comments. Decimal commas are refused
// with the line. Strings only; the window reads the file.
namespace tolva::model {

struct Measurement {
  std::vector<double> freq;   // Hz, ascending
  std::vector<double> level;  // dB
};

struct MeasurementText {
  Measurement measurement;
  TextProblem error;  // set when the text is refused
};

MeasurementText ParseMeasurementText(std::string_view text);

// The level on the response grid, interpolated on the log-frequency axis; NaN outside the
// measured range, so a curve is drawn only where there was a measurement.
dsp::Curve MeasurementOnGrid(const Measurement& m, const dsp::Curve& grid);

// The band whose mean level is put at 0 dB of the equalizer graph: a measurement sits at some
// 60-90 dB SPL, and the graph shows ±15 dB around its 0 dB line.
inline constexpr double kReferenceLowHz = 200.0;
inline constexpr double kReferenceHighHz = 2000.0;
// MeasurementOnGrid shifted so that its mean over the reference band (the log-spaced grid points
// in it) is 0 dB; over every measured point when none lies in that band.
dsp::Curve MeasurementAtGraphLevel(const Measurement& m, const dsp::Curve& grid);

}  // namespace tolva::model
