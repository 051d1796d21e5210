#pragma once

#include <sys/types.h>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>

#include "device/transport/device_selection.h"
#include "ui/kit/qt/thread_hop.h"

class QFileSystemWatcher;
class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tolva::emulator {
class EmulatedDevice;
}

namespace tolva::app {

// True when a hidraw device path (or its parent HID device's name) belongs to the unit: the
// kernel names HID devices "BUS:VENDOR:PRODUCT.N" in upper-case hex, e.g. "0003:0483:5750.0004".
bool IsUnitHidDevpath(std::string_view devpath);

// Tells the window thread that the chosen unit arrived or left, from the source that fits the
// device choice: udev for "hid", PATH's folder for "socket:PATH", the in-process unit's presence
// listener for "emulator". Lives on the UI thread; every report comes on it. A repeat of the last
// report (udev sends several events per plug) is dropped.
class PlugMonitor : public QObject {
  Q_OBJECT

 public:
  enum class Event { kNone, kArrived, kRemoved };

  PlugMonitor(const device::DeviceTarget& choice,
              std::shared_ptr<emulator::EmulatedDevice> emulated_unit, QObject* parent = nullptr);
  ~PlugMonitor() override;

  // Called after the matching signal, on the UI thread.
  std::function<void()> on_arrival;
  std::function<void()> on_removal;

  // False when the source could not be set up (no udev, PATH's folder missing, no unit).
  bool watching() const { return watching_; }

 signals:
  void arrived();
  void removed();

 private:
  struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
  };

  void StartUdev();
  void OnUdevReadable();
  void StartPathWatch(const std::string& path);
  void OnPathFolderChanged();
  void StartPresenceListener(std::shared_ptr<emulator::EmulatedDevice> unit);
  void OnPresence(bool present);
  void Report(Event event);

  bool watching_ = false;
  Event last_ = Event::kNone;

  udev* udev_ = nullptr;
  udev_monitor* udev_monitor_ = nullptr;
  QSocketNotifier* udev_notifier_ = nullptr;

  QFileSystemWatcher* folder_watcher_ = nullptr;
  QString watched_path_;
  FileIdentity path_identity_;

  std::unique_ptr<kit::ThreadHop> presence_hop_;
};

}  // namespace tolva::app
