#include "ui/windows/scene_wnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "base/debug_print.h"
#include "device/protocol/records.h"
#include "model/manager/equalizer_manager.h"
#include "model/profile/scene_names.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/widgets/theme.h"
#include "ui/windows/msg_wnd.h"
#include "ui/main/widget_builders.h"
#include "ui/windows/window_dialogs.h"

namespace {

namespace theme = tolva::kit::theme;
namespace msg = tolva::kit::msgtype;
using tolva::model::kStoredScenes;
using tolva::ui::ShowChoiceDialog;
using tolva::ui::ShowNameDialog;

constexpr std::uint32_t kMsgSceneRead = 1236;  // the unit read a stored scene
constexpr int kListHeaderHeight = 26;
constexpr int kRowHeight = 28;
constexpr int kNumberColumnWidth = 64;
constexpr int kCellPadding = 10;
constexpr int kEmptySlotRole = Qt::UserRole + 1;

struct ModeTexts {
  const char* title;
  const char* confirm;
  const char* log;
  const char* hint;
};

ModeTexts TextsOf(CSceneWnd::Mode mode) {
  switch (mode) {
    case CSceneWnd::Mode::kSave:
      return {"${save_as_scene}", "${save}", "SENCE_SAVE id = %d\n", "${scene_save_hint}"};
    case CSceneWnd::Mode::kDelete:
      return {"${delete_scene}", "${delete}", "SENCE_DELETE id = %d\n", "${scene_delete_hint}"};
    default:
      return {"${load_scene}", "${load}", "SENCE_LOAD id = %d\n", "${scene_load_hint}"};
  }
}

// A row in two columns under the header's two labels: the slot's number and its name, an empty
// slot in the theme's dim text.
class SceneRowDelegate final : public QStyledItemDelegate {
 public:
  explicit SceneRowDelegate(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), theme::Scaled(list_, kRowHeight));
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    list_->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, list_);

    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool empty = index.data(kEmptySlotRole).toBool();
    const QPalette& palette = list_->palette();
    painter->save();
    // Not the placeholder role: the style sheet makes it half-transparent, too faint to read.
    painter->setPen(selected ? palette.color(QPalette::HighlightedText)
                    : empty  ? theme::DimText()
                             : palette.color(QPalette::Text));
    const int pad = theme::Scaled(list_, kCellPadding);
    const int number_width = theme::Scaled(list_, kNumberColumnWidth);
    const QRect row = option.rect;
    const QRect number(row.left() + pad, row.top(), number_width - pad, row.height());
    const QRect name(row.left() + number_width, row.top(), row.width() - number_width - pad,
                     row.height());
    painter->setFont(cell.font);
    painter->drawText(number, Qt::AlignLeft | Qt::AlignVCenter, text.left(tab));
    QFont name_font = cell.font;
    name_font.setItalic(empty);
    painter->setFont(name_font);
    const QString shown =
        QFontMetrics(name_font).elidedText(text.mid(tab + 1), Qt::ElideRight, name.width());
    painter->drawText(name, Qt::AlignLeft | Qt::AlignVCenter, shown);
    painter->restore();
  }

 private:
  QListWidget* list_;
};

}  // namespace

CSceneWnd::CSceneWnd(QWidget* owner, tolva::model::EqualizerManager& manager, Mode mode)
    : CDialogWnd(owner, "scenewnd", "SceneWnd"), manager_(manager), mode_(mode) {
  const ModeTexts texts = TextsOf(mode);
  SetTitle(QString::fromLatin1(texts.title));
  SetHint(QString::fromLatin1(texts.hint));
  auto* table = new QVBoxLayout();
  table->setSpacing(0);
  auto* header = new QFrame(this);
  header->setObjectName(QStringLiteral("list_header"));
  header->setProperty("role", "listHeader");
  theme::FixSize(header, -1, kListHeaderHeight);
  auto* columns = new QHBoxLayout(header);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);
  QLabel* number = tolva::ui::MakeLabel(header, QStringLiteral("scene_number_header"),
                                        QStringLiteral("${scene_number}"), "header");
  theme::FixSize(number, kNumberColumnWidth, -1);
  number->setIndent(theme::Scaled(owner, kCellPadding));
  columns->addWidget(number);
  columns->addWidget(tolva::ui::MakeLabel(header, QStringLiteral("scene_name_header"),
                                          QStringLiteral("${scene_name}"), "header"),
                     1);
  table->addWidget(header);
  auto* list = new QListWidget(this);
  list->setObjectName(QStringLiteral("listview"));
  list->setItemDelegate(new SceneRowDelegate(list));
  list->setUniformItemSizes(true);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Every slot in view: the list is sized for its rows at the window's scale.
  theme::FixSize(list, -1, kRowHeight * kStoredScenes + 2);
  table->addWidget(list);
  Content()->addLayout(table);
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
  if (ShowNameDialog(this, text) != tolva::kit::kResultConfirm) return false;
  name = text.toStdString();
  return true;
}

void CSceneWnd::ShowMessage(const std::string& text) {
  tolva::ui::ShowMessageBox(this, QString::fromStdString(text), QStringLiteral("${tips}"));
}

void CSceneWnd::RefreshRows() {
  tolva::kit::List* list = Surface().FindList("listview");
  if (list == nullptr) return;
  const int selected = list->CurSel();
  list->RemoveAll();
  auto* rows = findChild<QListWidget*>(QStringLiteral("listview"));
  for (int row = 0; row < kStoredScenes; ++row) {
    const std::u16string name = tolva::model::SceneName(manager_.Unit().sceneName[row]);
    const std::string shown =
        name.empty() ? tolva::kit::Resolve(QStringLiteral("${scene_empty}")).toStdString()
                     : tolva::model::Utf8Of(name);
    // Number and name in the delegate's two columns.
    list->AddItem(std::to_string(row + 1) + "\t" + shown, row);
    rows->item(row)->setData(kEmptySlotRole, name.empty());
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
    case tolva::model::MSG_SCENE_ROWS_CHANGED:
      RefreshRows();
      break;
    case tolva::device::MSG_SCENE_VALUE:  // the unit saved the scene
      busy_.Close();
      // Said as the main window says "Profile saved.", in its own dialog.
      ShowChoiceDialog(this, QStringLiteral("${tips}"), tolva::kit::Resolve("${save_scene_ok}"),
                       {QStringLiteral("${confirm}")});
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
