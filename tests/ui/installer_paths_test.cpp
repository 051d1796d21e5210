// What an installer meets on the real window against the in-process unit: the filter import's
// long warning, profile files the window refuses, the unit's own input source (each followed to
// what the unit then holds), and the keys of questions and menus.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "emulator/emulated_device.h"
#include "model/files/profile_files.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/scratch_folder.h"
#include "support/user_answers.h"
#include "test_languages.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/windows/differences_wnd.h"
#include "ui/windows/msg_wnd.h"

namespace {

using tolva::ui::CDifferencesWnd;
using tolva::ui::CMsgWnd;
using tolva::ui::ShowChoiceDialog;
using tolva::ui::ShowDifferencesWindow;

using tolva::testing::UserAnswers;
using tolva::testing::WaitFor;

class InstallerPaths : public tolva::testing::MainWindowOnUnit {
 protected:
  InstallerPaths() : MainWindowOnUnit({.show = true}) {}
  QString Write(const char* name, const std::string& text) {
    return QString::fromStdString(folder_.Write(name, text));
  }
  // Opens a menu from its button and picks an item, as a click would.
  void Choose(const char* button, const char* item) {
    Click(button);
    ASSERT_NE(Main().CurrentMenu(), nullptr);
    ASSERT_TRUE(Main().CurrentMenu()->Trigger(item));
  }

  tolva::testing::ScratchFolder folder_{"tolva_paths"};
  LanguageFile english_{"en"};
};

// At a large scale the import's warning stays on the screen, its text whole and its buttons in
// reach (a text taller than the screen scrolls), and OK sends every filter to the unit.
TEST_F(InstallerPaths, ALongImportWarningScrollsOnTheScreenAndOkSendsTheFilters) {
  std::string text = "Filter Settings file\n\nEqualiser: Generic\n";
  for (int i = 0; i < 31; ++i) {
    text += "Filter " + std::to_string(i + 1) + ": ON PK Fc " +
            std::to_string(static_cast<int>(20 * std::pow(1000.0, i / 30.0))) +
            " Hz Gain -3.0 dB Q 1.41\n";
  }
  UserAnswers answerer;
  answerer.file = Write("filters.txt", text);
  const QRect screen = Main().screen()->availableGeometry();
  bool inspected = false;
  answerer.inspect = [&](CMsgWnd& question) {
    inspected = true;
    EXPECT_TRUE(screen.contains(question.frameGeometry()))
        << question.frameGeometry().height() << " on a screen of " << screen.height();
    ASSERT_NE(question.findChild<QScrollArea*>(QStringLiteral("message_scroll")), nullptr);
    auto* label = question.findChild<QLabel*>(QStringLiteral("MessageText"));
    EXPECT_GE(label->height(), label->heightForWidth(label->width())) << "lines cut off";
    for (const char* b : {"confirm_btn", "cancel_btn"}) {
      auto* button = question.findChild<QWidget*>(QString::fromLatin1(b));
      EXPECT_TRUE(screen.contains(QRect(button->mapToGlobal(QPoint()), button->size()))) << b;
    }
  };
  Main().SetDisplayScale(200);
  Choose("btn_option", "option_item_import_filters");
  ASSERT_TRUE(WaitFor([&] { return inspected; }, 10000));
  EXPECT_TRUE(WaitFor(
      [&] {
        const auto held = unit_->Snapshot();
        const auto& bands = held.scenes[0].outputs[0].bands;
        // The band fitter matches the file's curve, not each filter's own gain.
        return std::all_of(bands.begin(), bands.end(),
                           [](const auto& b) { return b.gain_tenths < 175; });
      },
      5000))
      << "the unit does not hold the 31 imported cuts; asked: "
      << (answerer.questions.empty() ? std::string() : answerer.questions.back().toStdString());
}

// A refused file is named, and what is wrong with it is said; the unit is left as it was.
TEST_F(InstallerPaths, ARefusedProfileNamesTheFileAndSaysWhatIsWrong) {
  const std::string full = tolva::model::SceneProfileText(Manager().LiveProfile());
  UserAnswers answerer;
  const auto before = unit_->Snapshot();

  answerer.file = Write("cut.spf", full.substr(0, full.size() / 2));
  Choose("btn_scene", "scene_item_load_file");
  ASSERT_TRUE(WaitFor([&] { return answerer.notices.size() == 1; }, 10000));
  EXPECT_TRUE(answerer.notices[0].contains(QStringLiteral("cut.spf")))
      << answerer.notices[0].toStdString();
  EXPECT_TRUE(answerer.notices[0].contains(QStringLiteral("cut short")));

  answerer.file = Write("scene.wpf", full);
  Choose("btn_scene", "scene_item_load_whole");
  ASSERT_TRUE(WaitFor([&] { return answerer.notices.size() == 2; }, 10000));
  EXPECT_TRUE(answerer.notices[1].contains(QStringLiteral("scene.wpf")));
  EXPECT_TRUE(answerer.notices[1].contains(QStringLiteral("one scene")))
      << answerer.notices[1].toStdString();
  QTest::qWait(200);
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[0].bands[0].gain_tenths,
            before.scenes[0].outputs[0].bands[0].gain_tenths);
  EXPECT_FALSE(Manager().UnitOperationRunning());
}

