#include "ui/scene_wnd.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "base/debug_print.h"
#include "device/records.h"
#include "model/equalizer_manager.h"
#include "model/scene_names.h"
#include "ui/kit/controls.h"
#include "ui/kit/message_types.h"
#include "ui/kit/qt_text.h"
#include "ui/kit/qt_window_sink.h"
#include "ui/kit/theme.h"
#include "ui/msg_wnd.h"
#include "ui/window_dialogs.h"

namespace {

namespace theme = tolva::kit::theme;
namespace msg = tolva::kit::msgtype;
using tolva::model::kStoredScenes;

constexpr std::uint32_t kMsgSceneRead = 1236;  // the unit read a stored scene
constexpr int kListHeaderHeight = 25;
constexpr std::size_t kNameCharacters = 7;  // a 16-byte UTF-16 slot with its terminating zero

struct ModeTexts {
  const char* title;
  const char* confirm;
  const char* log;
};

ModeTexts TextsOf(CSceneWnd::Mode mode) {
  switch (mode) {
    case CSceneWnd::Mode::kSave:
      return {"${save_as_scene}", "${save}", "SENCE_SAVE id = %d\n"};
    case CSceneWnd::Mode::kDelete:
      return {"${delete_scene}", "${delete}", "SENCE_DELETE id = %d\n"};
    default:
      return {"${load_scene}", "${load}", "SENCE_LOAD id = %d\n"};
  }
}

}  // namespace

CSceneWnd::CSceneWnd(QWidget* owner, tolva::model::EqualizerManager& manager, Mode mode)
    : CDialogWnd(owner, "scenewnd", "SceneWnd"), manager_(manager), mode_(mode) {
  const ModeTexts texts = TextsOf(mode);
  SetTitle(QString::fromLatin1(texts.title));
  auto* header = new QWidget(this);
  header->setObjectName(QStringLiteral("list_header"));
  header->setFixedHeight(theme::Scaled(owner, kListHeaderHeight));
  Content()->addWidget(header);
  auto* list = new QListWidget(this);
  list->setObjectName(QStringLiteral("listview"));
  list->setMinimumHeight(theme::Scaled(owner, 24 * kStoredScenes));
  Content()->addWidget(list);
  AddButton("confirm_btn", QString::fromLatin1(texts.confirm));
  AddButton("cancel_btn", QStringLiteral("${exit}"));
  FinishLayout();
  sink_ = tolva::kit::QtWindowSink::Create(
      this, [this](tolva::device::Notification& n) { OnMessage(n); });
  RefreshRows();
}

CSceneWnd::~CSceneWnd() = default;

bool CSceneWnd::Confirm(const std::string& text) {
  return ShowChoiceDialog(this, QStringLiteral("${tips}"), QString::fromStdString(text),
                          {QStringLiteral("${confirm}"), QStringLiteral("${cancel}")}) ==
         tolva::kit::kResultConfirm;
}

bool CSceneWnd::AskName(std::string& name) {
  QString text = QString::fromStdString(name);
  if (ShowNameDialog(this, text, kNameCharacters) != tolva::kit::kResultConfirm) return false;
  name = text.toStdString();
  return true;
}

void CSceneWnd::ShowMessage(const std::string& text) {
  ::ShowMessageBox(this, QString::fromStdString(text), QStringLiteral("${tips}"));
}

void CSceneWnd::RefreshRows() {
  tolva::kit::List* list = Surface().FindList("listview");
  if (list == nullptr) return;
  const int selected = list->CurSel();
  list->RemoveAll();
  for (int row = 0; row < kStoredScenes; ++row) {
    const std::u16string name = tolva::model::SceneName(manager_.Unit().sceneName[row]);
    list->AddItem(std::to_string(row + 1) + "   " + tolva::model::Utf8Of(name), row);
  }
  if (selected >= 0) list->SelectItem(selected);
}

std::shared_ptr<tolva::device::NotificationSink> CSceneWnd::Sink() {
  return sink_;
}

void CSceneWnd::OnNotify(const tolva::kit::ControlNotify& n) {
  if (n.type == msg::kClick && SameName(n.name, "confirm_btn")) {
    DebugPrint(L"Click confirm_btn\n");
    RunOnSelectedRow();
    return;
  }
  if (n.type == msg::kItemActivate && n.name == "listview") {
    RunOnSelectedRow();
    return;
  }
  if (n.type == msg::kClick && SameName(n.name, "cancel_btn")) DebugPrint(L"Click cancel_btn\n");
  CDialogWnd::OnNotify(n);
}

void CSceneWnd::RunOnSelectedRow() {
  const tolva::kit::List* list = Surface().FindList("listview");
  const int row = list != nullptr ? list->CurSel() : -1;
  DebugPrint(TextsOf(mode_).log, row);
  if (row < 0 || row >= kStoredScenes) return;
  switch (mode_) {
    case Mode::kLoad:
      manager_.LoadSence(*this, row + 1);
      break;
    case Mode::kSave:
      manager_.SaveSence(*this, row + 1);
      break;
    case Mode::kDelete:
      manager_.DeleteSence(*this, row + 1);
      break;
  }
}

void CSceneWnd::OnMessage(tolva::device::Notification& n) {
  switch (n.message) {
    case tolva::kit::kMsgBusyOpen:
      busy_.Open();
      break;
    case tolva::kit::kMsgBusyClose:
    case tolva::device::MSG_SCENE_DELETED:
    case kMsgSceneRead:
      busy_.Close();
      break;
    case tolva::device::MSG_SCENE_VALUE:  // the unit saved the scene
      busy_.Close();
      ShowMessage(tolva::kit::Resolve("${save_scene_ok}").toStdString());
      break;
    default:
      break;
  }
}

void ShowSceneWindow(QWidget* owner, tolva::model::EqualizerManager& manager,
                     CSceneWnd::Mode mode) {
  const char* names[] = {"EqualizerManager::LoadSenceConfigFromDSP",
                         "EqualizerManager::SaveSenceConfigToDSP",
                         "EqualizerManager::DeleteDSPSenceConfig"};
  DebugPrint("%s\n", names[static_cast<int>(mode)]);
  CSceneWnd window(owner, manager, mode);
  window.Run();
}
