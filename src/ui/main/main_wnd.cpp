#include "ui/main/main_wnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/debug_print.h"
#include "base/display_scale.h"
#include "base/language_tables.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_surface.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/layouts.h"
#include "ui/windows/window_dialogs.h"

namespace kit = tolva::kit;

CMainWnd::CMainWnd(QWidget* parent) : QWidget(parent), busy_(this) {
  setObjectName("MainWnd");
  setProperty("windowClass", QStringLiteral("MainWnd"));
  setAttribute(Qt::WA_StyledBackground);
  setWindowTitle("Tolva DSP Audio");
  // The layout draws its own title bar; the window is neither resizable nor maximisable.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
  tolva::ui::BuildLayout(QLatin1String(tolva::ui::kLayoutMain), this);

  surface_ = new kit::QtControlSurface(this);
  surface_->Attach();
  surface_->SetWindowHandling([this](const kit::ControlNotify& n) { return BeforeNotify(n); },
                              [this](const kit::ControlNotify& n) { AfterNotify(n); });
  dialogs_ = std::make_unique<tolva::ui::WindowDialogs>(this);
  sink_ = kit::QtWindowSink::Create(this, [this](tolva::device::Notification& n) { OnMessage(n); });
  if (QWidget* bar = findChild<QWidget*>(QStringLiteral("title_bar")))
    bar->installEventFilter(this);
  SetDisplayScale(100);
}

// The children go after this part of the window: a box losing the focus on the way must not
// reach the window's handling.
CMainWnd::~CMainWnd() {
  surface_->SetWindowHandling({}, {});
}

kit::ControlSurface& CMainWnd::Surface() {
  return *surface_;
}
kit::Dialogs& CMainWnd::Dialogs() {
  return *dialogs_;
}
std::shared_ptr<tolva::device::NotificationSink> CMainWnd::Sink() const {
  return sink_;
}

void CMainWnd::SetDisplayScale(int percent) {
  scale_ = std::clamp(percent, 50, 400);
  kit::theme::ApplyScale(this, scale_);
  setFixedSize(LayoutSize() * scale_ / 100);
  if (layout() != nullptr) layout()->activate();
  // The box beside the DPI button tells the DPI in effect: the one chosen at start-up, a typed
  // value once held to the scale's limits, and never text that was not applied.
  if (kit::Control* box = surface_->FindControl("edt_dpi"))
    box->SetText(std::to_string(tolva::DpiForScalePercent(scale_)));
}

int CMainWnd::LargestScaleOnScreen() const {
  const QScreen* on = screen();
  if (on == nullptr) return 400;
  const QSize area = on->availableGeometry().size();
  return tolva::LargestFittingPercent(LayoutSize().width(), LayoutSize().height(), area.width(),
                                      area.height());
}

void CMainWnd::ApplyTypedDpi() {
  // The DPI typed beside the button; nothing sensible to apply for text without a number. A
  // scale larger than the screen would put the window's edges, and this box, out of reach.
  const kit::Control* box = surface_->FindControl("edt_dpi");
  const int dpi = box != nullptr ? std::atoi(box->RawText().c_str()) : 0;
  const int wanted = dpi > 0 ? tolva::ScalePercentForDpi(dpi) : scale_;
  SetDisplayScale(std::min(wanted, LargestScaleOnScreen()));
  // Still on its screen after growing.
  if (const QScreen* on = screen()) {
    const QRect area = on->availableGeometry();
    move(std::clamp(x(), area.left(), std::max(area.left(), area.right() + 1 - width())),
         std::clamp(y(), area.top(), std::max(area.top(), area.bottom() + 1 - height())));
  }
}

void CMainWnd::RetranslateAll() {
  kit::FollowToolkitLanguage(tolva::Languages().CurrentName() == tolva::LanguageTables::kChinese);
  kit::RetranslateTree(this);
  update();
  if (language_hook_) language_hook_();
}

bool CMainWnd::BeforeNotify(const kit::ControlNotify& notify) {
  DebugPrint("Notify %s\n", notify.type.c_str());  // every notification, handled here or not
  if (notify.type == kit::msgtype::kClick && SameName(notify.name, "minbtn")) {
    showMinimized();
    return true;  // nothing else runs for the minimise button
  }
  // Return in the box applies it as the button does.
  if ((notify.type == kit::msgtype::kClick && SameName(notify.name, "btnDpi")) ||
      (notify.type == kit::msgtype::kReturn && notify.name == "edt_dpi")) {
    ApplyTypedDpi();
    return true;
  }
  return false;
}

void CMainWnd::AfterNotify(const kit::ControlNotify& notify) {
  if (notify.type == kit::msgtype::kClick && notify.name == "closebtn") close();
}

void CMainWnd::OnMessage(tolva::device::Notification& notification) {
  switch (notification.message) {
    case kit::kMsgBusyOpen:
      busy_.Open();
      return;
    case kit::kMsgBusyClose:
      busy_.Close();
      return;
    case kit::kMsgDeviceReboot:
      busy_.Close();
      tolva::ui::ShowMessageBox(this, QStringLiteral("${device_reboot}"),
                                QStringLiteral("${tips}"));
      return;
    default:
      if (message_handler_) message_handler_(notification);
  }
}

kit::PopupMenu* CMainWnd::OpenPopupMenu(const QString& layout, const QString& anchor_name,
                                        const std::function<void(kit::PopupMenu&)>& prepare) {
  menu_.reset();  // opening a menu closes the previous one
  auto* anchor = findChild<QWidget*>(anchor_name);
  const QString text = tolva::ui::MenuLayoutText(layout);
  if (anchor == nullptr || text.isEmpty()) return nullptr;
  menu_ = std::make_unique<kit::QtPopupMenu>(this, sink_);
  menu_->Load(text);
  if (prepare) prepare(*menu_);
  menu_->Popup(anchor->mapToGlobal(anchor->rect().bottomLeft()));
  return menu_.get();
}

void CMainWnd::CloseOpenTipsBoxes() {
  const QString tips = kit::Resolve(QStringLiteral("${tips}"));
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == tips) dialog->done(0);
  }
}

bool CMainWnd::eventFilter(QObject* watched, QEvent* event) {
  // The title bar moves the frameless window.
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && windowHandle() != nullptr) {
    windowHandle()->startSystemMove();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  // A close inside a dialog's own loop (a termination signal while a message is up) would free
  // the manager under the edit that opened the dialog: end the dialog, and close once its loop
  // has returned.
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
    modal->hide();
    event->ignore();
    QTimer::singleShot(0, this, &QWidget::close);
    return;
  }
  if (close_hook_) close_hook_();
  CloseOpenTipsBoxes();
  menu_.reset();
  event->accept();
}
