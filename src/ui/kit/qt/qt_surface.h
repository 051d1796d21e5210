#pragma once

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ui/kit/api/control_surface.h"
#include "ui/kit/qt/qt_controls.h"

class QListWidget;
class QWidget;

namespace tolva::kit {

// The controls of one window over its QWidgets: found by objectName, user data in the
// "userData" property. Attach() hooks every named widget below the root so that user input on
// it raises notifications; it is idempotent and is run again after a layout adds widgets.
class QtControlSurface final : public QObject, public ControlSurface {
  Q_OBJECT

 public:
  explicit QtControlSurface(QWidget* root);
  ~QtControlSurface() override;

  void Attach();
  // Delivers one notification to the handler (the path of every control and of RaiseNotification).
  void Deliver(const QString& name, const char* type, int user_data);

  Control* FindControl(std::string_view name) override;
  Button* FindButton(std::string_view name) override;
  Option* FindOption(std::string_view name) override;
  Slider* FindSlider(std::string_view name) override;
  Edit* FindEdit(std::string_view name) override;
  Combo* FindCombo(std::string_view name) override;
  List* FindList(std::string_view name) override;
  Label* FindLabel(std::string_view name) override;
  void SetNotifyHandler(NotifyHandler handler) override;
  // The window's own handling around the logic's handler: before runs first and may consume the
  // notification (true); after runs once the handler is done (the default window handling).
  void SetWindowHandling(std::function<bool(const ControlNotify&)> before, NotifyHandler after);
  int DisplayScalePercent() const override;

  // The surface a widget belongs to (its own window's), or null.
  static QtControlSurface* Of(const QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtControl* Lookup(std::string_view name);
  void Hook(QWidget* widget);
  void Raise(QWidget* widget, const char* type);
  bool HandleEditKey(QWidget* edit, int key);
  bool HandleListKey(QListWidget* list, QEvent* event);

  QPointer<QWidget> root_;
  NotifyHandler handler_;
  std::function<bool(const ControlNotify&)> before_;
  NotifyHandler after_;
  std::map<std::string, std::unique_ptr<QtControl>, std::less<>> controls_;
};

// Raises a notification for a control from its own code (custom controls such as the graph).
// The user data is the control's own unless given. Does nothing outside a window with a surface.
void RaiseNotification(QWidget& control, const char* type);
void RaiseNotification(QWidget& control, const char* type, int user_data);

}  // namespace tolva::kit
