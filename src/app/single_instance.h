#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace tolva::app {

// One running copy per user session. A lock file named like the unit's original mutex
// ("QUENDA4TO8_tolva dsp"); the owner's process id in it lets a copy that crashed be replaced.
class SingleInstanceGuard {
 public:
  // `directory`: where the lock lives (the user's runtime directory in the program).
  explicit SingleInstanceGuard(const QString& directory);
  ~SingleInstanceGuard();

  // True when this copy is the first; false when another live copy holds the lock. A lock that
  // cannot be made at all (unwritable directory) counts as first: the program still runs.
  bool Acquire();
  void Release();

  static QString LockName();
  static QString DefaultDirectory();
  QString path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace tolva::app
