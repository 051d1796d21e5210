// The main window's number boxes as an installer uses them, against the emulated unit: what the
// unit holds afterwards is what the box meant, shown as the unit holds it, whichever way the box
// is left and whatever else the user does meanwhile.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include "emulator/emulated_device.h"
#include "support/dialog_answer.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "test_languages.h"
#include "ui/controls/ui_equalizer.h"

namespace {

using tolva::curves::UIEqualizer;
using tolva::emulator::UnitState;
using tolva::testing::DialogAnswer;
using tolva::testing::WaitFor;

constexpr int kZeroDb = 180;  // the unit's gain in tenths above -18 dB

class NumberBoxes : public tolva::testing::MainWindowOnUnit {
 protected:
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    Main().show();
    ASSERT_TRUE(Activate());
  }

  const tolva::model::Profile& Live() { return Manager().LiveProfile(); }
  QLineEdit* Box(const char* name) { return Widget<QLineEdit>(name); }
  // Clicks into the box and types, without Return.
  void TypeInto(const char* name, const char* text) {
    QLineEdit* edit = Box(name);
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
    QApplication::processEvents();
  }
  void Type(const char* name, const char* text) {
    TypeInto(name, text);
    QTest::keyClick(Box(name), Qt::Key_Return);
    QApplication::processEvents();
  }
  void Click(const char* name) {
    MainWindowOnUnit::Click(name);
    QApplication::processEvents();
  }
  // A click that opens a question, answered by `buttons`.
  void ClickAndAnswer(const char* name, std::vector<const char*> buttons) {
    DialogAnswer answer(std::move(buttons));
    Click(name);
    ASSERT_TRUE(WaitFor([&] { return answer.Answered(); }, 5000)) << name;
    QApplication::processEvents();
    // The window is the active one again, as on a desktop once the question has closed.
    ASSERT_TRUE(Activate());
  }
  // The unit once every queued command has been answered.
  UnitState Unit() {
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    QApplication::processEvents();
    return unit_->Snapshot();
  }
  void ToParametricMode() {
    if (Live().peqMode != 1) ClickAndAnswer("btn_arg_eq", {"confirm_btn"});
    ASSERT_EQ(Live().peqMode, 1);
  }
};

// A tuned band on a linked pair, its gain box holding the keyboard focus, through Bypass EQ and
// Restore EQ: both outputs play the band again, none of their bands went to 0 dB on the way.
TEST_F(NumberBoxes, RestoringTheEqWithABandBoxFocusedKeepsEveryBand) {
  ClickAndAnswer("btn_link_output", {"check_box_0", "confirm_btn"});
  ASSERT_EQ(Live().linkMode, 1);
  Type("eq_gain_2", "4");
  Type("eq_gain_6", "-3");
  ASSERT_EQ(Unit().scenes[0].outputs[1].bands[2].gain_tenths, kZeroDb + 40);

  Box("eq_gain_2")->setFocus(Qt::MouseFocusReason);  // clicked into, nothing typed
  QApplication::processEvents();
  ClickAndAnswer("btn_bypass", {"confirm_btn"});
  ASSERT_EQ(Unit().scenes[0].outputs[0].bypass, 1);
  Box("eq_gain_2")->setFocus();
  QApplication::processEvents();
  ClickAndAnswer("btn_bypass", {"confirm_btn"});

  const UnitState u = Unit();
  for (int out : {0, 1}) {
    SCOPED_TRACE(out);
    EXPECT_EQ(u.scenes[0].outputs[out].bypass, 0);
    EXPECT_EQ(u.scenes[0].outputs[out].bands[2].gain_tenths, kZeroDb + 40);
    EXPECT_EQ(u.scenes[0].outputs[out].bands[6].gain_tenths, kZeroDb - 30);
  }
  EXPECT_EQ(Box("eq_gain_2")->text(), QStringLiteral("4.0"));
}

// Frequencies in every spelling the boxes take; the unit holds exactly the one meant.
TEST_F(NumberBoxes, DecimalKilohertzIsReadAsMeant) {
  ToParametricMode();
  Type("lp_freq", "2.5k");
  Type("eq_freq_3", "2.5k");
  Type("eq_freq_4", "1K2");
  Type("eq_freq_5", "3,15k");
  const UnitState u = Unit();
  EXPECT_EQ(u.scenes[0].outputs[0].lp.freq, 2500);
  EXPECT_EQ(u.scenes[0].outputs[0].bands[3].freq, 2500);
  EXPECT_EQ(u.scenes[0].outputs[0].bands[4].freq, 1200);
  EXPECT_EQ(u.scenes[0].outputs[0].bands[5].freq, 3150);
  EXPECT_EQ(Box("lp_freq")->text(), QStringLiteral("2500Hz"));
  EXPECT_EQ(Box("eq_freq_3")->text(), QStringLiteral("2500"));
}

