// The unit leaving and coming back, on the real window against the in-process unit: edits made
// meanwhile, the band editor's mode the unit's values call for, and a factory reset's restart.
// Each is followed to what the unit then holds.
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "emulator/emulated_device.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/user_answers.h"
#include "test_languages.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/thread_hop.h"
#include "ui/windows/differences_wnd.h"

namespace {

using tolva::model::ConnectState;
using tolva::testing::WaitFor;
using tolva::ui::CDifferencesWnd;

// Answers what opens on top as a user would (each notice's text kept); the kept-edits window with
// `kept_button` after its rows were taken.
class Answerer : public tolva::testing::UserAnswers {
 public:
  Answerer() {
    own = [this](QWidget& w) {
      auto* kept = qobject_cast<CDifferencesWnd*>(&w);
      if (kept != nullptr) Take(*kept);
      return kept != nullptr;
    };
  }
  const char* kept_button = "confirm_btn";
  std::vector<QStringList> kept_rows;  // "output | setting | unit | window" per window shown
  bool escape_closed = false;

 private:
  void Take(CDifferencesWnd& kept) {
    auto* table = kept.findChild<QTableWidget*>(QStringLiteral("differences"));
    QStringList rows;
    for (int r = 0; table != nullptr && r < table->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < table->columnCount(); ++c) cells << table->item(r, c)->text();
      rows << cells.join(QStringLiteral(" | "));
    }
    kept_rows.push_back(rows);
    // A slip of the Escape key answers nothing: the window stays until a button is chosen.
    QTest::keyClick(&kept, Qt::Key_Escape);
    escape_closed = escape_closed || !kept.isVisible();
    QTest::mouseClick(kept.findChild<QWidget*>(QString::fromLatin1(kept_button)), Qt::LeftButton);
  }
};

tolva::testing::UnitWindowOptions QuickReboot() {
  tolva::testing::UnitWindowOptions options{.show = true};
  options.unit.faults.reboot_ms = 300;
  return options;
}

class UnitReturn : public tolva::testing::MainWindowOnUnit {
 protected:
  UnitReturn() : MainWindowOnUnit(QuickReboot()) {}
  void TearDown() override {
    unit_->SetPresenceListener({});
    MainWindowOnUnit::TearDown();
  }
  void Type(const char* name, const char* text) {
    auto* edit = Main().findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setFocus();
    edit->setText(QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
  }
  // The unit goes and comes back as the plug events would tell it.
  void Replug() {
    Manager().DevicePlugOut();
    Manager().DevicePlugin();
  }

  LanguageFile english_{"en"};
};

// Edits made while the unit is away are listed when it is back; the user sends them, or takes
// the unit's values back onto the screen. Neither goes without being asked.
TEST_F(UnitReturn, EditsMadeWhileTheUnitWasAwayAreListedThenSentOrTakenBack) {
  Answerer answerer;
  Manager().DevicePlugOut();
  ASSERT_EQ(Manager().State(), ConnectState::kDisconnected);
  Click("ch_mute_1");
  Type("edit_ch_volume_2", "-7");
  ASSERT_TRUE(Surface().FindOption("ch_mute_1")->IsSelected());
  QTest::qWait(100);
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[1].mute, 0) << "sent to a unit that is away";

  Manager().DevicePlugin();
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(WaitFor([&] { return answerer.kept_rows.size() == 1; }));
  EXPECT_FALSE(answerer.escape_closed);
  const QStringList& rows = answerer.kept_rows[0];
  ASSERT_EQ(rows.size(), 2) << rows.join('\n').toStdString();
  EXPECT_TRUE(rows.filter(QStringLiteral("Mute")).size() == 1) << rows.join('\n').toStdString();
  EXPECT_TRUE(rows.filter(QStringLiteral("-7")).size() == 1) << rows.join('\n').toStdString();
  EXPECT_TRUE(UnitHolds([](const auto& u) {
    return u.scenes[0].outputs[1].mute == 1 && u.scenes[0].outputs[2].trim_db == -7;
  }));
  EXPECT_TRUE(Surface().FindOption("ch_mute_1")->IsSelected());

