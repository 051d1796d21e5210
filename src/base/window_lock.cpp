#include "base/window_lock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>

namespace tolva {

QString WindowLockName() {
  return QString::asprintf("QUENDA4TO8_%s", "tolva dsp");
}

QString WindowLockDirectory() {
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return dir.isEmpty() ? QDir::tempPath() : dir;
}

qint64 RunningWindowProcess(const QString& directory) {
  QLockFile lock(QDir(directory).filePath(WindowLockName() + QStringLiteral(".lock")));
  qint64 pid = 0;
  QString host;
  QString app;
  if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0) return 0;
  // A process that no longer runs holds nothing; one of another user still does.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM ? pid : 0;
}

}  // namespace tolva