// The unit holds Q in tenths and delays in microseconds: what is typed, stepped or imported is
// shown and kept as it plays.
TEST_F(NumberBoxes, QAndDelayAreShownAndSavedAsTheUnitHoldsThem) {
  ToParametricMode();
  Type("eq_q_3", "1.27");
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[3].q_hundredths, 130);
  EXPECT_EQ(Box("eq_q_3")->text(), QStringLiteral("1.30"));
  EXPECT_FLOAT_EQ(Live().channels[0].eqArray[3].eqFactor, 1.3f);

  QLineEdit* q = Box("eq_q_3");
  q->setFocus();
  QTest::keyClick(q, Qt::Key_Down);
  QApplication::processEvents();
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[3].q_hundredths, 120);
  EXPECT_EQ(q->text(), QStringLiteral("1.20"));

  std::array<tolva::model::EqBand, tolva::model::kEqBands> bands = Live().channels[0].eqArray;
  bands[7] = {2.0f, 1.41f, 500, 1};
  Manager().Editing().ApplyBands(0, bands);
  QApplication::processEvents();
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[7].q_hundredths, 140);
  EXPECT_EQ(Box("eq_q_7")->text(), QStringLiteral("1.40"));

  Type("edit_ch_delay_0", "1.2346");  // the box shows 1.235: the unit must hold 1235 µs, not 1234
  EXPECT_EQ(Unit().scenes[0].outputs[0].delay_us, 1235u);
  EXPECT_EQ(Box("edit_ch_delay_0")->text(), QStringLiteral("1.235"));
  EXPECT_FLOAT_EQ(Live().channels[0].delay, 1.235f);
}

// Typed and left without Return: clicking another output, a strip button or the graph commits
// the box first, so the edit lands on the output it was typed for.
TEST_F(NumberBoxes, AValueTypedWithoutReturnIsKeptWhateverIsClickedNext) {
  TypeInto("eq_gain_2", "5");
  Click("ch_enable_3");
  ASSERT_EQ(Live().currChannel, 3);
  TypeInto("edit_ch_delay_1", "2.5");
  Click("ch_mute_4");
  TypeInto("eq_gain_1", "-2");
  Click("ch_show_2");
  const UnitState u = Unit();
  EXPECT_EQ(u.scenes[0].outputs[0].bands[2].gain_tenths, kZeroDb + 50);
  EXPECT_EQ(u.scenes[0].outputs[3].bands[2].gain_tenths, kZeroDb);
  EXPECT_EQ(u.scenes[0].outputs[1].delay_us, 2500u);
  EXPECT_EQ(u.scenes[0].outputs[3].bands[1].gain_tenths, kZeroDb - 20);
}

// A typed gain on a bypassed output ends the bypass, and the graph no longer says "EQ bypassed".
TEST_F(NumberBoxes, ATypedGainEndsTheBypassMark) {
  Type("eq_gain_2", "4");
  ClickAndAnswer("btn_bypass", {"confirm_btn"});
  auto* graph = Main().findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  ASSERT_NE(graph, nullptr);
  ASSERT_TRUE(graph->IsAllBypass());
  Type("eq_gain_5", "2");
  EXPECT_EQ(Unit().scenes[0].outputs[0].bypass, 0);
  EXPECT_FALSE(graph->IsAllBypass());
}

// Every box clamps what lies beyond its limits and says so; Linkwitz-Riley offers the orders it
// has.
TEST_F(NumberBoxes, EveryBoxClampsAndSaysSo) {
  ToParametricMode();
  Type("eq_freq_3", "30000");
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[3].freq, 20000);
  EXPECT_EQ(Box("eq_freq_3")->text(), QStringLiteral("20000"));
  EXPECT_FALSE(Box("eq_freq_3")->toolTip().isEmpty());

  Type("edit_ch_volume_2", "-3.5");
  EXPECT_EQ(Unit().scenes[0].outputs[2].trim_db, -4);
  EXPECT_EQ(Box("edit_ch_volume_2")->text(), QStringLiteral("-4dB"));
  EXPECT_FALSE(Box("edit_ch_volume_2")->toolTip().isEmpty());
  Type("edit_ch_volume_2", "-200");
  EXPECT_EQ(Unit().scenes[0].outputs[2].trim_db, -128);
  EXPECT_EQ(Widget<QSlider>("slider_ch_volume_2")->value(), -128);

  auto* type = Widget<QComboBox>("lp_type");
  auto* slope = Widget<QComboBox>("lp_slop");
  ASSERT_TRUE(type != nullptr && slope != nullptr);
  // As the user picks them: the item, then the combo's "activated".
  slope->setCurrentIndex(3);  // 18 dB/oct
  emit slope->activated(3);
  type->setCurrentIndex(2);  // Linkwitz-Riley
  emit type->activated(2);
  QApplication::processEvents();
  const UnitState u = Unit();
  ASSERT_EQ(Live().currChannel, 2);  // the volume box made its output the one edited
  EXPECT_EQ(u.scenes[0].outputs[2].lp.type, 2);
  EXPECT_EQ(u.scenes[0].outputs[2].lp.slope, 4);  // what an odd order plays
  auto* list = qobject_cast<QListView*>(slope->view());
  ASSERT_NE(list, nullptr);
  for (int code = 1; code <= 8; ++code) {
    SCOPED_TRACE(code);
    EXPECT_EQ(list->isRowHidden(code), code % 2 == 1);
  }
}

}  // namespace
