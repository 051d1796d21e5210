#include "app/app_options.h"

#include <QCommandLineParser>

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

ParsedOptions ParseAppOptions(const QStringList& arguments, const QString& environment_device) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Tunes a car-audio DSP unit over USB: crossovers, EQ, delay, scenes."));
  const QCommandLineOption help_option({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("Show this help."));
  const QCommandLineOption device_option(
      QStringLiteral("device"),
      QStringLiteral("The unit to use: hid (default), emulator or socket:PATH. "
                     "Overrides TOLVA_DSP_DEVICE."),
      QStringLiteral("D"));
  const QCommandLineOption screenshot_option(
      QStringLiteral("screenshot"), QStringLiteral("Render the main window to FILE.png and exit."),
      QStringLiteral("FILE.png"));
  const QCommandLineOption lang_option(QStringLiteral("lang"),
                                       QStringLiteral("With --screenshot: cn or en."),
                                       QStringLiteral("cn|en"));
  const QCommandLineOption scale_option(
      QStringLiteral("scale"), QStringLiteral("With --screenshot: display scale in percent."),
      QStringLiteral("PERCENT"));
  parser.addOptions({help_option, device_option, screenshot_option, lang_option, scale_option});
  parser.addPositionalArgument(QStringLiteral("files"),
                               QStringLiteral("Profile files (.spf, .wpf) to open."),
                               QStringLiteral("[files...]"));

  if (!parser.parse(arguments)) return Failure(parser.errorText());
  if (parser.isSet(help_option)) {
    ParsedOptions result;
    result.message = parser.helpText();
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

}  // namespace tolva::app
