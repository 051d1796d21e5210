#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

#include "base/clock.h"
#include "ui/windows/dialog_wnd.h"

namespace tolva::device {
class DspLink;
struct Notification;
}  // namespace tolva::device
namespace tolva::kit {
class QtWindowSink;
}
namespace tolva::model {
class EqualizerManager;
}

// The firmware update window ("XML_UPDATE_FW", "UpdateFwWnd"): an image file chosen, then the
// upgrade run on a worker thread with its progress and outcome shown. While it runs, nothing in
// the window can close it.
class CUpdateFwWnd final : public CDialogWnd {
  Q_OBJECT

 public:
  // Window messages of the worker thread.
  static constexpr std::uint32_t kMsgProgress = 1255;
  static constexpr std::uint32_t kMsgUpdateOk = 1256;
  static constexpr std::uint32_t kMsgUpdateFail = 1257;
  static constexpr std::uint32_t kMsgLoadFail = 1258;  // parameter: UpgradeStart's result

  // Upgrades the unit of the manager's link. After an attempt that left the link closed (plug
  // events are ignored while the unit switches to upgrade mode) the manager shows the unit
  // disconnected. clock: the waits while the unit switches.
  CUpdateFwWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
               tolva::Clock& clock = tolva::SystemClock());
  ~CUpdateFwWnd() override;

  // The text shown for a failed UpgradeStart result.
  static const char* StartFailureText(int result);

  void SetPath(const QString& path);
  // The update button: starts the upgrade when a unit is connected.
  void BeginUpdate();
  bool IsUpdating() const { return updating_; }
  // Closes the window unless an upgrade runs.
  void CloseUnlessUpdating();
  // Escape: ignored while an upgrade runs.
  void reject() override;

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;

 private:
  void ChooseFile();
  void OnMessage(tolva::device::Notification& notification);
  void SetControlsEnabled(bool enabled);
  void Finish(const char* raw_text);
  bool eventFilter(QObject* watched, QEvent* event) override;

  tolva::model::EqualizerManager& manager_;
  tolva::device::DspLink& link_;
  tolva::Clock& clock_;
  // Focus that returns to the path box when a dialog closes is not the user's asking for one.
  bool user_focused_path_ = false;
  std::shared_ptr<tolva::kit::QtWindowSink> sink_;
  std::thread worker_;
  bool updating_ = false;
};

// Opens the update window modally; while it is open, CloseOpenUpdateWindow closes it.
void ShowUpdateWindow(QWidget* owner, tolva::model::EqualizerManager& manager);
void CloseOpenUpdateWindow();
