// Every window in the main window's theme, in both languages and at two scales: each label,
// button, toggle, field and ring text readable on what it is drawn on (from the colours the
// theme and its style sheet give the widgets), and the pictures of docs/screenshots.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>

#include "audio/simulated_car.h"
#include "base/language_tables.h"
#include "emulator/emulated_device.h"
#include "model/manager/equalizer_manager.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "ui/windows/about_wnd.h"
#include "ui/windows/auto_cal_wnd.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/api/text.h"
#include "ui/kit/widgets/theme.h"
#include "ui/windows/loading_wnd.h"
#include "ui/windows/measure_tune_wnd.h"
#include "ui/main/main_wnd.h"
#include "ui/windows/msg_wnd.h"
#include "ui/windows/scene_wnd.h"
#include "ui/main/screenshot.h"
#include "test_languages.h"
#include "ui/windows/update_fw_wnd.h"
#include "ui/windows/window_dialogs.h"

namespace {

using tolva::kit::CCircleProgressUI;
using tolva::kit::CSButtonUI;
using tolva::ui::AboutInfo;
using tolva::ui::CAboutWnd;
using tolva::ui::CLoadingWnd;
using tolva::ui::CMsgCheckBoxWnd;
using tolva::ui::CMsgWnd;
using tolva::ui::CNameMsgWnd;
using tolva::ui::NewMessageBox;
using tolva::ui::RenderWindowScreenshot;

namespace theme = tolva::kit::theme;

// The colour under a text: the widget's own background role where it paints one (fields, lists),
// else the nearest parent that paints its background.
QColor GroundOf(const QWidget* widget, QPalette::ColorGroup group, QPalette::ColorRole role,
                bool paints_own) {
  if (paints_own) return widget->palette().color(group, role);
  for (const QWidget* at = widget->parentWidget(); at != nullptr; at = at->parentWidget()) {
    const QColor c = at->palette().color(group, at->backgroundRole());
    const bool paints =
        at->isWindow() || at->autoFillBackground() || at->testAttribute(Qt::WA_StyledBackground);
    if (paints && c.alpha() == 255) return c;
    if (at->isWindow()) break;
  }
  return widget->window()->palette().color(group, QPalette::Window);
}

struct Lowest {
  double ratio = 21;
  std::string where;
  std::vector<std::string> failures;

  void Check(const QColor& ink, const QColor& ground, const std::string& what) {
    const double ratio_now = theme::ContrastRatio(theme::Over(ink, ground), ground);
    if (ratio_now < ratio) {
      ratio = ratio_now;
      where = what;
    }
    if (ratio_now < theme::kMinimumContrast) {
      failures.push_back(what + " " + ink.name().toStdString() + " on " +
                         ground.name().toStdString() + ": " + std::to_string(ratio_now));
    }
  }
};

std::string NameOf(const QWidget* w) {
  return (w->objectName().isEmpty() ? std::string(w->metaObject()->className())
                                    : w->objectName().toStdString());
}

// Every text a user sees in the window, in the enabled and the disabled state.
Lowest CheckWindow(QWidget& window) {
  Lowest lowest;
  QList<QWidget*> widgets = window.findChildren<QWidget*>();
  widgets.prepend(&window);
  const auto groups = {std::pair{QPalette::Active, "enabled"},
                       std::pair{QPalette::Disabled, "disabled"}};
  auto by_palette = [&](const QWidget* w, QPalette::ColorRole ink, QPalette::ColorRole ground,
                        const char* what) {
    const bool paints_own = ground != QPalette::Window;
    for (const auto& [group, state] : groups) {
      lowest.Check(w->palette().color(group, ink), GroundOf(w, group, ground, paints_own),
                   NameOf(w) + " " + what + " " + state);
    }
  };
  for (QWidget* w : widgets) {
    if (!w->isVisibleTo(&window) && w != &window) continue;
    if (auto* button = qobject_cast<CSButtonUI*>(w)) {
      if (button->text().isEmpty()) continue;
      for (bool enabled : {true, false}) {
        for (bool on : {false, true}) {
          const theme::ButtonLook look = button->LookWhen(enabled, on);
          lowest.Check(look.ink, look.fill,
                       NameOf(w) + (enabled ? " enabled" : " disabled") + (on ? " on" : " off"));
        }
      }
    } else if (qobject_cast<CCircleProgressUI*>(w) != nullptr) {
      by_palette(w, QPalette::WindowText, QPalette::Window, "percentage");
    } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
      by_palette(w, w->foregroundRole(), w->backgroundRole(), "text");
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      by_palette(w, QPalette::Text, QPalette::Base, "text");
      if (!edit->placeholderText().isEmpty()) {
        by_palette(w, QPalette::PlaceholderText, QPalette::Base, "placeholder");
      }
    } else if (qobject_cast<QComboBox*>(w) != nullptr || qobject_cast<QPushButton*>(w)) {
      by_palette(w, QPalette::ButtonText, QPalette::Button, "text");
    } else if (qobject_cast<QAbstractItemView*>(w) != nullptr) {
      by_palette(w, QPalette::Text, QPalette::Base, "row");
      for (const auto& [group, state] : groups) {  // the scene list's empty slots
        lowest.Check(theme::DimText(), w->palette().color(group, QPalette::Base),
                     NameOf(w) + " empty row " + state);
      }
      by_palette(w, QPalette::HighlightedText, QPalette::Highlight, "selected row");
    }
  }
  return lowest;
}

