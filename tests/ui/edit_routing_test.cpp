// User input on the main window's real widgets reaches the unit: typed values, spin keys, the
// strip buttons, sliders and combos, routed through the window's notifications.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "base/display_scale.h"
#include "emulator/emulated_device.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "test_languages.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/qt/qt_popup_menu.h"

namespace {

using tolva::testing::WaitFor;

class EditRouting : public tolva::testing::MainWindowOnUnit {
 protected:
  EditRouting() : MainWindowOnUnit({.show = true}) {}
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    QApplication::setActiveWindow(&Main());
  }
  void TypeAndPressReturn(const char* name, const char* text) {
    auto* edit = Widget<QLineEdit>(name);
    if (edit == nullptr) return;
    edit->setFocus();
    QApplication::processEvents();
    edit->setText(QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
  }
};

TEST_F(EditRouting, TypedVolumeAndDelayReachTheUnit) {
  TypeAndPressReturn("edit_ch_volume_2", "-7");
  EXPECT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[2].trim_db == -7; }));
  EXPECT_EQ(Widget<QSlider>("slider_ch_volume_2")->value(), -7);
  EXPECT_EQ(Manager().LiveProfile().currChannel, 2);

  TypeAndPressReturn("edit_ch_delay_1", "3.25");
  EXPECT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[1].delay_us == 3250; }));
  EXPECT_EQ(Widget<QLineEdit>("edit_ch_delay_1")->text(), "3.250");
}

TEST_F(EditRouting, BandGainSpinKeyAndCommittedEdit) {
  auto* gain = Widget<QLineEdit>("eq_gain_0");
  ASSERT_NE(gain, nullptr);
  gain->setFocus();
  QApplication::processEvents();
  QTest::keyClick(gain, Qt::Key_Up);
  EXPECT_TRUE(
      UnitHolds([](const auto& u) { return u.scenes[0].outputs[0].bands[0].gain_tenths == 181; }));
  EXPECT_EQ(gain->text(), "0.1");

  // Return moves on through the band; leaving the box commits what was typed.
  gain->setText("-4.5");
  QTest::keyClick(gain, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(
      UnitHolds([](const auto& u) { return u.scenes[0].outputs[0].bands[0].gain_tenths == 135; }));
  EXPECT_EQ(Widget<QSlider>("eq_slider_0")->value(), -45);
}

// Letters, an empty box or a decimal comma: the unit keeps its value (no jump to 0 dB, nor a
// low-pass at 20 Hz) and every box shows what the unit holds, never the text typed.
TEST_F(EditRouting, TypedTextThatIsNoNumberKeepsTheValueAndBoxesShowWhatTheUnitHolds) {
  const auto before = unit_->Snapshot();
  TypeAndPressReturn("edit_main_volume", "abc");
  TypeAndPressReturn("edit_ch_volume_1", "");
  TypeAndPressReturn("edit_ch_delay_2", "x");
  TypeAndPressReturn("lp_freq", "abc");
  TypeAndPressReturn("eq_gain_3", "abc");
  ASSERT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
  const auto after = unit_->Snapshot();
  EXPECT_EQ(after.main_volume_db, before.main_volume_db);
  EXPECT_EQ(after.scenes[0].outputs[1].trim_db, before.scenes[0].outputs[1].trim_db);
  EXPECT_EQ(after.scenes[0].outputs[2].delay_us, before.scenes[0].outputs[2].delay_us);
  EXPECT_EQ(after.scenes[0].outputs[0].lp.freq, before.scenes[0].outputs[0].lp.freq);
  EXPECT_EQ(Widget<QLineEdit>("edit_main_volume")->text(),
            QString::number(before.main_volume_db) + "dB");
  EXPECT_EQ(Widget<QLineEdit>("edit_ch_volume_1")->text(), QStringLiteral("0dB"));
  EXPECT_EQ(Widget<QLineEdit>("edit_ch_delay_2")->text(), QStringLiteral("0.000"));
  EXPECT_EQ(Widget<QLineEdit>("lp_freq")->text(),
            QString::number(before.scenes[0].outputs[0].lp.freq) + "Hz");
  EXPECT_EQ(Widget<QLineEdit>("eq_gain_3")->text(), QStringLiteral("0.0"));

  TypeAndPressReturn("eq_gain_4", "-2,5");
  EXPECT_TRUE(
      UnitHolds([](const auto& u) { return u.scenes[0].outputs[0].bands[4].gain_tenths == 155; }));
  EXPECT_EQ(Widget<QLineEdit>("eq_gain_4")->text(), QStringLiteral("-2.5"));
  // Hundredths of a dB: the unit takes tenths, and the box says which.
  TypeAndPressReturn("eq_gain_5", "1.27");
  EXPECT_TRUE(
      UnitHolds([](const auto& u) { return u.scenes[0].outputs[0].bands[5].gain_tenths == 193; }));
  EXPECT_EQ(Widget<QLineEdit>("eq_gain_5")->text(), QStringLiteral("1.3"));
}

// At the sliders' minimum the volume boxes show "Off". Clicking into one and leaving it, or
// pressing Return in it, leaves the unit at that minimum: "Off" once committed -60 dB, 68 dB up.
TEST_F(EditRouting, AVolumeBoxShowingOffLeavesTheUnitAtTheMinimum) {
  for (const char* name : {"slider_main_volume", "slider_ch_volume_2"}) {
    auto* slider = Widget<QSlider>(name);
    ASSERT_NE(slider, nullptr);
    slider->setFocus();
    QApplication::processEvents();
    QTest::keyClick(slider, Qt::Key_Home);
  }
  ASSERT_TRUE(UnitHolds([](const auto& u) {
    return u.main_volume_db == -128 && u.scenes[0].outputs[2].trim_db == -128;
  }));
  for (const char* name : {"edit_main_volume", "edit_ch_volume_2"}) {
    SCOPED_TRACE(name);
    auto* edit = Widget<QLineEdit>(name);
    ASSERT_NE(edit, nullptr);
    const QString off = edit->text();
    edit->setFocus();
    QApplication::processEvents();
    Widget<QWidget>("slider_ch_volume_0")->setFocus();  // leaves the box
    QApplication::processEvents();
    edit->setFocus();
    QApplication::processEvents();
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(edit->text(), off);
  }
  ASSERT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
  const auto u = unit_->Snapshot();
  EXPECT_EQ(u.main_volume_db, -128);
  EXPECT_EQ(u.scenes[0].outputs[2].trim_db, -128);
  EXPECT_EQ(Manager().LiveProfile().mainVolume, -128);
  EXPECT_EQ(Manager().LiveProfile().channels[2].gain, -128);
}

TEST_F(EditRouting, StripButtonsAndTheSlopeCombo) {
  Click("ch_enable_3");
  EXPECT_TRUE(WaitFor([&] { return Manager().LiveProfile().currChannel == 3; }, 2000));

  auto* mute = Widget<QWidget>("ch_mute_3");
  QTest::mouseClick(mute, Qt::LeftButton);
  EXPECT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[3].mute == 1; }));

  auto* slope = Widget<QComboBox>("hp_slop");
  ASSERT_NE(slope, nullptr);
  const int before = Manager().LiveProfile().channels[3].crossover.hp.slope;
  slope->setFocus();
  QApplication::processEvents();
  QTest::keyClick(slope, before < 8 ? Qt::Key_Down : Qt::Key_Up);
  const int after = Manager().LiveProfile().channels[3].crossover.hp.slope;
  EXPECT_NE(after, before);
  EXPECT_TRUE(
      UnitHolds([after](const auto& u) { return u.scenes[0].outputs[3].hp.slope == after; }));
}

