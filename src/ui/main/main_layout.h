#pragma once

#include "model/profile/control_ranges.h"

class QWidget;

namespace tolva::ui {

// Main volume slider range: every value the unit reports (a signed byte) up to the loudest
// setting its command can carry (6 - volume must not be negative).
inline constexpr int kMainVolumeMin = model::kMainVolumeSliderMin;
inline constexpr int kMainVolumeMax = model::kMainVolumeSliderMax;

// The main window's layout ("XML_MAIN", 1230 x 650 at 100 %): title bar, car picture and
// master section, graph, crossover and output-group panel, the six strips and the band rows.
void BuildMainLayout(QWidget* root);

}  // namespace tolva::ui
