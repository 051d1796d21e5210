// The main window's controls after the connect read of a unit holding unusual values: every
// control the read touches shows what the unit reported, not a default.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "emulator/emulated_device.h"
#include "model/edits/screen_text.h"
#include "support/main_window_on_unit.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/controls.h"

namespace {

using tolva::curves::UIEqualizer;

std::string Indexed(const char* stem, int index) {
  return std::string(stem) + std::to_string(index);
}

class ScreenAfterConnect : public tolva::testing::MainWindowOnUnit {
 protected:
  ScreenAfterConnect() : MainWindowOnUnit({.show = true}) {}
  void SetUp() override {
    unit_->WithUnit([](tolva::emulator::EmulatedUnit& unit) {
      tolva::emulator::UnitState& u = unit.state();
      u.source_code = 0x56;  // "hi", combo item 5
      u.main_volume_db = -37;
      u.main_mute = 1;
      tolva::emulator::SceneState& live = u.scenes[0];
      const std::uint8_t roles[] = {9, 3, 15, 18, 22, 23};
      for (int ch = 0; ch < 6; ++ch) {
        tolva::emulator::OutputState& o = live.outputs[ch];
        o.role = roles[ch];
        o.delay_us = 1000u * static_cast<unsigned>(ch) + 359u;
        o.trim_db = static_cast<std::int8_t>(-7 * ch - 3);
        o.mute = ch % 2;
        o.phase = ch % 3 == 0 ? 0 : 1;
        o.bypass = 0;
        live.mix[5][ch] = static_cast<std::uint8_t>(ch + 5);  // masks 0101 … 1010
      }
      tolva::emulator::OutputState& current = live.outputs[0];
      current.hp = {2, 150, 3};
      current.lp = {3, 5000, 2};
      current.bands[0] = {31, 50, 0};         // Q 0.5, -18 dB
      current.bands[14] = {777, 1234, 205};   // Q 12.34, +2.5 dB
      current.bands[30] = {18000, 850, 240};  // Q 8.5, +6 dB
      return 0;
    });
    MainWindowOnUnit::SetUp();
    QCoreApplication::processEvents();
  }