// A factory reset leaves the unit on its optical input, which this model's list does not offer:
// it is listed while the unit plays it, so the user can try another source and come back.
TEST_F(InstallerPaths, TheUnitsOwnSourceIsListedAndCanBeChosenAgain) {
  auto* source = Main().findChild<QComboBox*>(QStringLiteral("btn_input_source"));
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(unit_->Snapshot().source_code, 0x51);
  EXPECT_EQ(source->currentIndex(), 0);
  auto* rows = qobject_cast<QListView*>(source->view());
  ASSERT_NE(rows, nullptr);
  EXPECT_FALSE(rows->isRowHidden(0));
  source->setFocus();
  QTest::keyClick(source, Qt::Key_Down);
  EXPECT_EQ(source->currentIndex(), 2);
  EXPECT_TRUE(WaitFor([&] { return unit_->Snapshot().source_code == 0x53; }, 5000));
  QTest::keyClick(source, Qt::Key_Up);
  EXPECT_EQ(source->currentIndex(), 0);
  EXPECT_TRUE(WaitFor([&] { return unit_->Snapshot().source_code == 0x51; }, 5000));
}

// Return answers with the button that has the focus, or closes a window with one button; the
// option menu shows the keys of its items.
TEST_F(InstallerPaths, ReturnAnswersTheFocusedButtonAndMenusShowTheirKeys) {
  const auto press_return_on = [](const char* button) {
    QTimer::singleShot(100, [button] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<CDialogWnd*>(w);
        if (dialog == nullptr || !dialog->isVisible()) continue;
        QWidget* target = button != nullptr
                              ? dialog->findChild<QWidget*>(QString::fromLatin1(button))
                              : static_cast<QWidget*>(dialog);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, Qt::Key_Return);
      }
    });
  };
  const QStringList ok_cancel{QStringLiteral("${confirm}"), QStringLiteral("${cancel}")};
  press_return_on("cancel_btn");
  EXPECT_EQ(
      ShowChoiceDialog(&Main(), QStringLiteral("${tips}"), QStringLiteral("Send?"), ok_cancel), 0);
  press_return_on("confirm_btn");
  EXPECT_EQ(
      ShowChoiceDialog(&Main(), QStringLiteral("${tips}"), QStringLiteral("Send?"), ok_cancel), 1);
  press_return_on(nullptr);
  ShowDifferencesWindow(&Main(), "other.spf", {{"Output 1", "Gain (dB)", "0", "-3"}});
  for (QWidget* w : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(qobject_cast<CDifferencesWnd*>(w) && w->isVisible()) << "still open";
  }

  Click("btn_option");
  ASSERT_NE(Main().CurrentMenu(), nullptr);
  for (const auto& [item, keys] :
       {std::pair{"option_item_undo", "Ctrl+Z"}, std::pair{"option_item_redo", "Ctrl+Y"},
        std::pair{"option_item_compare_ab", "F9"}}) {
    auto* action = Main().findChild<QAction*>(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QLatin1String(keys));
  }
  Main().CurrentMenu()->Close();
}

}  // namespace
