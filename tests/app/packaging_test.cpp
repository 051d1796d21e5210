#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "base/version.h"
#include "manual/manual_page.h"
#include "spawn_guard.h"

// The desktop files name each other: a launcher whose icon, file types or device ids do not
// match the other files installs cleanly and then silently does nothing.
namespace {

QString Packaging(const char* name) {
  return QStringLiteral(TOLVA_SOURCE_DIR "/packaging/") + QLatin1String(name);
}

// The metainfo as installed: CMake writes the release into it.
QString Metainfo() {
  return QStringLiteral(TOLVA_GENERATED_DIR "/packaging/org.tolva.tolvadsp.metainfo.xml");
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

  const QString metainfo = ReadText(Metainfo());
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
       {"validate", "--pedantic", "--no-net", Metainfo()}},
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

QString Program(const char* name) {
  const QString dir = qEnvironmentVariable("TOLVA_BIN_DIR");
  return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir) + "/" + name;
}

struct Output {
  int exit_code = -1;
  QString out, err;
};

Output RunProgram(const QString& program, const QStringList& arguments,
                  const QByteArray& input = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // Text answers need no display: none is offered.
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  process.write(input);
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

constexpr const char* kPrograms[] = {"tolva-dsp", "tolva-dsp-cli", "tolva-dsp-emulator"};

// The package, the About window and the metainfo name one version; a program that printed
// another would be reported as the wrong release.
TEST(Packaging, EveryProgramAndTheReleaseListNameTheBuildVersion) {
  TOLVA_SKIP_IF_NO_SPAWN();
  for (const char* name : kPrograms) {
    const Output version = RunProgram(Program(name), {"--version"});
    EXPECT_EQ(version.exit_code, 0) << name << ": " << version.err.toStdString();
    EXPECT_EQ(version.out.toStdString(), std::string(name) + " " + tolva::kVersion + "\n");
  }
  const QString metainfo = ReadText(Metainfo());
  const QRegularExpression newest(QStringLiteral("<release version=\"([^\"]+)\" date=\"([^\"]+)\""));
  const auto match = newest.match(metainfo);
  EXPECT_EQ(match.captured(1).toStdString(), tolva::kVersion);
  EXPECT_EQ(match.captured(2).toStdString(), tolva::kReleaseDate);
}

// The commands --help lists, with their subcommands: "  name   text" under "Subcommands:".
QStringList HelpCommands(const QStringList& words) {
  const Output help = RunProgram(Program("tolva-dsp-cli"), words + QStringList{"--help"});
  const qsizetype start = help.out.indexOf("Subcommands:");
  if (start < 0) return {};
  QStringList names;
  for (const QString& line : help.out.mid(start).split('\n').mid(1)) {
    const QString name = line.trimmed().section(' ', 0, 0);
    if (!line.startsWith("  ") || name.isEmpty()) break;
    names.append((words + QStringList{name}).join(' '));
    names.append(HelpCommands(words + QStringList{name}));
  }
  return names;
}

// man(1) points at each markup fault it has to guess around; lintian fails a package for them.
TEST(Packaging, ManualPagesRenderCleanlyAndDescribeEveryCommandHelpLists) {
  TOLVA_SKIP_IF_NO_SPAWN();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : kPrograms) {
    const Output page = RunProgram(Program(name), {"--manual-page"});
    ASSERT_EQ(page.exit_code, 0) << name << ": " << page.err.toStdString();
    const std::string heading = ".TH " + tolva::manual::RoffText(QString(name).toUpper().toStdString());
    ASSERT_TRUE(page.out.startsWith(QString::fromStdString(heading + " 1")))
        << page.out.left(200).toStdString();
    const QString path = dir.filePath(QString(name) + ".1");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page.out.toUtf8());
    file.close();
    QProcess man;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("LC_ALL", "C.UTF-8");
    man.setProcessEnvironment(env);
    man.start("man", {"--warnings", "-E", "UTF-8", "-l", path});
    ASSERT_TRUE(man.waitForFinished(60000));
    EXPECT_EQ(man.exitCode(), 0) << name;
    EXPECT_EQ(QString::fromUtf8(man.readAllStandardError()).toStdString(), "") << name;
    const QString shown = QString::fromUtf8(man.readAllStandardOutput());
    EXPECT_TRUE(shown.contains("--version")) << name;
  }
  const QStringList commands = HelpCommands({});
  EXPECT_GE(commands.size(), 15) << commands.join(", ").toStdString();
  const QString page = RunProgram(Program("tolva-dsp-cli"), {"--manual-page"}).out;
  for (const QString& command : commands) {
    EXPECT_TRUE(page.contains(QStringLiteral(".SS \"%1").arg(tolva::manual::RoffText(
                    command.toStdString()).c_str())))
        << command.toStdString();
  }
}

TEST(Packaging, ManualTextCannotBeReadAsMarkup) {
  // A help text starting with a dot would be a request to man, a backslash an escape.
  EXPECT_EQ(tolva::manual::RoffText(".spf or 'unit'\n.wpf"), "\\&.spf or 'unit'\n\\&.wpf");
  EXPECT_EQ(tolva::manual::RoffText("C:\\dsp --force"), "C:\\edsp \\-\\-force");
}

// What Tab offers after the words typed, from the script the package installs.
class CliCompletion : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(CliCompletion, OffersTheWordsThatFitThere) {
  TOLVA_SKIP_IF_NO_SPAWN();
  const char* helpers = "/usr/share/bash-completion/bash_completion";
  ASSERT_TRUE(QFile::exists(helpers)) << "bash-completion is missing (scripts/packages.txt)";
  const Output script = RunProgram(Program("tolva-dsp-cli"), {"--bash-completion"});
  ASSERT_EQ(script.exit_code, 0) << script.err.toStdString();
  // The typed words end in the word being completed ("" after a space).
  const QString driver = QStringLiteral(
      "source %1\n"
      "eval \"$(cat)\"\n"
      "COMP_WORDS=(tolva-dsp-cli %2); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
      "COMP_LINE=\"${COMP_WORDS[*]}\"; COMP_POINT=${#COMP_LINE}\n"
      // Only bash's own completion may change its options; here there is nothing to change.
      "compopt() { :; }\n"
      "_tolva_dsp_cli 2>&1\n"
      "printf '%s\\n' \"${COMPREPLY[*]}\"\n")
                             .arg(helpers, GetParam().first);
  const Output offered = RunProgram("bash", {"-c", driver}, script.out.toUtf8());
  EXPECT_EQ(offered.err.toStdString(), "");
  EXPECT_EQ(offered.out.trimmed().toStdString(), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Packaging, CliCompletion,
    testing::Values(
        std::pair{"sc", "scenes scene"}, std::pair{"scene ''", "load save delete"},
        std::pair{"--json scene save ''", "1 2 3 4 5 6 7 8 9 10"},
        std::pair{"eq export --format ''", "apo rew"},
        std::pair{"--device ''", "hid emulator socket:"},
        std::pair{"--device emulator info --j", "--json"},
        std::pair{"get mainV", "mainVolume mainVolumeMute"},
        std::pair{"set mainVolume=-3 channels/2/cr", "channels/2/crossover/"},
        std::pair{"set channels/2/crossover/hp/", "channels/2/crossover/hp/fs= channels/2/crossover/hp/type= channels/2/crossover/hp/slope="},
        // Read-only fields are not offered to set.
        std::pair{"set mo", ""}, std::pair{"get mo", "model"}));

}  // namespace
