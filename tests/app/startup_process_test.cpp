#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include "spawn_guard.h"

namespace {

// Runs the program in its own working directory, as a user would start it from a folder.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { TOLVA_SKIP_IF_NO_SPAWN(); }
  // The program is built into the same folder as this test.
  static QString BinDir() {
    const QString dir = qEnvironmentVariable("TOLVA_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
  }
  // Each test has its own runtime directory, so its lock meets no copy the user is running.
  void Start(QProcess& process, const QStringList& args, const QString& device_env = {},
             const QString& work_dir = {}) {
    process.setWorkingDirectory(work_dir.isEmpty() ? dir_.path() : work_dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime_.path());
    if (device_env.isEmpty()) {
      env.remove("TOLVA_DSP_DEVICE");
    } else {
      env.insert("TOLVA_DSP_DEVICE", device_env);
    }
    for (const QString& key : extra_env_.keys()) env.insert(key, extra_env_.value(key));
    process.setProcessEnvironment(env);
    process.start(QDir(BinDir()).filePath("tolva-dsp"), args);
    EXPECT_TRUE(process.waitForStarted(10000));
  }
  int Finish(QProcess& process) {
    EXPECT_TRUE(process.waitForFinished(60000));
    stderr_ = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  int Run(const QStringList& args, const QString& device_env = {}) {
    QProcess process;
    Start(process, args, device_env);
    return Finish(process);
  }
  QString LockPath() const { return runtime_.filePath("QUENDA4TO8_tolva dsp.lock"); }
  // Polls for a state another process reaches; bounded, it never waits for a fixed time.
  static bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(20000);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(20);
    }
    return true;
  }
  QString Path(const char* name) const { return dir_.filePath(name); }
  void Write(const char* name, const QByteArray& bytes) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Read(const char* name) {
    QFile f(Path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static QString FromUtf16Le(const QByteArray& bytes) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
  }

  // One offscreen screen of the given size in physical pixels, at the desktop scale `scale`.
  void UseScreen(int width, int height, const char* scale) {
    const QString config = dir_.filePath("screens.json");
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("{\"screens\":[{\"name\":\"s\",\"x\":0,\"y\":0,\"width\":%1,"
                           "\"height\":%2,\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                .arg(width)
                .arg(height)
                .toUtf8());
    f.close();
    extra_env_.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config);
    extra_env_.insert("QT_SCALE_FACTOR", scale);
  }

  QProcessEnvironment extra_env_;
  QTemporaryDir dir_;
  QTemporaryDir runtime_;
  QByteArray stderr_;
};

TEST_F(StartupTest, WithTheMarkerTheLogIsRenewedAndStartsWithItsFirstLine) {
  Write("savelog.ini", "");
  Write("save.log", QByteArray("left over from the last run, much longer than the new log"));
  Write("config.ini", "[config]\r\nlan=0\r\n");
  ASSERT_EQ(Run({"--screenshot", Path("en.png"), "--lang", "en"}), 0) << stderr_.constData();
  const QString log = FromUtf16Le(Read("save.log"));
  EXPECT_TRUE(log.startsWith("InitConsoleWindow OK!\nm_MainScreen (0,0,")) << log.toStdString();
  EXPECT_TRUE(log.contains("\nm_VirtualScreen (")) << log.toStdString();
  EXPECT_TRUE(log.contains("\nscreen size ")) << log.toStdString();
  EXPECT_FALSE(log.contains("left over"));
  EXPECT_FALSE(Read("save.log").startsWith("\xFF\xFE")) << "no byte-order mark";
  // Taking a picture never rewrites the configuration.
  EXPECT_EQ(Read("config.ini"), "[config]\r\nlan=0\r\n");
}

