#include "ui/windows/loading_wnd.h"

#include <QVBoxLayout>

#include "base/debug_print.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"

namespace tolva::ui {

CLoadingWnd::CLoadingWnd(QWidget* owner) : CDialogWnd(owner, "loadingwnd", "LoadingWnd") {
  SetText(QStringLiteral("${loading}"));
  auto* spinner = new kit::CCircleProgressUI(this);
  spinner->setObjectName(QStringLiteral("loading_progress"));
  tolva::kit::theme::FixSize(spinner, 44, 44);
  spinner->SetBusy(true);
  Content()->addWidget(spinner, 0, Qt::AlignHCenter);
  AddButton("confirm_btn", QStringLiteral("${confirm}"))->hide();
  AddButton("cancel_btn", QStringLiteral("${cancel}"))->hide();
  FinishLayout();
}

BusyWindowSlot::~BusyWindowSlot() {
  if (window_) window_->deleteLater();
}

bool BusyWindowSlot::Open() {
  if (window_) {
    DebugPrint(L"busy window already open\n");
    return false;
  }
  auto* window = new CLoadingWnd(owner_);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window_ = window;
  // Forget it as soon as it ends: by the closing message, a button or the close box.
  QObject::connect(window, &QDialog::finished, window, [this, window] {
    if (window_ == window) window_ = nullptr;
  });
  window->Prepare();
  window->open();
  return true;
}

bool BusyWindowSlot::Close() {
  if (!window_) return false;
  CLoadingWnd* window = window_;
  window_ = nullptr;
  window->done(tolva::kit::kResultConfirm);
  return true;
}

}  // namespace tolva::ui
