#include "ui/screen/tuning_actions.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <filesystem>

#include "model/files/difference_text.h"
#include "model/manager/equalizer_manager.h"
#include "model/files/profile_files.h"
#include "model/edits/profile_transition.h"
#include "model/tuning/speaker_protection.h"
#include "ui/windows/differences_wnd.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/api/dialogs.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/main_wnd.h"

namespace tolva::ui {
namespace {

namespace msg = kit::msgtype;

const QList<QKeySequence> kUndoKeys{QKeySequence(Qt::CTRL | Qt::Key_Z)};
const QList<QKeySequence> kRedoKeys{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                    QKeySequence(Qt::CTRL | Qt::Key_Y)};
const QList<QKeySequence> kSwitchKeys{QKeySequence(Qt::Key_F9)};

// The edit boxes keep their own text undo for every other key: undo, redo and the A/B key are
// the window's even while a box has the focus.
class WindowKeysFirst final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (const auto* keys : {&kUndoKeys, &kRedoKeys, &kSwitchKeys}) {
      if (keys->contains(pressed)) {
        event->ignore();  // not overridden: the window's shortcut runs
        return true;
      }
    }
    return false;
  }
};

bool IsWholeFile(const std::string& path) {
  return std::filesystem::path(path).extension() == ".wpf";
}

// A profile file; its live settings are what it would load.
model::ProfileReadResult ReadFile(const std::string& path, bool whole, model::UnitSettings& out) {
  return whole ? model::ReadWholeProfile(path, out) : model::ReadSceneProfile(path, out.live);
}

}  // namespace

TuningActions::TuningActions(CMainWnd& window, model::EqualizerManager& manager)
    : window_(window), manager_(manager), key_filter_(std::make_unique<WindowKeysFirst>()) {
  for (QLineEdit* edit : window_.findChildren<QLineEdit*>()) {
    edit->installEventFilter(key_filter_.get());
  }
  InstallShortcuts();
}

TuningActions::~TuningActions() {
  for (QAction* action : actions_) delete action;
}

void TuningActions::InstallShortcuts() {
  const auto add = [this](const QList<QKeySequence>& keys, void (TuningActions::*run)()) {
    auto* action = new QAction(&window_);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, action, [this, run] {
      (this->*run)();
      AfterMessage();
    });
    window_.addAction(action);
    actions_.push_back(action);
  };
  add(kUndoKeys, &TuningActions::Undo);
  add(kRedoKeys, &TuningActions::Redo);
  add(kSwitchKeys, &TuningActions::SwitchSide);
}

model::Profile& TuningActions::Live() {
  return manager_.LiveProfile();
}

model::SafeTuning& TuningActions::Tuning() {
  return manager_.Tuning();
}

const model::TuningSession& TuningActions::Session() const {
  return manager_.Tuning().Session();
}

void TuningActions::OnControlNotify(const kit::ControlNotify& n,
                                    const std::function<void()>& route) {
  // Inside another edit (a question or dialog it opened): part of that edit.
  if (Tuning().Editing() || n.name == "btnConnect") {
    route();
  } else if (n.type == msg::kEqualizerPress) {
    BeginGesture(n.name);
  } else if (n.type == msg::kEqualizerRelease) {
    EndGesture();
  } else {
    // A slider dragged is one step from its first move to its release.
    if (n.type == msg::kMoveValueChanged && gesture_ != n.name) {
      EndGesture();
      BeginGesture(n.name);
    }
    Tuning().Edit(route, true);
    if (n.type == msg::kValueChanged && gesture_ == n.name) EndGesture();
  }
  AfterMessage();
}

void TuningActions::OnValueEdit(const std::function<void()>& edit) {
  Tuning().Edit(edit, true);
  AfterMessage();
}

bool TuningActions::OnMenuItem(const std::string& name) {
  if (name == "option_item_undo") {
    Undo();
  } else if (name == "option_item_redo") {
    Redo();
  } else if (name == "option_item_compare_ab") {
    SwitchSide();
  } else if (name == "option_item_compare_file") {
    CompareWithFile();
  } else {
    return false;
  }
  AfterMessage();
  return true;
}

