#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>

#include <cmath>
#include <cstdio>

#include "app/app_options.h"
#include "app/display_change_watch.h"
#include "app/manager_hooks.h"
#include "app/screenshot_option.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "app/window_placement.h"
#include "base/config.h"
#include "base/debug_print.h"
#include "base/language_switch.h"
#include "base/language_tables.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/main_wnd.h"
#include "ui/windows/window_dialogs.h"

namespace tolva::app {
namespace {

constexpr const char* kDesktopId = "org.tolva.tolvadsp";

// The program's own files live in the directory it was started from, not beside the binary.
std::string InWorkingDirectory(const QString& directory, const char* name) {
  return QDir(directory).filePath(QString::fromLatin1(name)).toStdString();
}

void ShowAlreadyRunning(CMainWnd& window) {
  ui::ShowMessageBox(&window, QStringLiteral("${mutex_tips}"), QStringLiteral("${tips}"));
}

}  // namespace

int RunApplication(int argc, char** argv) {
  if (const std::optional<QString> text = TextOnlyAnswer(argc, argv)) {
    std::fputs(text->toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const QString working_dir = QDir::currentPath();
  const QString device_env = qEnvironmentVariable("TOLVA_DSP_DEVICE");
  // --help (and --version) answer before the display is opened, so they work without one.
  {
    QStringList raw;
    for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
    const ParsedOptions early = ParseAppOptions(raw, device_env);
    if (!early.options && early.exit_code == 0) {
      std::fputs(early.message.toLocal8Bit().constData(), stdout);
      return 0;
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tolva-dsp"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/common/app_icon.svg")));
  // Windows the program does not build itself (file dialogs) follow the theme too.
  QApplication::setPalette(tolva::kit::theme::Palette());

  // Parsed again without the toolkit's own options (-platform...), which it has taken.
  const ParsedOptions parsed = ParseAppOptions(QApplication::arguments(), device_env);
  if (!parsed.options) {
    std::FILE* out = parsed.exit_code == 0 ? stdout : stderr;
    std::fprintf(out, parsed.exit_code == 0 ? "%s" : "tolva-dsp: %s\n",
                 parsed.message.toLocal8Bit().constData());
    return parsed.exit_code;
  }
  const AppOptions& options = *parsed.options;
  const bool screenshot = !options.screenshot_path.isEmpty();

  // The single instance is settled before the log is opened: opening empties save.log, and a
  // second copy would empty the log of the copy that runs. A screenshot takes no lock, and logs
  // only when no copy is running.
  SingleInstanceGuard guard(SingleInstanceGuard::DefaultDirectory());
  const bool first_copy = guard.Acquire();
  if (screenshot) guard.Release();
  if (first_copy && QFileInfo::exists(QDir(working_dir).filePath(QStringLiteral("savelog.ini")))) {
    InitConsoleWindow(InWorkingDirectory(working_dir, "save.log"));
  }

  int exit_code = 0;
  bool restart = false;
  {
    CMainWnd window;
    LoadLanguageTables(Languages(), ":/lan/", ConfigIniPath());
    if (options.screenshot_chinese) {
      Languages().Select(*options.screenshot_chinese ? LanguageTables::kChinese
                                                     : LanguageTables::kEnglish);
    }
    window.RetranslateAll();
    const WindowPlacement placement =
        PlaceMainWindow(CMainWnd::LayoutSize(), options.screenshot_scale);
    // The theme (fonts, fixed sizes, margins, and the dialogs it opens) at the scale the window
    // is sized for, in Qt's pixels.
    window.SetDisplayScale(static_cast<int>(std::lround(placement.font_factor * 100)));
    ApplyPlacement(window, placement);

    if (screenshot) {
      // A picture of the window only: no unit, no lock, so it works beside a running copy.
      if (!SaveWindowScreenshot(window, options.screenshot_path)) {
        std::fprintf(stderr, "tolva-dsp: cannot write %s\n",
                     options.screenshot_path.toLocal8Bit().constData());
        exit_code = 1;
      }
    } else {
      window.SetCloseHook([] { DisconnectEqualizerManager(); });
      if (!first_copy) {
        ShowAlreadyRunning(window);
        window.close();
      } else {
        ConnectEqualizerManager(window, options);
        auto close_window = [&window] {
          QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
        };
        DisplayChangeWatch watch;
        QObject::connect(&watch, &DisplayChangeWatch::DisplayChanged, &window, close_window);
        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::TerminationRequested, &window,
                         close_window);
        window.show();
        QApplication::exec();
        restart = watch.changed();
      }
      // The lock goes before a restarted copy starts, or it would find itself running already.
      guard.Release();
    }
  }

  if (restart) {
    // The same device choice and files as this copy had.
    if (!QProcess::startDetached(QApplication::applicationFilePath(),
                                 QApplication::arguments().mid(1))) {
      DebugPrint(L"restart failed\n");
    }
  }
  CloseConsoleWindow();
  return exit_code;
}

}  // namespace tolva::app