  // Away again: unmuted on the screen only, then the unit's mute taken back.
  answerer.kept_button = "third_btn";
  Manager().DevicePlugOut();
  Click("ch_mute_1");
  ASSERT_FALSE(Surface().FindOption("ch_mute_1")->IsSelected());
  Manager().DevicePlugin();
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(WaitFor([&] { return answerer.kept_rows.size() == 2; }));
  EXPECT_TRUE(WaitFor([&] { return Surface().FindOption("ch_mute_1")->IsSelected(); }));
  EXPECT_EQ(Manager().LiveProfile().channels[1].mute, 1);
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[1].mute, 1);

  // Nothing edited meanwhile: nothing to ask.
  Replug();
  ASSERT_TRUE(Connected());
  QTest::qWait(200);
  EXPECT_EQ(answerer.kept_rows.size(), 2u);
}

// A unit tuned with its own Qs comes back in the parametric mode, its Qs shown and editable;
// only the switch to the graphic mode flattens them, after its warning.
TEST_F(UnitReturn, ATunedQStartsTheParametricModeAndOnlyTheGraphicSwitchFlattensIt) {
  Answerer answerer;
  EXPECT_FALSE(Surface().FindButton("btn_arg_eq")->IsSelected());  // flat: the graphic mode
  unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) {
    u.state().scenes[0].outputs[0].bands[4].q_hundredths = 141;
    u.state().scenes[0].outputs[3].bands[9].q_hundredths = 300;
    return 0;
  });
  Replug();
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(WaitFor([&] { return Surface().FindButton("btn_arg_eq")->IsSelected(); }));
  EXPECT_EQ(Surface().FindEdit("eq_q_4")->RawText(), "1.41");
  EXPECT_TRUE(Surface().FindEdit("eq_q_4")->IsEnabled());
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[0].bands[4].q_hundredths, 141);

  answerer.answer = 0;  // the warning declined: every Q stays
  Click("btn_arg_eq");
  QTest::qWait(200);
  EXPECT_TRUE(Surface().FindButton("btn_arg_eq")->IsSelected());
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[3].bands[9].q_hundredths, 300);

  answerer.answer = 1;
  Click("btn_arg_eq");
  EXPECT_TRUE(UnitHolds([](const auto& u) {
    return u.scenes[0].outputs[0].bands[4].q_hundredths == 580 &&
           u.scenes[0].outputs[3].bands[9].q_hundredths == 580;
  }));
  EXPECT_FALSE(Surface().FindButton("btn_arg_eq")->IsSelected());
}

// The unit restarts after a factory reset: the window says so, not that a cable was pulled, and
// once it is back its outputs read as playing normally, as the unit plays them.
TEST_F(UnitReturn, AFactoryResetSaysTheUnitRestartsAndItsOutputsReadNormal) {
  Answerer answerer;
  Click("ch_phase_2");  // inverted before the reset
  ASSERT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[2].phase == 1; }));
  EXPECT_EQ(Surface().FindOption("ch_phase_2")->RawText(), "${reverse phase}");
  // As the plug monitor does: the unit's leaving and return reach the window thread by post.
  const tolva::kit::ThreadHop hop(&Main());
  unit_->SetPresenceListener([this, post = hop.Poster()](bool present) {
    post([this, present] {
      CMainWnd::CloseOpenTipsBoxes();
      present ? Manager().DevicePlugin() : Manager().DevicePlugOut();
    });
  });
  Click("btn_option");
  ASSERT_NE(Main().CurrentMenu(), nullptr);
  ASSERT_TRUE(Main().CurrentMenu()->Trigger("option_item_reset_default"));
  ASSERT_TRUE(WaitFor([&] { return !answerer.notices.empty(); }, 10000));
  ASSERT_TRUE(Connected());
  QTest::qWait(200);
  const QString restart = tolva::kit::Resolve(QStringLiteral("${device_reboot}"));
  for (const QString& notice : answerer.notices) EXPECT_EQ(notice, restart);

  for (int ch = 0; ch < 6; ++ch) {
    const std::string name = "ch_phase_" + std::to_string(ch);
    EXPECT_EQ(Surface().FindOption(name)->RawText(), "${positive_phase}") << name;
    EXPECT_FALSE(Surface().FindOption(name)->IsSelected()) << name;
    EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[static_cast<std::size_t>(ch)].phase, 0);
  }
  Click("ch_phase_4");
  EXPECT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[4].phase == 1; }));
  EXPECT_EQ(Surface().FindOption("ch_phase_4")->RawText(), "${reverse phase}");
}

}  // namespace
