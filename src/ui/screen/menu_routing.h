#pragma once

#include <functional>
#include <string>

#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/menu_record.h"

class CMainWnd;
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui {

// The main window's popup menus: a click on a menu button opens its menu with the items' state
// for the moment (returns true), and a chosen item runs its operation.
bool OpenMenuOfButton(CMainWnd& window, model::EqualizerManager& manager,
                      const kit::ControlNotify& notify);
// Asked with a chosen profile file before it replaces the live settings (whole: a .wpf); false
// keeps them and sends nothing.
using FileLoadGuard = std::function<bool(const std::string& path, bool whole)>;
void RouteMenuClick(CMainWnd& window, model::EqualizerManager& manager,
                    const kit::MenuClickRecord& item, const FileLoadGuard& may_load = {});

}  // namespace tolva::ui
