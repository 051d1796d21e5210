#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "device/protocol/notifications.h"
#include "ui/windows/loading_wnd.h"

namespace tolva::kit {
class ControlSurface;
class Dialogs;
class PopupMenu;
class QtControlSurface;
class QtPopupMenu;
class QtWindowSink;
}  // namespace tolva::kit

// The main window ("XML_MAIN"). Its public interface below is what the application shell relies
// on; the content is built by the window's own code.
class CMainWnd : public QWidget {
  Q_OBJECT

 public:
  explicit CMainWnd(QWidget* parent = nullptr);
  ~CMainWnd() override;

  // The layout's size at 100 % display scale.
  static QSize LayoutSize() { return QSize(1230, 650); }

  // Runs on a close request before the window goes (EqualizerManager's Disconnect).
  void SetCloseHook(std::function<void()> hook) { close_hook_ = std::move(hook); }
  // Runs after a language switch (re-composes the volume texts).
  void SetLanguageSwitchedHook(std::function<void()> hook) { language_hook_ = std::move(hook); }

  // Resolves every placeholder text on screen again, after the current language table changed.
  void RetranslateAll();
  // Ends every open message box captioned with the resolved "${tips}" with result 0.
  static void CloseOpenTipsBoxes();

  // The window's controls for the logic. Its notify handler is the router; the window's own
  // handling ("minbtn", "closebtn") stays around it.
  tolva::kit::ControlSurface& Surface();
  tolva::kit::Dialogs& Dialogs();
  // Posts to this window from any thread; the handler below receives what the window does not
  // handle itself (it handles the busy-window messages 1274, 1275 and 1240).
  std::shared_ptr<tolva::device::NotificationSink> Sink() const;
  using MessageHandler = std::function<void(tolva::device::Notification&)>;
  void SetMessageHandler(MessageHandler handler) { message_handler_ = std::move(handler); }

  // Display scale in percent: window size and every size of the layout follow it.
  void SetDisplayScale(int percent);
  int DisplayScale() const { return scale_; }
  // The largest display scale at which the window fits the work area of its screen.
  int LargestScaleOnScreen() const;

  // Opens a popup menu from its layout ("xml/option_menu.xml") with its top-left corner at the
  // bottom-left corner of the named control, closing any menu still open. prepare runs on the
  // items before the menu shows. Null when the layout or the control is missing.
  tolva::kit::PopupMenu* OpenPopupMenu(
      const QString& layout, const QString& anchor_name,
      const std::function<void(tolva::kit::PopupMenu&)>& prepare = {});
  tolva::kit::QtPopupMenu* CurrentMenu() const { return menu_.get(); }
  // The output whose button opened the output menu: its chosen role goes to that output.
  void SetOutputMenuChannel(int channel) { output_menu_channel_ = channel; }
  int OutputMenuChannel() const { return output_menu_channel_; }

  bool IsBusyWindowOpen() const { return busy_.IsOpen(); }
  tolva::ui::CLoadingWnd* BusyWindow() const { return busy_.Window(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnMessage(tolva::device::Notification& notification);
  bool BeforeNotify(const struct tolva::kit::ControlNotify& notify);
  void AfterNotify(const struct tolva::kit::ControlNotify& notify);
  // The DPI in the box beside the DPI button, as large as the screen allows.
  void ApplyTypedDpi();

  std::function<void()> close_hook_;
  std::function<void()> language_hook_;
  MessageHandler message_handler_;
  tolva::kit::QtControlSurface* surface_ = nullptr;
  std::unique_ptr<tolva::kit::Dialogs> dialogs_;
  std::shared_ptr<tolva::kit::QtWindowSink> sink_;
  std::unique_ptr<tolva::kit::QtPopupMenu> menu_;
  tolva::ui::BusyWindowSlot busy_;
  int scale_ = 100;
  int output_menu_channel_ = 0;
};
