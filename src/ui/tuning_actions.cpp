#include "ui/tuning_actions.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <filesystem>

#include "model/difference_text.h"
#include "model/equalizer_manager.h"
#include "model/profile_files.h"
#include "model/profile_transition.h"
#include "model/speaker_protection.h"
#include "ui/differences_wnd.h"
#include "ui/kit/controls.h"
#include "ui/kit/dialogs.h"
#include "ui/kit/message_types.h"
#include "ui/kit/qt_text.h"
#include "ui/kit/sbutton.h"
#include "ui/kit/theme.h"
#include "ui/main_wnd.h"

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

bool TuningActions::Ask(const std::string& question) {
  return window_.Dialogs().ShowChoiceDialog("${tips}", question, {"${confirm}", "${cancel}"}) ==
         kit::kResultConfirm;
}

bool TuningActions::Busy() const {
  return edit_depth_ > 0 || gesture_.has_value() || session_.History().InGroup() ||
         manager_.UnitOperationRunning() || manager_.IsReading();
}

void TuningActions::OnControlNotify(const kit::ControlNotify& n,
                                    const std::function<void()>& route) {
  // Inside another edit (a question or dialog it opened): part of that edit.
  if (edit_depth_ > 0 || n.name == "btnConnect") {
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
    Edit(route, true);
    if (n.type == msg::kValueChanged && gesture_ == n.name) EndGesture();
  }
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
  if (edit_depth_ > 0) {
    route();
  } else if (name == "scene_item_load_scene") {
    // The unit loads the scene itself and its settings are known only after the read, so the
    // question comes afterwards and offers to return.
    auto before = std::make_unique<model::Profile>(Live());
    ++edit_depth_;
    route();
    const std::string question = model::TweeterReturnQuestion(*before, Live());
    if (!question.empty() && Ask(question)) {
      MoveTo(*before);
    } else {
      session_.Record(*before, Live());
    }
    --edit_depth_;
  } else {
    // A role change is asked about before it is sent; a file is asked about before it is read
    // into the model (MayLoadFile).
    Edit(route, name.rfind("output_", 0) == 0);
  }
  AfterMessage();
}

bool TuningActions::MayLoadFile(const std::string& path, bool whole) {
  auto file = std::make_unique<model::UnitSettings>();
  if (ReadFile(path, whole, *file) != model::ProfileReadResult::kOk) return true;  // the load itself says why
  const std::string question = model::TweeterQuestion(Live(), file->live);
  return question.empty() || Ask(question);
}

void TuningActions::Edit(const std::function<void()>& route, bool guarded) {
  ++edit_depth_;
  auto before = std::make_unique<model::Profile>(Live());
  device::DspLink& link = manager_.Link();
  if (guarded && !gesture_unit_) link.HoldQueuedCommands();
  route();
  bool keep = true;
  if (guarded && gesture_) {
    // Within a drag the question waits for the release; from the first move that leaves a
    // tweeter unprotected, the drag's commands wait with it.
    if (!gesture_unit_) {
      if (model::NewlyUnprotectedTweeters(*gesture_before_, Live()).empty()) {
        link.ReleaseHeldCommands(true);
      } else {
        gesture_unit_ = std::make_unique<model::Profile>(*before);
      }
    }
  } else if (guarded) {
    const std::string question = model::TweeterQuestion(*before, Live());
    keep = question.empty() || Ask(question);
    link.ReleaseHeldCommands(keep);
  }
  if (keep) {
    session_.Record(*before, Live());
  } else {
    Live() = *before;
    manager_.RefreshFromProfile();
  }
  --edit_depth_;
}

void TuningActions::BeginGesture(const std::string& control) {
  gesture_ = control;
  gesture_before_ = std::make_unique<model::Profile>(Live());
  session_.History().BeginGroup(Live());
}

