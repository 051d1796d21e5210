#include "app/single_instance.h"

#include <QDir>

#include "base/window_lock.h"

namespace tolva::app {

SingleInstanceGuard::SingleInstanceGuard(const QString& directory)
    : path_(QDir(directory).filePath(LockName() + QStringLiteral(".lock"))) {}

SingleInstanceGuard::~SingleInstanceGuard() {
  Release();
}

QString SingleInstanceGuard::LockName() {
  return WindowLockName();
}

QString SingleInstanceGuard::DefaultDirectory() {
  return WindowLockDirectory();
}

bool SingleInstanceGuard::Acquire() {
  if (lock_ && lock_->isLocked()) return true;
  lock_ = std::make_unique<QLockFile>(path_);
  // A live owner's lock never goes stale; a dead owner's is recognised by its process id.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return true;
  return lock_->error() != QLockFile::LockFailedError;
}

void SingleInstanceGuard::Release() {
  if (lock_ && lock_->isLocked()) lock_->unlock();
  lock_.reset();
}

}  // namespace tolva::app
