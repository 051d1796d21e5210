// The scene window on real widgets against the in-process unit: a save with its name dialog and
// the unit's acknowledgement, and deletes that empty their rows on a double-click or Enter.
#include "ui/windows/scene_wnd.h"

#include <QApplication>
#include <QListWidget>
#include <QProxyStyle>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

#include "emulator/emulated_device.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/user_answers.h"
#include "test_languages.h"
#include "ui/kit/qt/qt_text.h"

namespace {

using tolva::testing::UserAnswers;
using tolva::testing::WaitFor;

using SceneWindow = tolva::testing::MainWindowOnUnit;

TEST_F(SceneWindow, SaveNamesTheSceneOnTheUnitAndSaysSo) {
  CSceneWnd window(&Main(), Manager(), CSceneWnd::Mode::kSave);
  window.show();
  auto* list = window.findChild<QListWidget*>(QStringLiteral("listview"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 10);
  UserAnswers answerer;
  answerer.name = QStringLiteral("Stage");
  list->setCurrentRow(3);
  QWidget* confirm = window.findChild<QWidget*>(QStringLiteral("confirm_btn"));
  ASSERT_NE(confirm, nullptr);
  QMetaObject::invokeMethod(confirm, "click", Qt::QueuedConnection);
  const QString saved = tolva::kit::Resolve(QStringLiteral("${save_scene_ok}"));
  ASSERT_TRUE(WaitFor([&] { return std::find(answerer.questions.begin(), answerer.questions.end(), saved) != answerer.questions.end(); }, 10000));
  EXPECT_TRUE(answerer.notices.empty());  // in the window's own dialog, as "Profile saved." is
  EXPECT_FALSE(window.IsBusy());
  EXPECT_TRUE(list->item(3)->text().endsWith(QStringLiteral("Stage")));
  const auto name = unit_->Snapshot().names[3];
  EXPECT_EQ(std::string(name.begin(), name.begin() + 5), "Stage");
}

// A desktop style that activates items on a single click.
class SingleClickActivation final : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_ItemView_ActivateItemOnSingleClick) return 1;
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }
};

// A delete asks first, naming the scene; the row acts on a double-click or Enter, never on one
// click, and the scene stays on the unit when the question is cancelled.
TEST_F(SceneWindow, ADeleteAsksNamingTheSceneAndRowsActOnDoubleClickOrEnterOnly) {
  LanguageFile english("en");  // the question and the chooser in the words the user reads
  unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) {
    u.state().names[8] = {'K', 'e', 'e', 'p'};
    u.state().names[9] = {'L', 'a', 's', 't'};
    return 0;
  });
  Manager().Disconnect();
  Manager().Connect(false);
  ASSERT_TRUE(Connected());
  UserAnswers answerer;
  SingleClickActivation style;
  CSceneWnd window(&Main(), Manager(), CSceneWnd::Mode::kDelete);
  window.show();
  auto* list = window.findChild<QListWidget*>(QStringLiteral("listview"));
  ASSERT_NE(list, nullptr);
  list->setStyle(&style);
  list->scrollToItem(list->item(9));
  const QPoint row9 = list->visualItemRect(list->item(9)).center();
  EXPECT_TRUE(list->item(9)->text().endsWith(QStringLiteral("Last")));

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row9);
  QCoreApplication::processEvents();
  EXPECT_EQ(list->currentRow(), 9);
  EXPECT_TRUE(list->item(9)->text().endsWith(QStringLiteral("Last")));
  EXPECT_FALSE(Manager().UnitOperationRunning());

  answerer.answer = 0;
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row9);
  ASSERT_EQ(answerer.questions.size(), 1u);
  EXPECT_TRUE(answerer.questions[0].contains(QStringLiteral("10")))
      << answerer.questions[0].toStdString();
  EXPECT_TRUE(answerer.questions[0].contains(QStringLiteral("Last")));
  EXPECT_FALSE(Manager().UnitOperationRunning());
  EXPECT_TRUE(list->item(9)->text().endsWith(QStringLiteral("Last")));
  EXPECT_EQ(unit_->Snapshot().names[9][0], 'L');

  answerer.answer = 1;
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row9);
  EXPECT_EQ(answerer.questions.size(), 2u);
  EXPECT_FALSE(list->item(9)->text().endsWith(QStringLiteral("Last")));  // at once
  ASSERT_TRUE(UnitHolds([](const auto& u) { return u.names[9][0] != 'L'; }));
  ASSERT_TRUE(WaitFor([&] { return !window.IsBusy() && !Manager().UnitOperationRunning(); }));

  list->setCurrentRow(8);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_FALSE(list->item(8)->text().endsWith(QStringLiteral("Keep")));
  ASSERT_TRUE(UnitHolds([](const auto& u) { return u.names[8][0] != 'K'; }));
  EXPECT_TRUE(WaitFor([&] { return !window.IsBusy() && !Manager().UnitOperationRunning(); }));
  EXPECT_TRUE(window.isVisible());  // Enter acted on the row, not on a button of the window
}

}  // namespace