void TuningActions::OnManagerMenuItem(const std::string& name, const std::function<void()>& route) {
  if (name == "scene_item_load_scene") {
    Tuning().Unit(route);
  } else {
    // A role change is asked about before it is sent; a file is asked about before it is read
    // into the model (MayLoadFile).
    Tuning().Edit(route, name.rfind("output_", 0) == 0);
  }
  AfterMessage();
}

bool TuningActions::MayLoadFile(const std::string& path, bool whole) {
  auto file = std::make_unique<model::UnitSettings>();
  if (ReadFile(path, whole, *file) != model::ProfileReadResult::kOk) return true;  // the load itself says why
  return Tuning().MayReplaceLive(file->live);
}

void TuningActions::BeginGesture(const std::string& control) {
  gesture_ = control;
  Tuning().BeginGesture();
}

void TuningActions::EndGesture() {
  if (!gesture_) return;
  gesture_.reset();
  Tuning().EndGesture();
}

void TuningActions::Undo() {
  Tuning().Undo();
}

void TuningActions::Redo() {
  Tuning().Redo();
}

void TuningActions::SwitchSide() {
  if (Tuning().SwitchSide()) ShowSide();
}

void TuningActions::CompareWithFile() {
  const std::optional<std::string> path = window_.Dialogs().GetOpenFileName(
      "${compare_file}", "${profile_files_filter}");
  if (!path || path->empty()) return;
  auto file = std::make_unique<model::UnitSettings>();
  if (const auto result = ReadFile(*path, IsWholeFile(*path), *file); result != model::ProfileReadResult::kOk) {
    window_.Dialogs().ShowMessageBox(model::MessageOf(result), "${tips}");
    return;
  }
  const std::vector<model::DifferenceRow> rows = model::DescribeDifferences(Live(), file->live);
  if (rows.empty()) {
    window_.Dialogs().ShowMessageBox("${compare_file_same}", "${tips}");
    return;
  }
  ShowDifferencesWindow(&window_, std::filesystem::path(*path).filename().string(), rows);
}

void TuningActions::AfterMessage() {
  // A unit connected again ended the comparison (the manager cleared the steps and B).
  if (!Tuning().InGesture()) gesture_.reset();
  ShowSide();
  ShowMarks();
}

void TuningActions::PrepareOptionMenu(kit::PopupMenu& menu) {
  const auto enable = [&menu](const char* name, bool enabled) {
    if (kit::MenuItem* item = menu.FindItem(name)) item->SetEnabled(enabled);
  };
  const model::TuningSession& session = manager_.Tuning().Session();
  const bool busy = manager_.Tuning().Busy();
  enable("option_item_undo", !busy && session.History().CanUndo());
  enable("option_item_redo", !busy && session.History().CanRedo());
  enable("option_item_compare_ab", !busy);
  if (kit::MenuItem* item = menu.FindItem("option_item_compare_ab")) {
    item->SetIcon(session.Comparing() ? "right.png" : "");
  }
}

void TuningActions::ShowMarks() {
  std::vector<bool> marked(model::kOutputChannels, false);
  for (const model::TweeterWarning& w : model::UnprotectedTweeters(Live())) marked[w.output] = true;
  if (marked == marked_) return;
  marked_ = marked;
  for (int ch = 0; ch < model::kOutputChannels; ++ch) {
    auto* button = window_.findChild<kit::CSButtonUI*>(QStringLiteral("ch_output_btn_%1").arg(ch));
    if (button == nullptr) continue;
    const bool mark = marked[static_cast<std::size_t>(ch)];
    button->SetTextColor(mark ? kit::theme::Warning() : QColor());
    kit::SetToolTipText(button, mark ? QStringLiteral("${tweeter_unprotected_mark}") : QString());
    button->setProperty("tweeterWarning", mark);
  }
}

void TuningActions::ShowSide() {
  auto* label = window_.findChild<QLabel*>(QStringLiteral("ab_side"));
  if (label == nullptr) return;
  const model::TuningSession& session = manager_.Tuning().Session();
  const bool a = session.LiveSide() == model::TuningSession::Side::kA;
  kit::SetWidgetText(label, !session.Comparing() ? QString()
                            : a                   ? QStringLiteral("${ab_side_a}")
                                                  : QStringLiteral("${ab_side_b}"));
}

}  // namespace tolva::ui
