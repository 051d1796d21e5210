#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include "spawn_guard.h"

// The desktop files name each other: a launcher whose icon, file types or device ids do not
// match the other files installs cleanly and then silently does nothing.
namespace {

QString Packaging(const char* name) {
  return QStringLiteral(TOLVA_SOURCE_DIR "/packaging/") + QLatin1String(name);
}

QString ReadText(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return QString::fromUtf8(f.readAll());
}

QString DesktopValue(const QString& desktop, const char* key) {
  const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(QLatin1String(key)),
                                QRegularExpression::MultilineOption);
  return line.match(desktop).captured(1);
}

TEST(Packaging, LauncherFileTypesAndIconAgree) {
  const QString desktop = ReadText(Packaging("org.tolva.tolvadsp.desktop"));
  EXPECT_EQ(DesktopValue(desktop, "Icon"), "org.tolva.tolvadsp");
  EXPECT_TRUE(DesktopValue(desktop, "Exec").startsWith("tolva-dsp "));

  QSet<QString> desktop_types;
  for (const QString& t : DesktopValue(desktop, "MimeType").split(';', Qt::SkipEmptyParts)) {
    desktop_types.insert(t);
  }
  QFile mime(Packaging("org.tolva.tolvadsp.mime.xml"));
  ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&mime);
  QSet<QString> declared;
  QSet<QString> globs;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("mime-type")) {
      declared.insert(xml.attributes().value("type").toString());
    }
    if (xml.name() == QLatin1String("glob")) {
      globs.insert(xml.attributes().value("pattern").toString());
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(desktop_types, declared);
  EXPECT_EQ(globs, (QSet<QString>{"*.spf", "*.wpf"}));

  const QString metainfo = ReadText(Packaging("org.tolva.tolvadsp.metainfo.xml"));
  EXPECT_TRUE(metainfo.contains("<id>org.tolva.tolvadsp</id>"));
  EXPECT_TRUE(metainfo.contains(">org.tolva.tolvadsp.desktop</launchable>"));
  for (const QString& type : declared) EXPECT_TRUE(metainfo.contains(type)) << type.toStdString();
}

// Software centres and menus drop or misfile entries their validators reject; the component id,
// the launcher and the metainfo file names must also agree for the metainfo to be picked up.
TEST(Packaging, LauncherAndMetainfoPassTheDistributionValidators) {
  TOLVA_SKIP_IF_NO_SPAWN();
  const struct {
    const char* program;
    QStringList arguments;
  } checks[] = {
      {"desktop-file-validate", {Packaging("org.tolva.tolvadsp.desktop")}},
      {"appstreamcli",
       {"validate", "--pedantic", "--no-net", Packaging("org.tolva.tolvadsp.metainfo.xml")}},
  };
  for (const auto& check : checks) {
    const QString program = QStandardPaths::findExecutable(QLatin1String(check.program));
    ASSERT_FALSE(program.isEmpty()) << check.program << " is missing (scripts/packages.txt)";
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, check.arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << check.program;
    const QString output = QString::fromUtf8(process.readAll());
    EXPECT_EQ(process.exitCode(), 0) << check.program << ": " << output.toStdString();
    // Hints and pedantic notes pass with exit code 0; they are faults here all the same.
    EXPECT_FALSE(
        output.contains(QRegularExpression(QStringLiteral("\\b(hint|warning|error)\\b|^[PIWE]: "),
                                           QRegularExpression::MultilineOption)))
        << check.program << ": " << output.toStdString();
  }
}

TEST(Packaging, UdevRuleGrantsTheUnitToTheSeatBeforeUaccessRuns) {
  const QString rules = ReadText(Packaging("60-tolva-dsp.rules"));
  const auto rule = QRegularExpression(QStringLiteral("^KERNEL==\"hidraw\\*\".*$"),
                                       QRegularExpression::MultilineOption)
                        .match(rules)
                        .captured(0);
  // udev compares the sysfs text, which is lower-case hex: "5750" matches, an upper-case id
  // would never match anything.
  auto attribute = [&](const char* name) {
    return QRegularExpression(QStringLiteral("ATTRS\\{%1\\}==\"([^\"]*)\"").arg(name))
        .match(rule)
        .captured(1);
  };
  EXPECT_EQ(attribute("idVendor"), "0483") << rule.toStdString();
  EXPECT_EQ(attribute("idProduct"), "5750") << rule.toStdString();
  EXPECT_TRUE(rule.contains("TAG+=\"uaccess\"")) << rule.toStdString();
}

}  // namespace
