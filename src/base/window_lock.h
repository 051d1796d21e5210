#pragma once

#include <QString>

// Where the window's one-copy-per-user lock lives, and who holds it: the window takes it at
// start, the command-line tool reads it to tell why the unit does not answer it.
namespace tolva {

// "QUENDA4TO8_tolva dsp", named like the unit's original mutex.
QString WindowLockName();
// The user's runtime directory, or the temporary directory where there is none.
QString WindowLockDirectory();
// The process id of a running window that holds the lock in `directory`, or 0 when none does
// (no lock, or one left by a copy that has died).
qint64 RunningWindowProcess(const QString& directory = WindowLockDirectory());

}  // namespace tolva
