#include "ui/windows/update_fw_wnd.h"

#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

#include "base/debug_print.h"
#include "device/link/dsp_link.h"
#include "device/link/firmware_upgrade.h"
#include "model/manager/equalizer_manager.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace {

namespace msg = tolva::kit::msgtype;
using tolva::kit::CCircleProgressUI;
// The files the window asks for by name (matched without regard to case), in its language.
constexpr const char* kImageFilter = "${update_files_filter}";
constexpr int kMaxPathCharacters = 260;
constexpr const char* kControls[] = {"closebtn", "cancel_btn", "file_btn", "update_btn",
                                     "file_path_edt"};

QPointer<CUpdateFwWnd>& OpenWindow() {
  static QPointer<CUpdateFwWnd> window;
  return window;
}

}  // namespace

CUpdateFwWnd::CUpdateFwWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
                           tolva::Clock& clock)
    : CDialogWnd(owner, "updatefwwnd", "UpdateFwWnd"),
      manager_(manager),
      link_(manager.Link()),
      clock_(clock) {
  SetTitle(QStringLiteral("${firmware_upgrade}"));
  SetHint(QStringLiteral("${update_fw_hint}"));
  auto* row = new QHBoxLayout();
  tolva::kit::theme::SetLayoutMetrics(row, 0, 6);
  row->addWidget(tolva::ui::MakeLabel(this, QStringLiteral("file_path_label"),
                                      QStringLiteral("${update_file}")));
  QLineEdit* path = tolva::ui::MakeEdit(this, QStringLiteral("file_path_edt"), QString(), -1, 28);
  path->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  path->setMaxLength(kMaxPathCharacters);
  row->addWidget(path, 1);
  row->addWidget(
      tolva::ui::MakeButton(this, QStringLiteral("file_btn"), QStringLiteral("${browse}"), 84, 28));
  Content()->addLayout(row);
  Content()->addWidget(tolva::ui::MakeStatusBand(this, QStringLiteral("update_tips"),
                                                 QStringLiteral("${update_ready}")));
  AddButton("update_btn", QStringLiteral("${update}"));
  AddButton("cancel_btn", QStringLiteral("${cancel}"));
  FinishLayout();
  path->installEventFilter(this);  // after the control layer's, so it sees the focus first
  tolva::kit::theme::FixSize(this, 480, -1);
  sink_ = tolva::kit::QtWindowSink::Create(
      this, [this](tolva::device::Notification& n) { OnMessage(n); });
}

CUpdateFwWnd::~CUpdateFwWnd() {
  findChild<QLineEdit*>(QStringLiteral("file_path_edt"))->removeEventFilter(this);
  if (worker_.joinable()) worker_.join();
}

void CUpdateFwWnd::SetPath(const QString& path) {
  findChild<QLineEdit*>(QStringLiteral("file_path_edt"))->setText(path);
}

void CUpdateFwWnd::OnNotify(const tolva::kit::ControlNotify& n) {
  if (n.type == msg::kClick && n.name == "file_btn") {
    ChooseFile();
    return;
  }
  if (n.type == msg::kSetFocus && n.name == "file_path_edt" && user_focused_path_ &&
      findChild<QLineEdit*>(QStringLiteral("file_path_edt"))->text().isEmpty()) {
    ChooseFile();
    return;
  }
  if (n.type == msg::kClick && n.name == "update_btn") {
    BeginUpdate();
    return;
  }
  if (updating_) return;  // nothing closes the window during an upgrade
  CDialogWnd::OnNotify(n);
}

bool CUpdateFwWnd::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    // A click or Tab is the user's; a window or dialog handing the focus back is not, or a
    // cancelled file dialog would open again at once.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    user_focused_path_ = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                         reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
  }
  return CDialogWnd::eventFilter(watched, event);
}

void CUpdateFwWnd::reject() {
  if (!updating_) CDialogWnd::reject();
}

