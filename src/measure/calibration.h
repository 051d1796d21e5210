#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/response.h"

// Microphone calibration files: rows of frequency and dB (a phase column may follow and is not
// used), as REW reads them, optionally opened by a USB microphone's quoted first line
// `"Sens Factor =-1.378dB, SERNO: 7001234"`. Applied as measured minus calibration.
namespace tolva::measure {

struct Calibration {
  std::vector<double> freq;  // Hz, ascending
  std::vector<double> db;
  std::optional<double> sensitivity_db;  // the Sens Factor, when the file gives one
  std::string serial;
};

struct CalibrationText {
  Calibration calibration;
  std::string error;  // why the text was refused, with its line; empty when read
};

CalibrationText ParseCalibration(std::string_view text);

// The calibration at f, interpolated on the log-frequency axis; the end values are held
// beyond the file's range.
double CalibrationAt(const Calibration& cal, double f);

void ApplyCalibration(Response& response, const Calibration& cal);

}  // namespace tolva::measure
