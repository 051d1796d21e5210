#include "ui/kit/qt/qt_surface.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QWidget>

#include "ui/kit/api/message_types.h"
#include "ui/kit/widgets/theme.h"

namespace tolva::kit {
namespace {

constexpr const char* kHooked = "tolvaHooked";

// Left and right leave an edit box only from its edge (or with all of it selected), so the
// cursor still moves inside a text being typed.
bool LeavesEdit(const QLineEdit* edit, int key) {
  if (edit->hasSelectedText() && edit->selectedText() == edit->text()) return true;
  if (edit->hasSelectedText()) return false;
  if (key == Qt::Key_Left) return edit->cursorPosition() == 0;
  return edit->cursorPosition() == edit->text().size();
}

}  // namespace

QtControlSurface::QtControlSurface(QWidget* root) : QObject(root), root_(root) {
  setObjectName(QStringLiteral("tolvaControlSurface"));
}

QtControlSurface::~QtControlSurface() = default;

QtControlSurface* QtControlSurface::Of(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (auto* surface = w->findChild<QtControlSurface*>(QString(), Qt::FindDirectChildrenOnly)) {
      return surface;
    }
  }
  return nullptr;
}

void QtControlSurface::Attach() {
  if (!root_) return;
  for (QWidget* widget : root_->findChildren<QWidget*>()) {
    if (!widget->objectName().isEmpty() && !widget->property(kHooked).toBool()) Hook(widget);
  }
}

void QtControlSurface::Hook(QWidget* widget) {
  widget->setProperty(kHooked, true);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::clicked, this, [this, button] {
      Raise(button, msgtype::kClick);
      if (button->isCheckable()) Raise(button, msgtype::kSelectChanged);
    });
  } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
    connect(slider, &QAbstractSlider::valueChanged, this, [this, slider] {
      Raise(slider, slider->isSliderDown() ? msgtype::kMoveValueChanged : msgtype::kValueChanged);
    });
    connect(slider, &QAbstractSlider::sliderReleased, this,
            [this, slider] { Raise(slider, msgtype::kValueChanged); });
    slider->installEventFilter(this);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this,
            [this, combo] { Raise(combo, msgtype::kItemSelect); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    connect(list, &QListWidget::itemClicked, this,
            [this, list] { Raise(list, msgtype::kItemClick); });
    // A row is activated by a double-click or Enter only. itemActivated would also fire on one
    // click where the desktop style activates on a single click, and one click must never
    // delete a stored scene.
    connect(list, &QListWidget::itemDoubleClicked, this,
            [this, list] { Raise(list, msgtype::kItemActivate); });
    list->installEventFilter(this);
    connect(list, &QListWidget::currentRowChanged, this,
            [this, list] { Raise(list, msgtype::kItemSelect); });
  } else if (qobject_cast<QLineEdit*>(widget) != nullptr) {
    widget->installEventFilter(this);
  }
}

bool QtControlSurface::HandleEditKey(QWidget* edit, int key) {
  switch (key) {
    case Qt::Key_Up:
      Raise(edit, msgtype::kValueChangedUp);
      return true;
    case Qt::Key_Down:
      Raise(edit, msgtype::kValueChangedDown);
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (!LeavesEdit(static_cast<QLineEdit*>(edit), key)) return false;
      Raise(edit, key == Qt::Key_Left ? msgtype::kValueChangedLeft : msgtype::kValueChangedRight);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Raise(edit, msgtype::kReturn);
      return true;
    default:
      return false;
  }
}

bool QtControlSurface::HandleListKey(QListWidget* list, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent*>(event)->key();
  if ((key != Qt::Key_Return && key != Qt::Key_Enter) || list->currentItem() == nullptr) {
    return false;
  }
  Raise(list, msgtype::kItemActivate);
  return true;  // taken: the dialog's default button must not act on the same key
}

