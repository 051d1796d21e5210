#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

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
  int Run(const QStringList& args, const QString& device_env = {}) {
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (device_env.isEmpty()) {
      env.remove("TOLVA_DSP_DEVICE");
    } else {
      env.insert("TOLVA_DSP_DEVICE", device_env);
    }
    process.setProcessEnvironment(env);
    process.start(QDir(BinDir()).filePath("tolva-dsp"), args);
    EXPECT_TRUE(process.waitForStarted(10000));
    EXPECT_TRUE(process.waitForFinished(60000));
    stderr_ = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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

  QTemporaryDir dir_;
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

}  // namespace
