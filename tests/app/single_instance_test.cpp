#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include "spawn_guard.h"

namespace tolva::app {
namespace {

TEST(SingleInstanceGuard, SecondCopyIsRefusedUntilTheFirstLetsGo) {
  QTemporaryDir dir;
  SingleInstanceGuard first(dir.path());
  SingleInstanceGuard second(dir.path());
  EXPECT_TRUE(first.path().endsWith("QUENDA4TO8_tolva dsp.lock"));
  ASSERT_TRUE(first.Acquire());
  EXPECT_TRUE(first.Acquire()) << "asking again keeps the lock";
  EXPECT_FALSE(second.Acquire());
  first.Release();
  EXPECT_TRUE(second.Acquire());
}

TEST(SingleInstanceGuard, ALockLeftByACrashedCopyIsTakenOver) {
  TOLVA_SKIP_IF_NO_SPAWN();
  QTemporaryDir dir;
  SingleInstanceGuard guard(dir.path());
  // A copy that died without unlocking: its process id no longer runs.
  QProcess dead;
  dead.start("true");
  ASSERT_TRUE(dead.waitForStarted());
  const qint64 pid = dead.processId();
  ASSERT_TRUE(dead.waitForFinished());
  QFile stale(guard.path());
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write(QByteArray::number(pid) + "\ntolva-dsp\n" + QSysInfo::machineHostName().toUtf8() +
              "\n");
  stale.close();
  EXPECT_TRUE(guard.Acquire());
}

TEST(SingleInstanceGuard, AnUnusableDirectoryDoesNotKeepTheProgramFromRunning) {
  SingleInstanceGuard guard("/nonexistent/runtime/dir");
  EXPECT_TRUE(guard.Acquire());
}

}  // namespace
}  // namespace tolva::app