class WindowLook : public tolva::testing::MainWindowOnUnit {
 protected:
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    // A unit with a few named scenes and empty slots between them.
    auto& names = Manager().Unit().sceneName;
    tolva::model::SetSceneName(names[0], u"Daily");
    tolva::model::SetSceneName(names[1], u"Stage");
    tolva::model::SetSceneName(names[3], u"夜间");
  }

  using Build = std::function<std::unique_ptr<QWidget>()>;
  // Every window but the main one, built over it in the current language and scale.
  std::vector<std::pair<const char*, Build>> Windows() {
    QWidget* owner = &Main();
    auto& manager = Manager();
    return {
        {"scene",
         [=, &manager] {
           auto w = std::make_unique<CSceneWnd>(owner, manager, CSceneWnd::Mode::kLoad);
           w->findChild<QListWidget*>(QStringLiteral("listview"))->setCurrentRow(1);
           return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"update",
         [=, &manager] {
           return std::unique_ptr<QWidget>(std::make_unique<CUpdateFwWnd>(owner, manager));
         }},
        {"auto_cal",
         [=, &manager] {
           return std::unique_ptr<QWidget>(std::make_unique<CAutoCalWnd>(owner, manager));
         }},
        {"measure_tune",
         [=, &manager] {
           auto audio = std::make_shared<tolva::audio::SimulatedAudio>(tolva::audio::SimulatedCar{});
           return std::unique_ptr<QWidget>(std::make_unique<CMeasureTuneWnd>(
               owner, manager, tolva::ui::tune::MakeSessionBackend(manager, audio), nullptr));
         }},
        {"message",
         [=] {
           auto w = std::make_unique<CMsgWnd>(owner);
           w->SetTitle(QStringLiteral("${tips}"));
           w->SetText(QStringLiteral("${factory_default_tips}"));
           return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"choice",
         [=] {
           auto w = std::make_unique<CMsgWnd>(owner);
           w->SetTitle(QStringLiteral("${tips}"));
           w->SetText(QStringLiteral("${irc_apply_tips}"));
           w->SetButtons({QStringLiteral("${confirm}"), QStringLiteral("${cancel}"),
                          QStringLiteral("${irc_cancel_data}")});
           return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"check",
         [=] {
           auto w = std::make_unique<CMsgCheckBoxWnd>(owner);
           w->SetTitle(QStringLiteral("${tips}"));
           w->SetText(QStringLiteral("${copy_left_to_right}"));
           w->findChild<CSButtonUI*>(QStringLiteral("check_box_0"))->SetSelected(true);
           return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"name",
         [=] {
           auto w = std::make_unique<CNameMsgWnd>(owner);
           w->SetName(QStringLiteral("Stage"));
           return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"busy", [=] { return std::unique_ptr<QWidget>(std::make_unique<CLoadingWnd>(owner)); }},
        {"about",
         [=] {
           return std::unique_ptr<QWidget>(std::make_unique<CAboutWnd>(owner, AboutInfo{19, 6, 7}));
         }},
        {"message_box",
         [=] {
           return std::unique_ptr<QWidget>(NewMessageBox(owner, QStringLiteral("${device_plugout}"),
                                                         QStringLiteral("${tips}")));
         }},
    };
  }
};

void Show(QWidget& window) {
  window.setAttribute(Qt::WA_DontShowOnScreen, true);
  window.show();
  QApplication::processEvents();
}

TEST(Contrast, RatiosAreTheStandardOnes) {
  EXPECT_NEAR(theme::ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(theme::ContrastRatio(QColor(0x777777), QColor(0x777777)), 1.0, 1e-9);
  EXPECT_NEAR(theme::ContrastRatio(QColor(0x767676), Qt::white), 4.54, 0.01);
  // A colour that is hard to read is made readable, keeping its hue.
  const QColor red = theme::Readable(QColor(0xff0000), theme::ButtonFill());
  EXPECT_GE(theme::ContrastRatio(red, theme::ButtonFill()), theme::kMinimumContrast);
  EXPECT_EQ(red.red(), 255);
  EXPECT_EQ(red.green(), red.blue());
}

TEST_F(WindowLook, EveryTextIsReadableInBothLanguagesAndEveryWindowIsDark) {
  for (const char* language : {"en", "cn"}) {
    LanguageFile texts(language);
    Main().RetranslateAll();
    Show(Main());
    const Lowest main_lowest = CheckWindow(Main());
    std::cout << "main " << language << ": lowest " << main_lowest.ratio << " ("
              << main_lowest.where << ")\n";
    EXPECT_TRUE(main_lowest.failures.empty())
        << language << " main: " << ::testing::PrintToString(main_lowest.failures);
    for (const auto& [name, build] : Windows()) {
      std::unique_ptr<QWidget> window = build();
      Show(*window);
      const Lowest lowest = CheckWindow(*window);
      std::cout << name << " " << language << ": lowest " << lowest.ratio << " (" << lowest.where
                << ")\n";
      EXPECT_TRUE(lowest.failures.empty())
          << language << " " << name << ": " << ::testing::PrintToString(lowest.failures);
      // No window falls back to the platform's light palette.
      EXPECT_EQ(window->palette().color(QPalette::Window), theme::Background()) << name;
      window->hide();
    }
    Main().hide();
  }
}

TEST_F(WindowLook, SceneSlotsHaveNamedColumnsReadableRowsAndSayWhenEmpty) {
  for (const char* language : {"en", "cn"}) {
    LanguageFile texts(language);
    for (int scale : {100, 150}) {
      Main().SetDisplayScale(scale);
      CSceneWnd window(&Main(), Manager(), CSceneWnd::Mode::kSave);
      Show(window);
      auto* list = window.findChild<QListWidget*>(QStringLiteral("listview"));
      ASSERT_EQ(list->count(), 10);
      EXPECT_GE(list->visualItemRect(list->item(0)).height(), 24 * scale / 100) << scale;
      // Every slot in view, none cut off.
      EXPECT_LE(list->visualItemRect(list->item(9)).bottom(), list->viewport()->height()) << scale;
      EXPECT_TRUE(
          list->item(2)->text().endsWith(tolva::kit::Resolve(QStringLiteral("${scene_empty}"))));
      EXPECT_TRUE(list->item(1)->text().endsWith(QStringLiteral("Stage")));
      for (const char* header : {"scene_number_header", "scene_name_header"}) {
        const QString text = window.findChild<QLabel*>(QLatin1String(header))->text();
        EXPECT_FALSE(text.isEmpty() || text.startsWith(QStringLiteral("${"))) << header;
      }
    }
  }
  Main().SetDisplayScale(100);
}

// Writes the pictures of docs/screenshots when TOLVA_SCREENSHOT_DIR names a folder.
TEST_F(WindowLook, ScreenshotsOfEveryWindowForTheDocs) {
  const QString dir = qEnvironmentVariable("TOLVA_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "TOLVA_SCREENSHOT_DIR not set";
  for (const char* language : {"en", "cn"}) {
    LanguageFile texts(language);
    for (int scale : {100, 150}) {
      Main().SetDisplayScale(scale);
      Main().RetranslateAll();
      if (scale != 100) {
        EXPECT_TRUE(RenderWindowScreenshot(
            Main(), dir + QStringLiteral("/main_%1_%2.png").arg(language).arg(scale)));
      }
      for (const auto& [name, build] : Windows()) {
        std::unique_ptr<QWidget> window = build();
        EXPECT_TRUE(RenderWindowScreenshot(
            *window, dir + QStringLiteral("/%1_%2_%3.png").arg(name).arg(language).arg(scale)));
      }
    }
  }
  Main().SetDisplayScale(100);
}

}  // namespace
