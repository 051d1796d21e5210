#pragma once

#include <QPointer>

#include "ui/windows/dialog_wnd.h"

namespace tolva::kit {
class CCircleProgressUI;
}

namespace tolva::ui {

// The busy window ("XML_LOADING") shown while a worker runs: confirm 1, cancel or close 0, and
// 1 when the closing message arrives.
class CLoadingWnd : public CDialogWnd {
  Q_OBJECT

 public:
  explicit CLoadingWnd(QWidget* owner);
};

// The one busy window of a window: opened by kMsgBusyOpen, closed by kMsgBusyClose (or by the
// user). The reference is dropped the moment the window ends, however it ended, so a later close
// message finds none. A second open while one is shown keeps the one already open: two stacked
// busy windows would leave the older one without anybody to close it.
class BusyWindowSlot {
 public:
  explicit BusyWindowSlot(QWidget* owner) : owner_(owner) {}
  ~BusyWindowSlot();

  // Shows the busy window modally over the owner without blocking the caller; false when one is
  // already open.
  bool Open();
  // Ends the open busy window with 1; false when none is open.
  bool Close();
  bool IsOpen() const { return !window_.isNull(); }
  CLoadingWnd* Window() const { return window_; }

 private:
  QWidget* owner_;
  QPointer<CLoadingWnd> window_;
};

}  // namespace tolva::ui