TEST_F(EditRouting, MainVolumeSliderKeys) {
  auto* slider = Widget<QSlider>("slider_main_volume");
  ASSERT_NE(slider, nullptr);
  slider->setFocus();
  QApplication::processEvents();
  const int before = slider->value();
  QTest::keyClick(slider, Qt::Key_Down);
  EXPECT_TRUE(UnitHolds([&](const auto& u) { return u.main_volume_db == before - 1; }));
  EXPECT_EQ(Manager().LiveProfile().mainVolume, before - 1);
}

TEST_F(EditRouting, OutputMenuOffersFreeRolesAndAssignsTheChosenOne) {
  Click("ch_output_btn_2");
  tolva::kit::QtPopupMenu* menu = Main().CurrentMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->IsOpen());
  // Outputs 0 and 1 hold the front full-range roles: no other front-left role is free.
  EXPECT_FALSE(menu->FindItem("output_menu_front_left_low_freq")->IsEnabled());
  EXPECT_TRUE(menu->FindItem("output_menu_front_left_all_freq")->HasIcon());
  EXPECT_TRUE(menu->FindItem("output_menu_center_low_freq")->IsEnabled());
  ASSERT_TRUE(menu->Trigger("output_menu_center_low_freq"));
  EXPECT_TRUE(WaitFor([&] { return Manager().LiveProfile().outputs[2] == 20; }, 2000));
  EXPECT_TRUE(UnitHolds([](const auto& u) { return u.scenes[0].outputs[2].role == 20; }));
  EXPECT_EQ(Main().Surface().FindButton("ch_output_btn_2")->RawText(), "${center_woofer}");
  EXPECT_TRUE(Main().Surface().FindControl("speaker_20")->IsVisible());

  // From output 0's button the menu is output 0's: it may move its own speaker to the low band,
  // and what is chosen goes to output 0.
  Click("ch_output_btn_0");
  menu = Main().CurrentMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->FindItem("output_menu_front_left_low_freq")->IsEnabled());
  EXPECT_FALSE(menu->FindItem("output_menu_center_low_freq")->IsEnabled());
  ASSERT_TRUE(menu->Trigger("output_menu_front_left_low_freq"));
  EXPECT_TRUE(UnitHolds([](const auto& u) {
    return u.scenes[0].outputs[0].role == 3 && u.scenes[0].outputs[2].role == 20;
  }));
  EXPECT_EQ(Surface().FindButton("ch_output_btn_0")->RawText(), "${front_left_woofer}");
}

