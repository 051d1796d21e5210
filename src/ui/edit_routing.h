#pragma once

#include "ui/kit/control_surface.h"

namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

// The main window's notifications that edit a value, routed to the manager's editing
// operations: clicks, option changes, sliders, spin buttons, committed edits, focus, combo
// selections and drags on the graph. Rows are tried in order and the first match wins. Returns
// true when the notification was routed.
bool RouteEditNotification(model::EqualizerManager& manager, kit::ControlSurface& surface,
                           const kit::ControlNotify& notify);

}  // namespace tolva::ui
