#pragma once

// The limits of the values the user edits. The editing operations clamp to them, whoever edits
// (the window, the command-line tool, filter import); the window's sliders take their ranges
// from them and never decide a limit themselves.
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