TEST_F(StartupTest, WithoutTheMarkerNoLogIsMade) {
  ASSERT_EQ(Run({"--screenshot", Path("cn.png"), "--lang", "cn", "--scale", "100"}), 0)
      << stderr_.constData();
  EXPECT_FALSE(QFile::exists(Path("save.log")));
  EXPECT_FALSE(QFile::exists(Path("config.ini")));
  const QImage image(Path("cn.png"));
  ASSERT_FALSE(image.isNull());
  // 1230 x 650 at 100 %, in device pixels.
  EXPECT_EQ(image.width(), qRound(1230 * image.devicePixelRatio()));
  EXPECT_EQ(image.height(), qRound(650 * image.devicePixelRatio()));
}

TEST_F(StartupTest, AnUnknownDeviceStopsWithExitCodeTwoAndAMessage) {
  EXPECT_EQ(Run({"--device", "usb0"}), 2);
  EXPECT_TRUE(stderr_.contains("unknown device \"usb0\"")) << stderr_.constData();
  EXPECT_EQ(Run({}, "socket:"), 2);
  EXPECT_TRUE(stderr_.contains("socket:PATH")) << stderr_.constData();
}

TEST_F(StartupTest, AnUnwritableScreenshotIsAFailure) {
  EXPECT_EQ(Run({"--screenshot", Path("missing/dir/shot.png")}), 1);
  EXPECT_TRUE(stderr_.contains("cannot write")) << stderr_.constData();
}

TEST_F(StartupTest, ASecondCopyLeavesTheFirstRunningWhichShutsDownInOrderOnTerm) {
  Write("savelog.ini", "");
  QProcess first;
  Start(first, {"--device", "emulator"});
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(LockPath()); }));

  ASSERT_TRUE(WaitUntil([&] { return Read("save.log").size() > 200; }));

  // The second copy, started from the same folder, stops at its "already running" box; the
  // first is not disturbed, nor is its log: the second opens none, so it empties none.
  QProcess second;
  Start(second, {});
  EXPECT_FALSE(second.waitForFinished(1500)) << "the second copy did not wait at its message";
  second.kill();
  second.waitForFinished(10000);
  EXPECT_EQ(first.state(), QProcess::Running);
  EXPECT_TRUE(QFile::exists(LockPath()));
  EXPECT_TRUE(FromUtf16Le(Read("save.log")).startsWith("InitConsoleWindow OK!\nm_MainScreen"))
      << "the running copy's log was emptied";

  // SIGTERM (logout, a service manager) takes the normal way out: exit code 0, log flushed,
  // lock removed.
  first.terminate();
  EXPECT_EQ(Finish(first), 0) << stderr_.constData();
  EXPECT_FALSE(QFile::exists(LockPath()));
  EXPECT_TRUE(FromUtf16Le(Read("save.log")).startsWith("InitConsoleWindow OK!\n"));
}

// The main window at the scale start-up picks must fit the screen it opens on; a desktop that
// scales by 1.5 or 2 asks for more than a 1600 x 1000 screen holds.
TEST_F(StartupTest, TheWindowFitsTheScreenAtEveryDesktopScale) {
  for (const char* scale : {"1", "1.5", "2"}) {
    SCOPED_TRACE(scale);
    UseScreen(1600, 1000, scale);
    const QString shot = Path("fit.png");
    QFile::remove(shot);
    ASSERT_EQ(Run({"--screenshot", shot, "--lang", "en"}), 0) << stderr_.constData();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_LE(image.width(), 1600);
    EXPECT_LE(image.height(), 1000);
    // Not shrunk further than fitting asks: at 1.0 the layout's own size.
    if (QByteArray(scale) == "1") EXPECT_EQ(image.size(), QSize(1230, 650));
    if (QByteArray(scale) != "1") EXPECT_GE(image.width(), 1500) << "as large as fits";
  }
}

TEST_F(StartupTest, HelpNeedsNoDisplay) {
  extra_env_.insert("QT_QPA_PLATFORM", "xcb");
  extra_env_.insert("DISPLAY", "");
  extra_env_.insert("WAYLAND_DISPLAY", "");
  QProcess process;
  Start(process, {"--help"});
  EXPECT_EQ(Finish(process), 0) << stderr_.constData();
  EXPECT_TRUE(process.readAllStandardOutput().contains("--device")) << stderr_.constData();
}

}  // namespace
