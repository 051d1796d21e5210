#include "ui/screen/menu_routing.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/config.h"
#include "base/debug_print.h"
#include "base/language_switch.h"
#include "model/manager/equalizer_manager.h"
#include "model/profile/speaker_roles.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/api/dialogs.h"
#include "ui/kit/api/message_types.h"
#include "ui/main/layouts.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/control_names.h"
#include "ui/screen/filter_exchange_actions.h"
#include "ui/screen/measurement_actions.h"
#include "ui/windows/about_wnd.h"
#include "ui/windows/auto_cal_wnd.h"
#include "ui/windows/measure_tune_wnd.h"
#include "ui/windows/scene_wnd.h"
#include "ui/windows/update_fw_wnd.h"

namespace tolva::ui {
namespace {

bool Starts(std::string_view name, std::string_view prefix) {
  return name.substr(0, prefix.size()) == prefix;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return QString::fromUtf8(a.data(), static_cast<int>(a.size()))
             .compare(QString::fromUtf8(b.data(), static_cast<int>(b.size())),
                      Qt::CaseInsensitive) == 0;
}

constexpr const char* kSceneFiles = "${scene_files_filter}";
constexpr const char* kWholeFiles = "${whole_files_filter}";

// A path from the open or save dialog titled as the menu item, logged; a save without an
// extension gets `extension`.
std::optional<std::string> AskPath(CMainWnd& window, bool save, const char* title,
                                   const char* filter, const char* extension) {
  std::optional<std::string> path = save ? window.Dialogs().GetSaveFileName(title, filter, "")
                                         : window.Dialogs().GetOpenFileName(title, filter);
  if (!path || path->empty()) return std::nullopt;
  if (save && std::filesystem::path(*path).extension().empty()) *path += extension;
  DebugPrint("GetOpenFileName %s ok\n", path->c_str());
  return path;
}

void EnableItems(kit::PopupMenu& menu, std::initializer_list<const char*> items, bool enabled) {
  for (const char* name : items) {
    if (kit::MenuItem* item = menu.FindItem(name)) item->SetEnabled(enabled);
  }
}

// The output menu: a tick on the roles some output holds, and only the roles the menu's output
// may take enabled.
void SetSubMenu(kit::PopupMenu& menu, const model::EqualizerManager& manager, int channel) {
  DebugPrint(L"on %s\n", "EqualizerManager::SetSubMenu");
  const auto states = manager.RoleMenuStates(channel);
  for (int role = 0; role < model::kSpeakerRoles; ++role) {
    kit::MenuItem* item = menu.FindItem(RoleMenuItem(role));
    if (item == nullptr) continue;
    item->SetIcon(states[role].held ? "right.png" : "");
    item->SetEnabled(states[role].enabled);
  }
}

}  // namespace

bool OpenMenuOfButton(CMainWnd& window, model::EqualizerManager& manager,
                      const kit::ControlNotify& n) {
  if (n.type != kit::msgtype::kClick) return false;
  const QString anchor = QString::fromStdString(n.name);
  const bool connected = manager.Link().IsDeviceOpen();
  if (Starts(n.name, "ch_output_btn")) {
    window.SetOutputMenuChannel(n.user_data);
    window.OpenPopupMenu(kMenuOutput, anchor,
                         [&manager, channel = n.user_data](kit::PopupMenu& menu) {
                           SetSubMenu(menu, manager, channel);
                         });
  } else if (n.name == "btn_option") {
    const bool measured = CurrentOutputHasMeasurement(window, manager);
    window.OpenPopupMenu(kMenuOption, anchor, [connected, measured](kit::PopupMenu& menu) {
      EnableItems(menu,
                  {"option_item_reset_default", "option_item_import_filters",
                   "option_item_export_filters"},
                  connected);
      EnableItems(menu, {"option_item_clear_overlay"}, measured);
    });
  } else if (n.name == "btn_scene") {
    window.OpenPopupMenu(kMenuScene, anchor, [connected](kit::PopupMenu& menu) {
      EnableItems(menu,
                  {"scene_item_load_scene", "scene_item_saveas_scene", "scene_item_delete_scene",
                   "scene_item_load_whole", "scene_item_save_whole"},
                  connected);
    });
  } else if (n.name == "btn_advance") {
    // Room correction and measuring talk to a unit that has been read, with the queue taking
    // commands.
    const bool read = manager.State() == model::ConnectState::kConnected;
    window.OpenPopupMenu(kMenuAdvance, anchor, [read](kit::PopupMenu& menu) {
      EnableItems(menu, {"advance_item_autocal", "advance_item_measure_tune"}, read);
    });
  } else {
    return false;
  }
  return true;
}

void RouteMenuClick(CMainWnd& window, model::EqualizerManager& manager,
                    const kit::MenuClickRecord& item, const FileLoadGuard& may_load) {
  const auto allowed = [&may_load](const std::string& path, bool whole) {
    return !may_load || may_load(path, whole);
  };
  DebugPrint("on menu click %s\n", item.name.c_str());
  const std::string& name = item.name;
  if (Starts(name, "output_menu") || Starts(name, "output_item")) {
    // A group heading is no role.
    if (const int role = RoleOfMenuItem(name); role >= 0) {
      manager.SetOutputRole(window.OutputMenuChannel(), role);
    }
  } else if (Starts(name, "option_item_firmware_upgrade")) {
    ShowUpdateWindow(&window, manager);
  } else if (name == "option_item_import_filters") {
    ImportFiltersForCurrentOutput(window, manager);
  } else if (name == "option_item_export_filters") {
    ExportFiltersOfCurrentOutput(window, manager);
  } else if (name == "option_item_overlay_measurement") {
    OverlayMeasurementOnCurrentOutput(window, manager);
  } else if (name == "option_item_clear_overlay") {
    ClearMeasurementOfCurrentOutput(window, manager);
  } else if (Starts(name, "option_item_reset_default")) {
    manager.ResetMcuFactoryDefault();
  } else if (Starts(name, "option_item_about")) {
    const model::Profile& live = manager.LiveProfile();
    ShowAboutDialog(&window, AboutInfo{live.modelId, live.deviceInfo[0], live.deviceInfo[1]});
  } else if (SameIgnoringCase(name, "option_item_language")) {
    SwitchLanguage(Languages(), ConfigIniPath(), [&window] { window.RetranslateAll(); });
  } else if (name == "scene_item_load_scene") {
    ShowSceneWindow(&window, manager, CSceneWnd::Mode::kLoad);
  } else if (name == "scene_item_saveas_scene") {
    ShowSceneWindow(&window, manager, CSceneWnd::Mode::kSave);
  } else if (name == "scene_item_delete_scene") {
    ShowSceneWindow(&window, manager, CSceneWnd::Mode::kDelete);
  } else if (name == "scene_item_load_file") {
    auto path = AskPath(window, false, "${load_file}", kSceneFiles, "");
    if (path && allowed(*path, false)) manager.LoadSenceConfigFromFile(*path);
  } else if (name == "scene_item_save_file") {
    if (auto path = AskPath(window, true, "${save_file}", kSceneFiles, ".spf"))
      manager.SaveSenceConfigToFile(*path);
  } else if (name == "scene_item_load_whole") {
    auto path = AskPath(window, false, "${load_whole}", kWholeFiles, "");
    if (path && allowed(*path, true)) manager.LoadWholeConfigFromFile(*path);
  } else if (name == "scene_item_save_whole") {
    if (auto path = AskPath(window, true, "${save_whole}", kWholeFiles, ".wpf"))
      manager.SaveWholeConfigToFile(*path);
  } else if (name == "advance_item_autocal") {
    manager.ReadAgainAfterRoomCorrection(ShowAutoCalWindow(&window, manager));
  } else if (name == "advance_item_measure_tune") {
    ShowMeasureTuneWindow(&window, manager);
  }
}

}  // namespace tolva::ui
