#include "ui/windows/msg_wnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "model/profile/scene_names.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace tolva::ui {

namespace kit = tolva::kit;

CMsgWnd::CMsgWnd(QWidget* owner) : CDialogWnd(owner, "msgwnd", "MsgWnd") {
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QStringLiteral("${cancel}"));
  AddButton("third_btn", QString())->hide();
  FinishLayout();
}

void CMsgWnd::SetButtons(const QStringList& raw_texts) {
  if (raw_texts.isEmpty()) return;
  auto* confirm = findChild<kit::CSButtonUI*>("confirm_btn");
  auto* cancel = findChild<kit::CSButtonUI*>("cancel_btn");
  auto* third = findChild<kit::CSButtonUI*>("third_btn");
  kit::SetWidgetText(confirm, raw_texts[0]);
  if (raw_texts.size() < 2) {
    cancel->hide();
  } else {
    kit::SetWidgetText(cancel, raw_texts[1]);
  }
  if (raw_texts.size() >= 3) {
    kit::SetWidgetText(third, raw_texts[2]);
    third->show();
  }
}

CMsgCheckBoxWnd::CMsgCheckBoxWnd(QWidget* owner) : CDialogWnd(owner, "msgcbwnd", "MsgCheckBoxWnd") {
  for (int i = 0; i < 2; ++i) {
    Content()->addWidget(tolva::ui::MakeOption(
        this, QString::asprintf("check_box_%d", i),
        i == 0 ? QStringLiteral("${copy_left_to_right}") : QStringLiteral("${copy_right_to_left}"),
        -1, 28, i));
  }
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QStringLiteral("${cancel}"));
  AddButton("third_btn", QString())->hide();
  FinishLayout();
}

void CMsgCheckBoxWnd::SetOptions(const QString& raw0, const QString& raw1) {
  if (raw0.isEmpty() || raw1.isEmpty()) return;
  kit::SetWidgetText(findChild<QWidget*>("check_box_0"), raw0);
  kit::SetWidgetText(findChild<QWidget*>("check_box_1"), raw1);
}

void CMsgCheckBoxWnd::OnNotify(const kit::ControlNotify& notify) {
  kit::Option* first = Surface().FindOption("check_box_0");
  kit::Option* second = Surface().FindOption("check_box_1");
  if (notify.type == kit::msgtype::kSelectChanged) {
    // The two choices exclude each other.
    kit::Option* other = notify.name == "check_box_0" ? second : first;
    kit::Option* self = notify.name == "check_box_0" ? first : second;
    if (self->IsSelected()) other->SetSelected(false);
    return;
  }
  if (notify.type == kit::msgtype::kClick && SameName(notify.name, "confirm_btn")) {
    if (first->IsSelected()) {
      done(kit::kResultConfirm);
    } else if (second->IsSelected()) {
      done(kit::kResultThird);
    }
    return;  // neither selected: stays open
  }
  CDialogWnd::OnNotify(notify);
}

CNameMsgWnd::CNameMsgWnd(QWidget* owner) : CDialogWnd(owner, "namemsgwnd", "NameMsgWnd") {
  auto* row = new QHBoxLayout();
  tolva::kit::theme::SetLayoutMetrics(row, 0, 8);
  row->addWidget(
      tolva::ui::MakeLabel(this, QStringLiteral("name_label"), QStringLiteral("${scene_name}")));
  QLineEdit* edit = tolva::ui::MakeEdit(this, QStringLiteral("name_edt"), QString(), -1, 28);
  edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  row->addWidget(edit, 1);
  Content()->addLayout(row);
  QLabel* note = tolva::ui::MakeLabel(this, QStringLiteral("name_note"), QString(), "hint");
  note->setWordWrap(true);
  Content()->addWidget(note);
  SetTitle(QStringLiteral("${scene_name_title}"));
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QStringLiteral("${cancel}"));
  AddButton("third_btn", QString())->hide();
  FinishLayout();
  connect(edit, &QLineEdit::textChanged, this, &CNameMsgWnd::ShowWhatIsKept);
  ShowWhatIsKept();
}

void CNameMsgWnd::SetName(const QString& name) {
  findChild<QLineEdit*>("name_edt")->setText(name);
}

QString CNameMsgWnd::Name() const {
  return findChild<QLineEdit*>("name_edt")->text();
}

QString CNameMsgWnd::KeptName() const {
  const QString typed = Name();
  const std::u16string kept = tolva::model::SceneNameAsKept(
      std::u16string(reinterpret_cast<const char16_t*>(typed.utf16()),
                     static_cast<std::size_t>(typed.size())));
  return QString::fromUtf16(kept.data(), static_cast<qsizetype>(kept.size()));
}

void CNameMsgWnd::ShowWhatIsKept() {
  const QString typed = Name();
  const QString kept = KeptName();
  const std::string limit = std::to_string(tolva::model::kSceneNameChars);
  const std::string kept_text = kept.toStdString();
  const auto filled = [](const char* key, std::initializer_list<std::string_view> values) {
    return QString::fromStdString(
        tolva::model::FillPlaceholders(kit::Resolve(QLatin1String(key)).toStdString(), values));
  };
  QString text;
  const char* role = "warning";
  if (kept == typed) {
    text = filled("${scene_name_limit}", {limit});
    role = "hint";
  } else if (typed.startsWith(kept)) {
    text = filled("${scene_name_cut}", {limit, kept_text});
  } else {
    text = filled("${scene_name_replaced}", {kept_text});
  }
  auto* note = findChild<QLabel*>(QStringLiteral("name_note"));
  note->setText(text);
  if (note->property("role").toString() != QLatin1String(role)) {
    note->setProperty("role", role);
    note->style()->unpolish(note);
    note->style()->polish(note);
  }
}

void CNameMsgWnd::showEvent(QShowEvent* event) {
  CDialogWnd::showEvent(event);
  auto* edit = findChild<QLineEdit*>("name_edt");
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

void CNameMsgWnd::OnNotify(const kit::ControlNotify& notify) {
  if (notify.type == kit::msgtype::kReturn && notify.name == "name_edt") {
    done(kit::kResultConfirm);
    return;
  }
  CDialogWnd::OnNotify(notify);
}

int ShowMessageDialog(QWidget* owner, const QString& title, const QString& text) {
  CMsgWnd dialog(owner);
  dialog.SetTitle(title);
  dialog.SetText(text);
  return dialog.Run();
}

int ShowChoiceDialog(QWidget* owner, const QString& title, const QString& text,
                     const QStringList& buttons) {
  CMsgWnd dialog(owner);
  dialog.SetTitle(title);
  dialog.SetText(text);
  dialog.SetButtons(buttons);
  return dialog.Run();
}

int ShowCheckDialog(QWidget* owner, const QString& title, const QString& text,
                    const QString& option0, const QString& option1) {
  CMsgCheckBoxWnd dialog(owner);
  dialog.SetTitle(title);
  dialog.SetText(text);
  dialog.SetOptions(option0, option1);
  return dialog.Run();
}

int ShowNameDialog(QWidget* owner, QString& name) {
  CNameMsgWnd dialog(owner);
  dialog.SetName(name);
  const int result = dialog.Run();
  if (result == kit::kResultConfirm) name = dialog.KeptName();
  return result;
}

}  // namespace tolva::ui
