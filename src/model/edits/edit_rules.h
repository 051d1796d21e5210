#pragma once

#include <string_view>

#include "model/profile/profile.h"

// The value rules of the editing operations: how typed text is read, where values are limited
// and how the step buttons move. Pure functions, no screen and no unit.
namespace tolva::model {

inline constexpr float kMinQ = 0.5f;
inline constexpr float kMaxQ = 9.0f;
inline constexpr float kMaxDelayMs = 15.0f;
inline constexpr int kCentimetresAt15Ms = 519;
inline constexpr int kInchesAt15Ms = 204;
inline constexpr int kDelayStepMicroseconds = 21;  // about one sample at 48 kHz
inline constexpr int kInitialMixTrim = 100;
inline constexpr int kFrequencySteps = 200;  // the step buttons' scale: 201 points, 3 decades

// The steps the unit holds: Q and gain in tenths, the delay in whole microseconds; the nearest.
float NearestTenthStep(double value);
float NearestDelayStep(double ms);

// Text that begins with a number (blanks, a sign, then a digit or a decimal point and a digit).
// A box holding anything else keeps the value it showed: letters or an empty box are no 0.
bool HoldsNumber(std::string_view text);
// Integer text as the platform reads it: optional sign and leading digits; no digits → 0.
int ParseInteger(std::string_view text);
// Real text: leading number as strtod reads it, with a decimal comma read as a point; none → 0.
double ParseReal(std::string_view text);
// Frequency text: "1K2" is 1200, "1K25" 1250, "2k" 2000 (the letter stands for the decimal
// point of thousands) and "2.5k" 2500; to the nearest hertz.
int ParseFrequency(std::string_view text);

// A Q or a gain as the unit holds it: to the nearest tenth.
float InUnitTenths(double value);

// The next point of the logarithmic 20 Hz … 20 kHz step scale up or down from f.
int StepFrequency(int f, bool up);

// The sum of |gain| over the channel's bands in use is below 0.01 dB.
bool IsFlat(const ChannelSettings& channel);

// The gain the graph shows for a band: 0 for a disabled band or a bypassed output.
float GraphGain(const ChannelSettings& channel, int band);
// Where the band's gain slider stands: GraphGain in tenths of a dB.
int ShownGainTenths(const ChannelSettings& channel, int band);
// The band's enable mark: enabled, not exactly 0 dB, on an output that is not bypassed.
bool BandMarked(const ChannelSettings& channel, int band);

// Delay edit values: the unit's milliseconds from what an edit shows in unit 0 (ms), 1 (cm) or
// 2 (inch), with the edit's range applied; and the value an edit holds for ms.
double DelayEditLimit(double value, int unit);
float DelayMsFromEdit(double value, int unit);

}  // namespace tolva::model
