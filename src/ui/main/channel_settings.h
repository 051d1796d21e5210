#pragma once

#include "model/profile/control_ranges.h"

class QWidget;

namespace tolva::ui {

inline constexpr int kChannelStrips = 6;
// Slider ranges: each holds every value the unit can report (channel gain is a signed byte of
// 0 dB or below; delay in microseconds up to 15 ms).
inline constexpr int kChannelVolumeMin = model::kChannelVolumeSliderMin;
inline constexpr int kChannelVolumeMax = model::kChannelVolumeSliderMax;
inline constexpr int kDelayMaxMicroseconds = model::kDelaySliderMax;

// Builds the six output strips ("xml/channel_settings.xml") into the container
// "channel_settings".
void BuildChannelSettings(QWidget* container);

}  // namespace tolva::ui