void CUpdateFwWnd::ChooseFile() {
  const QString path = QFileDialog::getOpenFileName(
      this, tolva::kit::Resolve(QStringLiteral("${choose_update_file}")), QDir::currentPath(),
      tolva::kit::Resolve(QString::fromLatin1(kImageFilter)));
  if (path.isEmpty()) return;
  DebugPrint("Upg_GetOpenFileName %s ok\n", path.toUtf8().constData());
  SetPath(path);
}

void CUpdateFwWnd::SetControlsEnabled(bool enabled) {
  for (const char* name : kControls) {
    if (QWidget* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(enabled);
  }
}

void CUpdateFwWnd::BeginUpdate() {
  if (updating_ || !link_.IsDeviceOpen()) return;
  const std::string path =
      findChild<QLineEdit*>(QStringLiteral("file_path_edt"))->text().trimmed().toStdString();
  if (path.empty()) {
    // No file yet (a cancelled chooser): say what is missing, not that a file is invalid.
    tolva::kit::SetWidgetText(findChild<QLabel*>(QStringLiteral("update_tips")),
                              QStringLiteral("${update_no_file}"));
    return;
  }
  link_.DisableCommandQueue();
  tolva::kit::SetWidgetText(findChild<QLabel*>(QStringLiteral("update_tips")),
                            QStringLiteral("${loading_fw}"));
  if (worker_.joinable()) worker_.join();
  updating_ = true;
  SetControlsEnabled(false);
  worker_ = std::thread([this, path, sink = sink_] {
    tolva::device::FirmwareUpgrade upgrade(link_, clock_);
    if (const int r = upgrade.UpgradeStart(path); r != tolva::device::FirmwareUpgrade::kStarted) {
      sink->Post(kMsgLoadFail, r, 0);
      return;
    }
    std::uint8_t p = 0;
    while ((p = upgrade.UpgradeStep()) <= 100) sink->Post(kMsgProgress, p, 0);
    sink->Post(p == tolva::device::FirmwareUpgrade::kFinished ? kMsgUpdateOk : kMsgUpdateFail, 0,
               0);
  });
}

const char* CUpdateFwWnd::StartFailureText(int result) {
  using tolva::device::FirmwareUpgrade;
  switch (result) {
    case FirmwareUpgrade::kCannotOpen:
      return "${load_fw_open_fail}";
    case FirmwareUpgrade::kNotConnected:
      return "${load_fw_unit_lost}";
    case FirmwareUpgrade::kRefused:
      return "${load_fw_refused}";
    default:
      return "${load_fw_fail}";  // the image itself: name, size, model, kind or checksum
  }
}

void CUpdateFwWnd::Finish(const char* raw_text) {
  if (worker_.joinable()) worker_.join();
  updating_ = false;
  SetControlsEnabled(true);
  tolva::kit::SetWidgetText(findChild<QLabel*>(QStringLiteral("update_tips")),
                            QString::fromLatin1(raw_text));
  if (!link_.IsDeviceOpen()) manager_.Disconnect();
}

void CUpdateFwWnd::OnMessage(tolva::device::Notification& n) {
  switch (n.message) {
    case kMsgProgress: {
      const int p = static_cast<int>(n.param);
      findChild<QLabel*>(QStringLiteral("update_tips"))->setText(QStringLiteral("%1%").arg(p));
      findChild<CCircleProgressUI*>(QStringLiteral("progress"))->SetValue(p);
      break;
    }
    case kMsgUpdateOk:
      Finish("${update_ok}");
      break;
    case kMsgUpdateFail:
      Finish("${update_fail}");
      break;
    case kMsgLoadFail:
      Finish(StartFailureText(static_cast<int>(n.param)));
      break;
    default:
      break;
  }
}

void CUpdateFwWnd::CloseUnlessUpdating() {
  if (!updating_) done(tolva::kit::kResultCancel);
}

void ShowUpdateWindow(QWidget* owner, tolva::model::EqualizerManager& manager) {
  if (OpenWindow()) return;  // one at a time
  CUpdateFwWnd window(owner, manager);
  OpenWindow() = &window;
  window.Run();
}

void CloseOpenUpdateWindow() {
  if (CUpdateFwWnd* window = OpenWindow()) window->CloseUnlessUpdating();
}
