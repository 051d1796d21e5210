#include "app/application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QProcessEnvironment>

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
#include "ui/kit/theme.h"
#include "ui/main_wnd.h"
#include "ui/window_dialogs.h"

namespace tolva::app {
namespace {

constexpr const char* kDesktopId = "org.tolva.tolvadsp";

// The program's own files live in the directory it was started from, not beside the binary.
std::string InWorkingDirectory(const QString& directory, const char* name) {
  return QDir(directory).filePath(QString::fromLatin1(name)).toStdString();
}

void ShowAlreadyRunning(CMainWnd& window) {
  ShowMessageBox(&window, QStringLiteral("${mutex_tips}"), QStringLiteral("${tips}"));
}

}  // namespace

int RunApplication(int argc, char** argv) {
  if (const std::optional<QString> text = TextOnlyAnswer(argc, argv)) {
    std::fputs(text->toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const QString working_dir = QDir::currentPath();
  if (QFileInfo::exists(QDir(working_dir).filePath(QStringLiteral("savelog.ini")))) {
    InitConsoleWindow(InWorkingDirectory(working_dir, "save.log"));
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tolva-dsp"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/common/app_icon.svg")));
  // Windows the program does not build itself (file dialogs) follow the theme too.
  QApplication::setPalette(tolva::kit::theme::Palette());

  const ParsedOptions parsed = ParseAppOptions(
      QApplication::arguments(),
      QProcessEnvironment::systemEnvironment().value(QStringLiteral("TOLVA_DSP_DEVICE")));
  if (!parsed.options) {
    std::FILE* out = parsed.exit_code == 0 ? stdout : stderr;
    std::fprintf(out, parsed.exit_code == 0 ? "%s" : "tolva-dsp: %s\n",
                 parsed.message.toLocal8Bit().constData());
    CloseConsoleWindow();
    return parsed.exit_code;
  }
  const AppOptions& options = *parsed.options;
  const bool screenshot = !options.screenshot_path.isEmpty();

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
      SingleInstanceGuard guard(SingleInstanceGuard::DefaultDirectory());
      window.SetCloseHook([] { DisconnectEqualizerManager(); });
      if (!guard.Acquire()) {
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