  std::string TextOf(const std::string& name) {
    tolva::kit::Control* control = Surface().FindControl(name);
    EXPECT_NE(control, nullptr) << name;
    return control ? control->RawText() : std::string();
  }
  bool Selected(const std::string& name) {
    if (auto* option = Surface().FindOption(name)) return option->IsSelected();
    auto* button = Surface().FindButton(name);
    EXPECT_NE(button, nullptr) << name;
    return button && button->IsSelected();
  }
  int SliderValue(const std::string& name) {
    auto* slider = Surface().FindSlider(name);
    EXPECT_NE(slider, nullptr) << name;
    return slider ? slider->Value() : 0x7FFF;
  }
  int ComboIndex(const std::string& name) {
    auto* combo = Surface().FindCombo(name);
    EXPECT_NE(combo, nullptr) << name;
    return combo ? combo->CurSel() : -2;
  }
};

TEST_F(ScreenAfterConnect, GlobalControlsShowTheUnit) {
  EXPECT_EQ(TextOf("btnConnect"), "${btn_connected}");
  EXPECT_TRUE(Selected("btnConnect"));
  EXPECT_EQ(ComboIndex("btn_input_source"), 5);
  EXPECT_EQ(SliderValue("slider_main_volume"), -37);
  EXPECT_EQ(TextOf("edit_main_volume"), "-37dB");
  EXPECT_TRUE(Selected("main_mute"));
  const int item_height = 16 * Surface().DisplayScalePercent() / 100;
  for (const char* combo : {"comb_ch_unit", "hp_type", "lp_type", "hp_slop", "lp_slop"}) {
    ASSERT_NE(Surface().FindCombo(combo), nullptr) << combo;
    EXPECT_EQ(Surface().FindCombo(combo)->ItemHeight(), item_height) << combo;
  }
  // Only the two sources this model offers are listed.
  auto* source = Surface().FindCombo("btn_input_source");
  ASSERT_NE(source, nullptr);
  for (int i = 0; i < source->Count(); ++i) {
    const std::string item = source->ItemName(i);
    EXPECT_EQ(source->IsItemVisible(i), item == "source_bt" || item == "source_hi") << item;
  }
}

TEST_F(ScreenAfterConnect, EveryOutputStripShowsItsValues) {
  for (int ch = 0; ch < 6; ++ch) {
    SCOPED_TRACE("output " + std::to_string(ch));
    const int gain = -7 * ch - 3;
    EXPECT_EQ(SliderValue(Indexed("slider_ch_volume_", ch)), gain);
    EXPECT_EQ(TextOf(Indexed("edit_ch_volume_", ch)), std::to_string(gain) + "dB");
    EXPECT_EQ(SliderValue(Indexed("slider_ch_delay_", ch)), 1000 * ch + 359);
    EXPECT_EQ(TextOf(Indexed("edit_ch_delay_", ch)), std::to_string(ch) + ".359");
    EXPECT_EQ(Selected(Indexed("ch_mute_", ch)), ch % 2 == 1);
    const bool reversed = ch % 3 != 0;  // phase 1
    EXPECT_EQ(Selected(Indexed("ch_phase_", ch)), reversed);
    EXPECT_EQ(TextOf(Indexed("ch_phase_", ch)),
              reversed ? "${reverse phase}" : "${positive_phase}");
    const int mask = ch + 5;
    for (int in = 0; in < 4; ++in) {
      const std::string option = "option_ch_in" + std::to_string(in + 1) + "_" + std::to_string(ch);
      EXPECT_EQ(Selected(option), ((mask >> in) & 1) != 0) << option;
    }
  }
}

TEST_F(ScreenAfterConnect, RolesLabelTheButtonsAndShowTheirIconsOnly) {
  const int roles[] = {9, 3, 15, 18, 22, 23};
  for (int ch = 0; ch < 6; ++ch) {
    EXPECT_EQ(TextOf(Indexed("ch_output_btn_", ch)),
              std::string(tolva::model::RoleButtonLabel(roles[ch])));
  }
  for (int role = 1; role <= 24; ++role) {
    const bool assigned = std::find(std::begin(roles), std::end(roles), role) != std::end(roles);
    tolva::kit::Control* icon = Surface().FindControl(Indexed("speaker_", role));
    ASSERT_NE(icon, nullptr) << role;
    EXPECT_EQ(icon->IsVisible(), assigned) << "speaker_" << role;
  }
  // The current output's icon is the selected one.
  EXPECT_TRUE(Selected("speaker_9"));
  EXPECT_FALSE(Selected("speaker_3"));
}

TEST_F(ScreenAfterConnect, CurrentOutputsCrossoverAndBandsAreShown) {
  EXPECT_EQ(ComboIndex("hp_type"), 2);
  EXPECT_EQ(ComboIndex("hp_slop"), 3);
  EXPECT_EQ(TextOf("hp_freq"), "150Hz");
  EXPECT_EQ(ComboIndex("lp_type"), 3);
  EXPECT_EQ(ComboIndex("lp_slop"), 2);
  EXPECT_EQ(TextOf("lp_freq"), "5000Hz");

  struct Row {
    int band;
    const char *freq, *q, *gain;
    int slider;
    bool enabled;
  };
  for (const Row& r :
       {Row{0, "31", "0.50", "-18.0", -180, true}, Row{14, "777", "12.34", "2.5", 25, true},
        Row{30, "18000", "8.50", "6.0", 60, true}, Row{5, "", "5.80", "0.0", 0, false}}) {
    SCOPED_TRACE("band " + std::to_string(r.band));
    if (*r.freq) EXPECT_EQ(TextOf(Indexed("eq_freq_", r.band)), r.freq);
    EXPECT_EQ(TextOf(Indexed("eq_q_", r.band)), r.q);
    EXPECT_EQ(TextOf(Indexed("eq_gain_", r.band)), r.gain);
    EXPECT_EQ(SliderValue(Indexed("eq_slider_", r.band)), r.slider);
    EXPECT_EQ(Selected(Indexed("pt_enable_", r.band)), r.enabled);
  }
  EXPECT_EQ(TextOf("btn_bypass"), "${bypass_eq}");
  EXPECT_TRUE(Selected("ch_enable_0"));
  EXPECT_FALSE(Selected("ch_enable_1"));

  // The graph was handed the current output's bands, not the defaults.
  auto* graph = Main().findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  ASSERT_NE(graph, nullptr);
  EXPECT_EQ(graph->BandCount(), 31);
  EXPECT_EQ(graph->Band(30).freq, 18000);
  EXPECT_NEAR(graph->Band(30).gain, 6.0f, 1e-4);
  EXPECT_NEAR(graph->Band(14).q, 12.34f, 1e-4);
  EXPECT_EQ(graph->HpFreq(), 150);
  EXPECT_EQ(graph->LpFreq(), 5000);
}

TEST_F(ScreenAfterConnect, ALockReportedByTheUnitFreezesTheOutputButtons) {
  for (int ch = 0; ch < 6; ++ch) {
    EXPECT_TRUE(Surface().FindButton(Indexed("ch_output_btn_", ch))->IsEnabled());
  }
  EXPECT_FALSE(Selected("btn_lock_output"));
  // The unit reports a lock on the next read.
  unit_->WithUnit([](tolva::emulator::EmulatedUnit& unit) {
    unit.state().scenes[0].lock = 1;
    return 0;
  });
  Manager().Disconnect();
  Manager().Connect(false);
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(Selected("btn_lock_output"));
  for (int ch = 0; ch < 6; ++ch) {
    EXPECT_FALSE(Surface().FindButton(Indexed("ch_output_btn_", ch))->IsEnabled()) << ch;
  }
}

}  // namespace
