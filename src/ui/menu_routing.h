#pragma once

#include "ui/kit/control_surface.h"
#include "ui/kit/menu_record.h"

class CMainWnd;
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

// The main window's popup menus: a click on a menu button opens its menu with the items' state
// for the moment (returns true), and a chosen item runs its operation.
bool OpenMenuOfButton(CMainWnd& window, model::EqualizerManager& manager,
                      const kit::ControlNotify& notify);
void RouteMenuClick(CMainWnd& window, model::EqualizerManager& manager,
                    const kit::MenuClickRecord& item);

}  // namespace tolva::ui
