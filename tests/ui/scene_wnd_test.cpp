// The scene window on real widgets against the in-process unit: a save with its name dialog and
// the unit's acknowledgement, and deletes that empty their rows on a double-click or Enter.
#include "ui/windows/scene_wnd.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProxyStyle>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "support/qt_wait.h"
#include "test_languages.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/main/main_wnd.h"
#include "ui/screen/manager_binding.h"
#include "ui/windows/msg_wnd.h"

namespace {

using tolva::model::ConnectState;
using tolva::testing::WaitFor;
using tolva::ui::CMsgWnd;
using tolva::ui::CNameMsgWnd;

// Answers the dialogs that open on top, as a user would: types into a name dialog and accepts
// it, and acknowledges message boxes (whose texts it keeps).
class DialogAnswerer {
 public:
  explicit DialogAnswerer(QString name) : name_(std::move(name)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        if (auto* dialog = qobject_cast<CNameMsgWnd*>(w)) {
          dialog->SetName(name_);
          dialog->done(1);
        } else if (auto* question = qobject_cast<CMsgWnd*>(w)) {
          questions.push_back(question->findChild<QLabel*>(QStringLiteral("MessageText"))->text());
          question->done(confirm ? 1 : 0);
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
          notices.push_back(box->text());
          box->done(0);
        }
      }
    });
    timer_.start(20);
  }
  std::vector<QString> notices;
  std::vector<QString> questions;
  bool confirm = true;  // how a question is answered

 private:
  QString name_;
  QTimer timer_;
};

class SceneWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    binding_ = std::make_unique<tolva::ui::ManagerBinding>(
        main_, tolva::emulator::MakeEmulatorTransportFactory(unit_));
    binding_->Start();
    ASSERT_TRUE(WaitFor([&] { return Manager().State() == ConnectState::kConnected; }));
  }
  void TearDown() override { binding_.reset(); }
  tolva::model::EqualizerManager& Manager() { return binding_->Manager(); }

  std::shared_ptr<tolva::emulator::EmulatedDevice> unit_ =
      std::make_shared<tolva::emulator::EmulatedDevice>();
  CMainWnd main_;
  std::unique_ptr<tolva::ui::ManagerBinding> binding_;
};

TEST_F(SceneWindow, SaveNamesTheSceneOnTheUnitAndSaysSo) {
  CSceneWnd window(&main_, Manager(), CSceneWnd::Mode::kSave);
  window.show();
  auto* list = window.findChild<QListWidget*>(QStringLiteral("listview"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 10);
  DialogAnswerer answerer(QStringLiteral("Stage"));
  list->setCurrentRow(3);
  QWidget* confirm = window.findChild<QWidget*>(QStringLiteral("confirm_btn"));
  ASSERT_NE(confirm, nullptr);
  QMetaObject::invokeMethod(confirm, "click", Qt::QueuedConnection);
  ASSERT_TRUE(WaitFor([&] { return !answerer.notices.empty(); }, 10000));
  EXPECT_EQ(answerer.notices.front(), tolva::kit::Resolve(QStringLiteral("${save_scene_ok}")));
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
  ASSERT_TRUE(WaitFor([&] { return Manager().State() == ConnectState::kConnected; }));
  DialogAnswerer answerer(QString{});
  SingleClickActivation style;
  CSceneWnd window(&main_, Manager(), CSceneWnd::Mode::kDelete);
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

  answerer.confirm = false;
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row9);
  ASSERT_EQ(answerer.questions.size(), 1u);
  EXPECT_TRUE(answerer.questions[0].contains(QStringLiteral("10"))) << answerer.questions[0].toStdString();
  EXPECT_TRUE(answerer.questions[0].contains(QStringLiteral("Last")));
  EXPECT_FALSE(Manager().UnitOperationRunning());
  EXPECT_TRUE(list->item(9)->text().endsWith(QStringLiteral("Last")));
  EXPECT_EQ(unit_->Snapshot().names[9][0], 'L');

  answerer.confirm = true;
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row9);
  EXPECT_EQ(answerer.questions.size(), 2u);
  EXPECT_FALSE(list->item(9)->text().endsWith(QStringLiteral("Last")));  // at once
  ASSERT_TRUE(WaitFor([&] { return unit_->Snapshot().names[9][0] != 'L'; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return !window.IsBusy() && !Manager().UnitOperationRunning(); }));

  list->setCurrentRow(8);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_FALSE(list->item(8)->text().endsWith(QStringLiteral("Keep")));
  ASSERT_TRUE(WaitFor([&] { return unit_->Snapshot().names[8][0] != 'K'; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return !window.IsBusy() && !Manager().UnitOperationRunning(); }));
  EXPECT_TRUE(window.isVisible());  // Enter acted on the row, not on a button of the window
}

}  // namespace
