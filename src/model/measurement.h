#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dsp_math/channel_response.h"

// A measured response as REW exports it (text or FRD): frequency, level and maybe phase per
// line, "*" comments. Strings only; the window reads the file.
namespace tolva::model {

struct Measurement {
  std::vector<double> freq;   // Hz, ascending
  std::vector<double> level;  // dB
};

struct MeasurementText {
  Measurement measurement;
  std::string error;  // "line N: ..." when the text is refused
};

MeasurementText ParseMeasurementText(std::string_view text);

// The level on the response grid, interpolated on the log-frequency axis; NaN outside the
// measured range, so a curve is drawn only where there was a measurement.
dsp::Curve MeasurementOnGrid(const Measurement& m, const dsp::Curve& grid);

}  // namespace tolva::model
