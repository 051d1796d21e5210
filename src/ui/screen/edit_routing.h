#pragma once

#include "ui/kit/api/control_surface.h"

namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

class EditPresenter;

// The main window's notifications that edit a value, routed to the presenter's handlers (and
// the manager's output operations): clicks, option changes, sliders, spin buttons, committed
// edits, focus, combo selections. Drags on the graph come by value (ManagerBinding). Rows are
// tried in order and the first match wins. Returns true when the notification was routed.
bool RouteEditNotification(model::EqualizerManager& manager, EditPresenter& presenter,
                           kit::ControlSurface& surface, const kit::ControlNotify& notify);

}  // namespace tolva::ui
