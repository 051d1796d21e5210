#include "app/app_options.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include "app/app_manual.h"
#include "base/version.h"

namespace tolva::app {
namespace {

constexpr int kMinScreenshotScale = 25;
constexpr int kMaxScreenshotScale = 400;

ParsedOptions Failure(const QString& message) {
  ParsedOptions result;
  result.message = message;
  result.exit_code = 2;
  return result;
}

}  // namespace

std::optional<DeviceChoice> ParseDeviceChoice(const QString& text) {
  const std::string utf8 = text.toStdString();
  auto target = device::ParseDeviceTarget(utf8);
  if (!target) return std::nullopt;
  return DeviceChoice{std::move(*target), utf8};
}

namespace {

// The options as the parser takes them; the manual page is written from the same objects.
struct OptionDefinitions {
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                          QStringLiteral("Show this help.")};
  QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the program version.")};
  QCommandLineOption device{QStringLiteral("device"),
                            QStringLiteral("The unit to use: hid (default), emulator or "
                                           "socket:PATH. Overrides TOLVA_DSP_DEVICE."),
                            QStringLiteral("D")};
  QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                QStringLiteral("Render the main window to FILE.png and exit."),
                                QStringLiteral("FILE.png")};
  QCommandLineOption lang{QStringLiteral("lang"), QStringLiteral("With --screenshot: cn or en."),
                          QStringLiteral("cn|en")};
  QCommandLineOption scale{QStringLiteral("scale"),
                           QStringLiteral("With --screenshot: display scale in percent."),
                           QStringLiteral("PERCENT")};
  // For the build, which writes the manual page with it; --help leaves it out.
  QCommandLineOption manual_page{QStringLiteral("manual-page"), QStringLiteral("")};
  QString description =
      QStringLiteral("Tunes a car-audio DSP unit over USB: crossovers, EQ, delay, scenes.");
  QString files_help = QStringLiteral("Profile files (.spf, .wpf) to open.");

  OptionDefinitions() { manual_page.setFlags(QCommandLineOption::HiddenFromHelp); }
  QList<QCommandLineOption> All() const {
    return {help, version, device, screenshot, lang, scale, manual_page};
  }
};

}  // namespace

manual::CommandOutline AppOptionsOutline() {
  const OptionDefinitions defined;
  manual::CommandOutline outline;
  outline.name = "tolva-dsp";
  outline.help = defined.description.toStdString();
  for (const QCommandLineOption& option : defined.All()) {
    if (option.flags() & QCommandLineOption::HiddenFromHelp) continue;
    manual::OptionOutline o;
    for (const QString& name : option.names()) {
      o.names.push_back((name.size() == 1 ? "-" : "--") + name.toStdString());
    }
    o.value = option.valueName().toStdString();
    o.help = option.description().toStdString();
    outline.options.push_back(std::move(o));
  }
  outline.arguments.push_back({"FILE", defined.files_help.toStdString(), {}, false, true});
  return outline;
}

ParsedOptions ParseAppOptions(const QStringList& arguments, const QString& environment_device) {
  const OptionDefinitions defined;
  QCommandLineParser parser;
  parser.setApplicationDescription(defined.description);
  parser.addOptions(defined.All());
  parser.addPositionalArgument(QStringLiteral("files"), defined.files_help,
                               QStringLiteral("[files...]"));
  const QCommandLineOption& help_option = defined.help;
  const QCommandLineOption& device_option = defined.device;
  const QCommandLineOption& screenshot_option = defined.screenshot;
  const QCommandLineOption& lang_option = defined.lang;
  const QCommandLineOption& scale_option = defined.scale;

  if (!parser.parse(arguments)) return Failure(parser.errorText());
  if (parser.isSet(help_option) || parser.isSet(defined.version) ||
      parser.isSet(defined.manual_page)) {
    ParsedOptions result;
    if (parser.isSet(help_option)) {
      result.message = parser.helpText();
      // Without an application object (help needs no display) Qt cannot name the program.
      result.message.replace(QStringLiteral("<executable_name>"),
                             QFileInfo(arguments.value(0)).fileName());
    } else if (parser.isSet(defined.version)) {
      result.message = QStringLiteral("tolva-dsp %1\n").arg(QLatin1String(kVersion));
    } else {
      result.message = QString::fromStdString(AppManualPage());
    }
    return result;
  }

  AppOptions options;
  const QString device_text =
      parser.isSet(device_option) ? parser.value(device_option) : environment_device;
  if (!device_text.isEmpty()) {
    auto device = ParseDeviceChoice(device_text);
    if (!device) {
      return Failure(QStringLiteral("unknown device \"%1\": expected hid, emulator or socket:PATH")
                         .arg(device_text));
    }
    options.device = *device;
  }

  options.screenshot_path = parser.value(screenshot_option);
  const bool screenshot = parser.isSet(screenshot_option);
  if (screenshot && options.screenshot_path.isEmpty()) {
    return Failure(QStringLiteral("--screenshot needs a file name"));
  }
  if (parser.isSet(lang_option)) {
    const QString lang = parser.value(lang_option).toLower();
    if (lang != QLatin1String("cn") && lang != QLatin1String("en")) {
      return Failure(QStringLiteral("unknown language \"%1\": expected cn or en")
                         .arg(parser.value(lang_option)));
    }
    options.screenshot_chinese = lang == QLatin1String("cn");
  }
  if (parser.isSet(scale_option)) {
    bool ok = false;
    const int scale = parser.value(scale_option).toInt(&ok);
    if (!ok || scale < kMinScreenshotScale || scale > kMaxScreenshotScale) {
      return Failure(QStringLiteral("--scale must be a whole percentage from %1 to %2")
                         .arg(kMinScreenshotScale)
                         .arg(kMaxScreenshotScale));
    }
    options.screenshot_scale = scale;
  }
  if (!screenshot && (parser.isSet(lang_option) || parser.isSet(scale_option))) {
    return Failure(QStringLiteral("--lang and --scale only go with --screenshot"));
  }
  options.files = parser.positionalArguments();

  ParsedOptions result;
  result.options = std::move(options);
  return result;
}

std::optional<QString> TextOnlyAnswer(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const ParsedOptions parsed = ParseAppOptions(arguments, {});
  // Anything else, errors included, waits for Qt, which takes its own options out first.
  if (parsed.options || parsed.exit_code != 0) return std::nullopt;
  return parsed.message;
}

}  // namespace tolva::app