bool QtControlSurface::eventFilter(QObject* watched, QEvent* event) {
  if (auto* list = qobject_cast<QListWidget*>(watched)) return HandleListKey(list, event);
  if (auto* slider = qobject_cast<QAbstractSlider*>(watched)) {
    // A modal window opening takes the mouse, and the release of a dragged handle never comes:
    // the slider lets go now, as the release would have it.
    if (event->type() == QEvent::WindowBlocked && slider->isSliderDown()) {
      QMouseEvent release(QEvent::MouseButtonRelease, slider->mapFromGlobal(QCursor::pos()),
                          QCursor::pos(), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(slider, &release);
      if (slider->isSliderDown()) slider->setSliderDown(false);
    }
    return false;
  }
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit == nullptr) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) {
        return false;
      }
      return HandleEditKey(edit, key->key());
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      // A tooltip or a combo's list taking the focus for a moment is not a focus change.
      if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) return false;
      Raise(edit, event->type() == QEvent::FocusIn ? msgtype::kSetFocus : msgtype::kKillFocus);
      return false;
    }
    default:
      return false;
  }
}

void QtControlSurface::Raise(QWidget* widget, const char* type) {
  Deliver(widget->objectName(), type, widget->property(kUserDataProperty).toInt());
}

void QtControlSurface::Deliver(const QString& name, const char* type, int user_data) {
  const ControlNotify notify{name.toStdString(), type, user_data};
  // Copies: a handler may replace itself while it runs.
  if (const auto before = before_; before && before(notify)) return;
  if (const NotifyHandler handler = handler_) handler(notify);
  if (const NotifyHandler after = after_) after(notify);
}

void QtControlSurface::SetWindowHandling(std::function<bool(const ControlNotify&)> before,
                                         NotifyHandler after) {
  before_ = std::move(before);
  after_ = std::move(after);
}

QtControl* QtControlSurface::Lookup(std::string_view name) {
  if (!root_ || name.empty()) return nullptr;
  auto it = controls_.find(name);
  if (it != controls_.end() && it->second->widget() != nullptr) return it->second.get();
  auto* widget = root_->findChild<QWidget*>(QString::fromUtf8(name.data(), name.size()));
  if (widget == nullptr) return nullptr;
  auto control = MakeControl(widget);
  QtControl* raw = control.get();
  controls_.insert_or_assign(std::string(name), std::move(control));
  return raw;
}

Control* QtControlSurface::FindControl(std::string_view name) {
  return Lookup(name);
}
Button* QtControlSurface::FindButton(std::string_view name) {
  return dynamic_cast<Button*>(Lookup(name));
}
Option* QtControlSurface::FindOption(std::string_view name) {
  return dynamic_cast<Option*>(Lookup(name));
}
Slider* QtControlSurface::FindSlider(std::string_view name) {
  return dynamic_cast<Slider*>(Lookup(name));
}
Edit* QtControlSurface::FindEdit(std::string_view name) {
  return dynamic_cast<Edit*>(Lookup(name));
}
Combo* QtControlSurface::FindCombo(std::string_view name) {
  return dynamic_cast<Combo*>(Lookup(name));
}
List* QtControlSurface::FindList(std::string_view name) {
  return dynamic_cast<List*>(Lookup(name));
}
Label* QtControlSurface::FindLabel(std::string_view name) {
  return dynamic_cast<Label*>(Lookup(name));
}

void QtControlSurface::SetNotifyHandler(NotifyHandler handler) {
  handler_ = std::move(handler);
}

int QtControlSurface::DisplayScalePercent() const {
  return theme::ScaleOf(root_);
}

void RaiseNotification(QWidget& control, const char* type) {
  RaiseNotification(control, type, control.property(kUserDataProperty).toInt());
}

void RaiseNotification(QWidget& control, const char* type, int user_data) {
  if (QtControlSurface* surface = QtControlSurface::Of(&control)) {
    surface->Deliver(control.objectName(), type, user_data);
  }
}

}  // namespace tolva::kit