void TuningActions::EndGesture() {
  if (!gesture_) return;
  gesture_.reset();
  const std::unique_ptr<model::Profile> before = std::move(gesture_before_);
  ++edit_depth_;
  const std::string question = model::TweeterQuestion(*before, Live());
  const bool keep = question.empty() || Ask(question);
  if (gesture_unit_) {
    manager_.Link().ReleaseHeldCommands(keep);
    // The held commands never left: the unit still has what it had when they began.
    if (!keep) Live() = *gesture_unit_;
    gesture_unit_.reset();
  }
  if (!keep) MoveTo(*before);
  --edit_depth_;
  session_.History().EndGroup(Live());
}

void TuningActions::MoveTo(const model::Profile& target) {
  const auto commands = model::TransitionCommands(Live(), target);
  Live() = target;
  manager_.RefreshFromProfile();
  model::SendCommands(manager_.Link(), commands, false);
  ShowMarks();
}

void TuningActions::Undo() {
  TakeStep(false);
}

void TuningActions::Redo() {
  TakeStep(true);
}

void TuningActions::TakeStep(bool forward) {
  if (Busy()) return;
  model::EditHistory& history = session_.History();
  const std::optional<model::Profile> target =
      forward ? history.Redo(Live()) : history.Undo(Live());
  if (!target) return;
  ++edit_depth_;
  const std::string question = model::TweeterQuestion(Live(), *target);
  if (question.empty() || Ask(question)) {
    MoveTo(*target);
  } else if (forward) {
    history.Undo(*target);  // the step stays where it was
  } else {
    history.Redo(*target);
  }
  --edit_depth_;
}

void TuningActions::SwitchSide() {
  if (Busy()) return;
  ++edit_depth_;
  const auto target = std::make_unique<model::Profile>(session_.SwitchTarget(Live()));
  const std::string question = model::TweeterQuestion(Live(), *target);
  if (question.empty() || Ask(question)) {
    const auto previous = std::make_unique<model::Profile>(Live());
    MoveTo(*target);
    session_.Switched(*previous);
    ShowSide();
  }
  --edit_depth_;
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
  const bool connected = manager_.State() == model::ConnectState::kConnected;
  if (connected && !was_connected_) {
    // Another unit, or the same one changed meanwhile: the steps and B no longer apply.
    session_.Reset();
    if (gesture_unit_) manager_.Link().ReleaseHeldCommands(false);
    gesture_unit_.reset();
    gesture_.reset();
    ShowSide();
  }
  was_connected_ = connected;
  ShowMarks();
}

void TuningActions::PrepareOptionMenu(kit::PopupMenu& menu) {
  const auto enable = [&menu](const char* name, bool enabled) {
    if (kit::MenuItem* item = menu.FindItem(name)) item->SetEnabled(enabled);
  };
  enable("option_item_undo", !Busy() && session_.History().CanUndo());
  enable("option_item_redo", !Busy() && session_.History().CanRedo());
  enable("option_item_compare_ab", !Busy());
  if (kit::MenuItem* item = menu.FindItem("option_item_compare_ab")) {
    item->SetIcon(session_.Comparing() ? "right.png" : "");
  }
}

void TuningActions::ShowMarks() {
  std::vector<bool> marked(model::kOutputChannels, false);
  for (const model::TweeterWarning& w : model::UnprotectedTweeters(Live())) marked[w.output] = true;
  if (marked == marked_) return;
  marked_ = marked;
  for (int ch = 0; ch < model::kOutputChannels; ++ch) {
    auto* button = window_.findChild<CSButtonUI*>(QStringLiteral("ch_output_btn_%1").arg(ch));
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
  const bool a = session_.LiveSide() == model::TuningSession::Side::kA;
  kit::SetWidgetText(label, !session_.Comparing() ? QString()
                            : a                   ? QStringLiteral("${ab_side_a}")
                                                  : QStringLiteral("${ab_side_b}"));
}

}  // namespace tolva::ui