TEST_F(EditRouting, OptionMenuFollowsTheConnection) {
  Click("btn_option");
  ASSERT_NE(Main().CurrentMenu(), nullptr);
  EXPECT_TRUE(Main().CurrentMenu()->FindItem("option_item_reset_default")->IsEnabled());
  Main().CurrentMenu()->Close();
  Manager().Disconnect();
  Click("btn_scene");
  ASSERT_NE(Main().CurrentMenu(), nullptr);
  EXPECT_FALSE(Main().CurrentMenu()->FindItem("scene_item_load_scene")->IsEnabled());
  EXPECT_TRUE(Main().CurrentMenu()->FindItem("scene_item_load_file")->IsEnabled());
  Main().CurrentMenu()->Close();
}

// The scene menu's file dialogs speak the window's language, with a title and the file type.
TEST_F(EditRouting, SceneMenuFileDialogsAreTitledAndFilteredInTheWindowsLanguage) {
  LanguageFile english("en");
  QString title;
  QString filter;
  QTimer answerer;
  QObject::connect(&answerer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
        title = d->windowTitle();
        filter = d->selectedNameFilter();
        d->reject();
      }
    }
  });
  answerer.start(20);
  const auto choose = [&](const char* item) {
    title.clear();
    Click("btn_scene");
    ASSERT_NE(Main().CurrentMenu(), nullptr);
    ASSERT_TRUE(Main().CurrentMenu()->Trigger(item));
    ASSERT_TRUE(WaitFor([&] { return !title.isEmpty(); }, 5000));
  };
  choose("scene_item_save_file");
  EXPECT_EQ(title, QStringLiteral("Save scene file"));
  EXPECT_EQ(filter, QStringLiteral("Scene profiles (*.spf)"));
  choose("scene_item_load_whole");
  EXPECT_EQ(title, QStringLiteral("Load whole-unit file"));
  EXPECT_EQ(filter, QStringLiteral("Whole-unit profiles (*.wpf)"));
}

TEST_F(EditRouting, ArrowKeysWalkTheRingOfBoxesPassingOverLockedOnes) {
  // Graphic mode: the frequency and Q boxes are locked, so the ring goes gain to gain.
  auto* last_gain = Widget<QLineEdit>("eq_gain_30");
  last_gain->setFocus();
  QApplication::processEvents();
  last_gain->setCursorPosition(last_gain->text().size());
  QTest::keyClick(last_gain, Qt::Key_Right);
  QApplication::processEvents();
  EXPECT_EQ(Main().focusWidget(), Widget<QWidget>("edit_ch_volume_0"));

  auto* main_volume = Widget<QLineEdit>("edit_main_volume");
  main_volume->setFocus();
  QApplication::processEvents();
  main_volume->setCursorPosition(main_volume->text().size());
  QTest::keyClick(main_volume, Qt::Key_Right);
  QApplication::processEvents();
  EXPECT_EQ(Main().focusWidget(), Widget<QWidget>("eq_gain_0"));
  auto* first_gain = Widget<QLineEdit>("eq_gain_0");
  first_gain->setCursorPosition(0);
  QTest::keyClick(first_gain, Qt::Key_Left);
  QApplication::processEvents();
  EXPECT_EQ(Main().focusWidget(), Widget<QWidget>("edit_main_volume"));
}

TEST_F(EditRouting, TheDpiBoxAppliesOnReturnOrItsButtonAndTheWindowStaysOnItsScreen) {
  auto* box = Widget<QLineEdit>("edt_dpi");
  Main().SetDisplayScale(150);  // as start-up picks it for a 1920-pixel screen
  EXPECT_EQ(box->text(), QStringLiteral("144"));
  box->setText(QStringLiteral("48"));
  Click("btnDpi");
  EXPECT_EQ(Main().DisplayScale(), 50);
  EXPECT_EQ(box->text(), QStringLiteral("48"));
  box->setText(QStringLiteral("wide"));
  Click("btnDpi");
  EXPECT_EQ(Main().DisplayScale(), 50);
  EXPECT_EQ(box->text(), QStringLiteral("48"));

  // Return applies as the button does; a scale the screen cannot hold is held to the largest
  // that fits, and the box says which.
  TypeAndPressReturn("edt_dpi", "1000");
  const int largest = Main().LargestScaleOnScreen();
  ASSERT_LT(largest, 400);
  EXPECT_EQ(Main().DisplayScale(), largest);
  EXPECT_EQ(box->text(), QString::number(tolva::DpiForScalePercent(largest)));
  EXPECT_TRUE(Main().screen()->availableGeometry().contains(Main().geometry()))
      << Main().geometry().width() << "x" << Main().geometry().height();
}

}  // namespace
