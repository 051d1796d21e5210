#pragma once

// The ranges of the main window's sliders. The editing operations clamp to what a slider
// holds, so everything that edits without a window (the command-line tool, filter import)
// needs the same numbers.
namespace tolva::model {

inline constexpr int kBandGainSliderMin = -180;  // tenths of a dB
inline constexpr int kBandGainSliderMax = 120;
inline constexpr int kChannelVolumeSliderMin = -128;  // dB
inline constexpr int kChannelVolumeSliderMax = 0;
inline constexpr int kMainVolumeSliderMin = -128;  // dB
inline constexpr int kMainVolumeSliderMax = 6;
inline constexpr int kDelaySliderMax = 15000;  // microseconds

inline constexpr double kBandGainMinDb = kBandGainSliderMin / 10.0;
inline constexpr double kBandGainMaxDb = kBandGainSliderMax / 10.0;

}  // namespace tolva::model
