#include "app/plug_monitor.h"

#include <libudev.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cctype>

#include "base/debug_print.h"
#include "emulator/emulated_device.h"

namespace tolva::app {

namespace {

constexpr std::string_view kUnitHidId = ":0483:5750";

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

void LogEvent(PlugMonitor::Event event) {
  DebugPrint(event == PlugMonitor::Event::kArrived ? "Message DBT_DEVICEARRIVAL\n"
                                                   : "Message DBT_DEVICEREMOVECOMPLETE\n");
}

}  // namespace

bool IsUnitHidDevpath(std::string_view devpath) {
  return ContainsIgnoringCase(devpath, kUnitHidId);
}

PlugMonitor::PlugMonitor(const device::DeviceTarget& choice,
                         std::shared_ptr<emulator::EmulatedDevice> emulated_unit, QObject* parent)
    : QObject(parent) {
  switch (choice.kind) {
    case device::DeviceTarget::Kind::kHid:
      StartUdev();
      break;
    case device::DeviceTarget::Kind::kSocket:
      StartPathWatch(choice.path);
      break;
    case device::DeviceTarget::Kind::kEmulator:
      StartPresenceListener(std::move(emulated_unit));
      break;
  }
}

PlugMonitor::~PlugMonitor() {
  delete udev_notifier_;  // before its descriptor goes with the monitor
  if (udev_monitor_) udev_monitor_unref(udev_monitor_);
  if (udev_) udev_unref(udev_);
}

void PlugMonitor::StartUdev() {
  udev_ = udev_new();
  if (udev_) udev_monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  const bool ready =
      udev_monitor_ &&
      udev_monitor_filter_add_match_subsystem_devtype(udev_monitor_, "hidraw", nullptr) >= 0 &&
      udev_monitor_enable_receiving(udev_monitor_) >= 0;
  const int fd = ready ? udev_monitor_get_fd(udev_monitor_) : -1;
  if (fd < 0) {
    // Containers often have no udev netlink; the connect button still works.
    DebugPrint("RegisterDeviceNotification\n");
    return;
  }
  udev_notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(udev_notifier_, &QSocketNotifier::activated, this, &PlugMonitor::OnUdevReadable);
  watching_ = true;
}

void PlugMonitor::OnUdevReadable() {
  // The monitor's socket is non-blocking: drain every queued event.
  while (udev_device* dev = udev_monitor_receive_device(udev_monitor_)) {
    const std::string_view action = udev_device_get_action(dev) ? udev_device_get_action(dev) : "";
    const Event event = action == "add"      ? Event::kArrived
                        : action == "remove" ? Event::kRemoved
                                             : Event::kNone;
    if (event != Event::kNone) {
      LogEvent(event);
      const char* devpath = udev_device_get_devpath(dev);
      bool unit = devpath && IsUnitHidDevpath(devpath);
      if (!unit) {
        // Owned by dev; on removal sysfs may be gone already and this comes back null.
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
        const char* name = hid ? udev_device_get_sysname(hid) : nullptr;
        unit = name && IsUnitHidDevpath(name);
      }
      if (unit) Report(event);
    }
    udev_device_unref(dev);
  }
}

void PlugMonitor::StartPathWatch(const std::string& path) {
  watched_path_ = QString::fromStdString(path);
  folder_watcher_ = new QFileSystemWatcher(this);
  const QString folder = QFileInfo(watched_path_).absolutePath();
  if (!folder_watcher_->addPath(folder)) {
    DebugPrint("RegisterDeviceNotification\n");
    return;
  }
  connect(folder_watcher_, &QFileSystemWatcher::directoryChanged, this,
          &PlugMonitor::OnPathFolderChanged);
  watching_ = true;
  // A unit already listening at start is no arrival; the start-up connects to it anyway.
  OnPathFolderChanged();
  last_ = path_identity_.exists ? Event::kArrived : Event::kRemoved;
}

void PlugMonitor::OnPathFolderChanged() {
  FileIdentity now;
  struct stat info {};
  if (::stat(watched_path_.toLocal8Bit().constData(), &info) == 0)
    now = {true, info.st_dev, info.st_ino};
  const FileIdentity before = path_identity_;
  path_identity_ = now;
  if (last_ == Event::kNone) return;  // the first look, from the constructor

  const bool replaced =
      before.exists && now.exists && (before.device != now.device || before.inode != now.inode);
  if (before.exists && (!now.exists || replaced)) {
    // A new socket at PATH is a new listener: the old peer is gone even if both changes
    // came in one notification.
    LogEvent(Event::kRemoved);
    Report(Event::kRemoved);
  }
  if (now.exists && (!before.exists || replaced)) {
    LogEvent(Event::kArrived);
    Report(Event::kArrived);
  }
}

void PlugMonitor::StartPresenceListener(std::shared_ptr<emulator::EmulatedDevice> unit) {
  if (!unit) {
    DebugPrint("RegisterDeviceNotification\n");
    return;
  }
  presence_hop_ = std::make_unique<kit::ThreadHop>(this);
  // The in-process unit calls this from its own threads and may outlive the monitor: a late
  // call is dropped with the hop. Posting only, it never waits on the window.
  unit->SetPresenceListener([post = presence_hop_->Poster(), this](bool present) {
    post([this, present] { OnPresence(present); });
  });
  watching_ = true;
}

void PlugMonitor::OnPresence(bool present) {
  const Event event = present ? Event::kArrived : Event::kRemoved;
  LogEvent(event);
  Report(event);
}

void PlugMonitor::Report(Event event) {
  if (event == last_) return;
  last_ = event;
  // A handler may delete this monitor (a reconnect rebuilding the watch).
  QPointer<PlugMonitor> self(this);
  if (event == Event::kArrived) {
    emit arrived();
    if (self && on_arrival) on_arrival();
  } else {
    emit removed();
    if (self && on_removal) on_removal();
  }
}

}  // namespace tolva::app
