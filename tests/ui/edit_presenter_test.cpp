// The editing operations on a connected unit: what the controls show afterwards, what the model
// holds, and what reached the emulated unit, in order.
#include <functional>

#include "presenter_fixture.h"
#include "emulator/unit_state.h"

namespace tolva::model::testing {
namespace {

TEST_F(Presenting, TypedBandValuesAreReadLimitedShownAndSent) {
  TypeBand(3, "1K2", "12", "30");
  EXPECT_EQ(controls_.Text("eq_freq_3"), "1200");
  EXPECT_EQ(controls_.Text("eq_q_3"), "9.00");
  EXPECT_EQ(controls_.Text("eq_gain_3"), "12.0");
  EXPECT_EQ(controls_.SliderValue("eq_slider_3"), 120);
  EXPECT_TRUE(controls_.IsSelected("pt_enable_3"));
  EXPECT_EQ(controls_.Text("btn_bypass"), "${bypass_eq}");
  EXPECT_EQ(Band(0, 3).freq, 1200);
  EXPECT_FLOAT_EQ(Band(0, 3).eqFactor, 9.0f);
  EXPECT_FLOAT_EQ(Band(0, 3).eqGain, 12.0f);
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_EQ(controls_.graph_highlight, 3);
  // The factory unit is bypassed: the band makes it audible, so the bypass goes first.
  EXPECT_EQ(Subs(Sent()), (std::vector{kBypass, kEq}));
  const emulator::BandState on_unit = Unit().scenes[0].outputs[0].bands[3];
  EXPECT_EQ(on_unit.freq, 1200);
  EXPECT_EQ(on_unit.q_hundredths, 900);
  EXPECT_EQ(on_unit.gain_tenths, 300);
  EXPECT_EQ(Unit().scenes[0].outputs[0].bypass, 0);

  // A frequency beyond the scale is held at its end, as every box holds its value, and the box
  // says so; text that is no number keeps the band and sends nothing.
  TypeBand(3, "20001", "9", "12");
  EXPECT_EQ(controls_.Text("eq_freq_3"), "20000");
  EXPECT_FALSE(controls_.notes["eq_freq_3"].empty());
  // Each awaited: the queue would merge two edits of one band waiting together.
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});
  TypeBand(3, "19", "9", "12");
  EXPECT_EQ(controls_.Text("eq_freq_3"), "20");
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});
  TypeBand(3, "garbage", "9", "12");
  EXPECT_EQ(controls_.Text("eq_freq_3"), "20");
  EXPECT_TRUE(controls_.notes["eq_freq_3"].empty());
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Band(0, 3).freq, 20);
}

TEST_F(Presenting, StepButtonsMoveToTheBoundsAndNoFurther) {
  // A typed Q is held at the unit's step, the nearest tenth, and the box says so.
  TypeBand(5, "1000", "0.64", "11.9");
  EXPECT_EQ(controls_.Text("eq_q_5"), "0.60");
  Sent();
  // Each step is sent once; the queue would merge steps waiting together, so each is awaited.
  P().SetEqQUp(5, false);
  EXPECT_EQ(controls_.Text("eq_q_5"), "0.50");
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});
  P().SetEqQUp(5, false);
  EXPECT_TRUE(Sent().empty());
  P().SetEqGainUp(5, true);
  EXPECT_EQ(controls_.Text("eq_gain_5"), "12.0");
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});
  P().SetEqGainUp(5, true);
  P().SetEqFreqUp(5, true);
  EXPECT_EQ(controls_.Text("eq_freq_5"), "1026");
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});
  EXPECT_FLOAT_EQ(Band(0, 5).eqFactor, 0.5f);
  EXPECT_FLOAT_EQ(Band(0, 5).eqGain, 12.0f);
  EXPECT_EQ(Band(0, 5).freq, 1026);

  // A frequency from a file outside the scale is brought to its nearer end by either step.
  Band(0, 5).freq = 25000;
  screen_->ShowBandRows(0);
  P().SetEqFreqUp(5, true);
  EXPECT_EQ(Band(0, 5).freq, 20000);
  Band(0, 5).freq = 12;
  screen_->ShowBandRows(0);
  P().SetEqFreqUp(5, false);
  EXPECT_EQ(Band(0, 5).freq, 20);
  Sent();
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[5].freq, 20);
  // A file's cut too small to show has no sign.
  Band(0, 5).eqGain = -0.04f;
  screen_->ShowBandRows(0);
  EXPECT_EQ(controls_.Text("eq_gain_5"), "0.0");
}

TEST_F(Presenting, TheLastAudibleBandSetToZeroBypassesTheOutput) {
  TypeBand(2, "100", "1", "3");
  TypeBand(9, "2000", "1", "0.5");
  Sent();
  TypeBand(2, "100", "1", "0");
  EXPECT_EQ(controls_.Text("btn_bypass"), "${bypass_eq}");  // 0.5 dB on band 9 still counts
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_FALSE(controls_.IsSelected("pt_enable_2"));
  TypeBand(9, "2000", "1", "0");
  EXPECT_EQ(controls_.Text("btn_bypass"), "${restore_eq}");
  EXPECT_EQ(Live().channels[0].bypass, 1);
  const auto sent = Sent();
  EXPECT_EQ(Subs(sent), (std::vector{kEq, kBypass, kEq}));
  EXPECT_EQ(sent[1].payload.back(), 1);
  EXPECT_EQ(Unit().scenes[0].outputs[0].bypass, 1);
}

TEST_F(Presenting, EditingABypassedOutputFirstSilencesItsOtherBands) {
  Band(0, 1).eqGain = 2.0f;
  Band(0, 4).eqGain = -3.0f;
  Live().channels[0].bypass = 1;
  TypeBand(7, "500", "2", "1");
  const auto sent = Sent();
  ASSERT_EQ(Subs(sent), (std::vector{kEq, kEq, kBypass, kEq}));
  EXPECT_EQ(sent[0].payload[3], 1);  // band 1 …
  EXPECT_EQ(sent[1].payload[3], 4);  // … and band 4 at 0 dB (180 tenths on the wire)
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[4].gain_tenths, 180);
  EXPECT_EQ(sent[3].payload[3], 7);
  EXPECT_FLOAT_EQ(Band(0, 4).eqGain, 0.0f);
}

TEST_F(Presenting, DisablingABandKeepsItsGainForEnablingAgain) {
  TypeBand(2, "250", "1.5", "4");
  Sent();
  P().OnEqEnable(2);
  EXPECT_EQ(Band(0, 2).enable, 0);
  EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 4.0f);
  EXPECT_EQ(controls_.SliderValue("eq_slider_2"), 0);
  EXPECT_EQ(controls_.Text("eq_gain_2"), "0.0");
  EXPECT_FALSE(controls_.IsSelected("pt_enable_2"));
  EXPECT_EQ(controls_.Text("btn_bypass"), "${restore_eq}");
  Sent();
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[2].gain_tenths, 180);

  P().OnEqEnable(2);
  EXPECT_EQ(Band(0, 2).enable, 1);
  EXPECT_EQ(controls_.SliderValue("eq_slider_2"), 40);
  EXPECT_EQ(controls_.Text("eq_gain_2"), "4.0");
  EXPECT_TRUE(controls_.IsSelected("pt_enable_2"));
  EXPECT_EQ(controls_.Text("btn_bypass"), "${bypass_eq}");
  Sent();
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[2].gain_tenths, 220);
}

TEST_F(Presenting, SliderEventsAreAllSentAndGraphDragsSendBeforeTheyRedraw) {
  controls_.Drag("eq_slider_6", 25);
  P().SetEqSlider(6);
  EXPECT_EQ(Subs(Sent()), (std::vector{kBypass, kEq}));
  P().SetEqSlider(6);  // the same value again still goes out
  EXPECT_EQ(controls_.Text("eq_gain_6"), "2.5");
  EXPECT_EQ(Subs(Sent()), std::vector{kEq});

  P().BandDragged(4, 800, 2.0f, -5.5f);
  EXPECT_EQ(Band(0, 4).freq, 800);
  EXPECT_FLOAT_EQ(Band(0, 4).eqGain, -5.5f);
  EXPECT_EQ(controls_.SliderValue("eq_slider_4"), -55);
  EXPECT_EQ(controls_.Text("eq_freq_4"), "800");
  P().CornerDragged(true, 95);
  EXPECT_EQ(Live().channels[0].crossover.hp.fs, 95);
  EXPECT_EQ(controls_.Text("hp_freq"), "95Hz");
  P().CornerDragged(false, 30000);  // outside the range: the store rule makes it 20 Hz
  EXPECT_EQ(Live().channels[0].crossover.lp.fs, 20);
  const auto sent = Sent();
  EXPECT_EQ(Subs(sent), (std::vector{kEq, kFilter, kFilter}));
  EXPECT_EQ(sent[1].payload[3], 2);  // high-pass
  EXPECT_EQ(sent[2].payload[3], 1);  // low-pass
  EXPECT_EQ(Unit().scenes[0].outputs[0].hp.freq, 95);
}

TEST_F(Presenting, CrossoverCornersStayOnTheirSideAndCombosSendOnlyChanges) {
  controls_.Type("lp_freq", "5k");
  P().SetLpFreq();
  controls_.Type("hp_freq", "8000Hz");
  P().SetHpFreq();
  EXPECT_EQ(controls_.Text("hp_freq"), "5000Hz");
  EXPECT_EQ(Live().channels[0].crossover.hp.fs, 5000);
  controls_.Type("lp_freq", "10");
  P().SetLpFreq();
  EXPECT_EQ(Live().channels[0].crossover.lp.fs, 5000);  // not below the high-pass corner
  P().SetHpFreqUp(true);                          // already at the low-pass corner
  EXPECT_EQ(Live().channels[0].crossover.hp.fs, 5000);

  controls_.Pick("hp_slop", 3);
  P().SetHpSlope();
  P().SetHpSlope();        // unchanged: nothing
  controls_.Pick("lp_type", 7);  // outside 1 … 3: stored as 1
  P().SetLpType();
  const FilterSettings& hp = Live().channels[0].crossover.hp;
  EXPECT_EQ(hp.slope, 3);
  EXPECT_EQ(hp.bypass, 0);
  EXPECT_EQ(Live().channels[0].crossover.lp.type, 1);
  EXPECT_EQ(Live().channels[0].crossover.bpType & 1, 1);
  // Six filter commands; those still waiting when a newer one for the same filter came were
  // replaced by it, so the count depends on the unit's pace. The unit ends with the last values.
  const auto sent = Sent();
  EXPECT_GE(sent.size(), 2u);
  for (int sub : Subs(sent)) EXPECT_EQ(sub, kFilter);
  EXPECT_EQ(Unit().scenes[0].outputs[0].hp.freq, 5000);
  EXPECT_EQ(Unit().scenes[0].outputs[0].hp.slope, 3);
}

TEST_F(Presenting, DelayInEachUnitAndTheEditsLimits) {
  controls_.Drag("slider_ch_delay_2", 7500);
  P().SetChDelay(2);
  EXPECT_EQ(controls_.Text("edit_ch_delay_2"), "7.500");
  controls_.Pick("comb_ch_unit", 1);
  P().SetDelayUnit();
  EXPECT_EQ(controls_.Text("edit_ch_delay_2"), "260");
  controls_.Pick("comb_ch_unit", 2);
  P().SetDelayUnit();
  EXPECT_EQ(controls_.Text("edit_ch_delay_2"), "102");

  controls_.Pick("comb_ch_unit", 1);
  P().SetDelayUnit();
  controls_.Type("edit_ch_delay_3", "600");
  P().SetChDelayEdit(3);
  EXPECT_EQ(controls_.Text("edit_ch_delay_3"), "519");
  EXPECT_FLOAT_EQ(Live().channels[3].delay, 15.0f);
  EXPECT_EQ(controls_.SliderValue("slider_ch_delay_3"), 15000);
  controls_.Pick("comb_ch_unit", 0);
  P().SetDelayUnit();
  controls_.Type("edit_ch_delay_4", "x");
  P().SetChDelayEdit(4);
  EXPECT_EQ(controls_.Text("edit_ch_delay_4"), "0.000");

  Live().channels[5].delay = 14.99f;
  P().SetChDelayUp(5, true);
  P().SetChDelayUp(5, true);  // at the end of the slider
  EXPECT_EQ(controls_.SliderValue("slider_ch_delay_5"), 15000);
  // "x" is no number: output 4 keeps its delay and nothing goes out for it.
  EXPECT_EQ(Subs(Sent()), (std::vector{kDelay, kDelay, kDelay}));
  EXPECT_EQ(Unit().scenes[0].outputs[2].delay_us, 7500u);
  EXPECT_EQ(Unit().scenes[0].outputs[3].delay_us, 15000u);
}

TEST_F(Presenting, VolumeEditsReadOffClampAndPairTheSubwoofers) {
  // "Off" is the slider's minimum it stands for, never a louder level.
  controls_.Type("edit_ch_volume_1", "${off}");
  P().SetChVolumeEdit(1);
  EXPECT_EQ(Live().channels[1].gain, -128);
  EXPECT_EQ(controls_.Text("edit_ch_volume_1"), "${off}");
  EXPECT_EQ(Live().currChannel, 1);  // a volume edit makes its output current
  const auto trim = Sent();
  ASSERT_EQ(Subs(trim), std::vector{kTrim});
  EXPECT_EQ(trim[0].payload.back(), 128);
  EXPECT_EQ(Unit().scenes[0].outputs[1].trim_db, -128);

  controls_.Type("edit_ch_volume_2", "-400");
  P().SetChVolumeEdit(2);
  EXPECT_EQ(Live().channels[2].gain, -128);
  EXPECT_EQ(controls_.Text("edit_ch_volume_2"), "${off}");  // the slider's minimum

  // Outputs 4 and 5 hold the left and right subwoofer roles.
  ASSERT_EQ(Live().outputs[4], 22);
  ASSERT_EQ(Live().outputs[5], 23);
  controls_.Drag("slider_ch_volume_4", -9);
  P().SetChVolume(4);
  EXPECT_EQ(Live().channels[5].gain, -9);
  EXPECT_EQ(controls_.SliderValue("slider_ch_volume_5"), -9);
  EXPECT_EQ(controls_.Text("edit_ch_volume_5"), "-9dB");
  EXPECT_EQ(Subs(Sent()), (std::vector{kTrim, kTrim, kTrim}));
  EXPECT_EQ(Unit().scenes[0].outputs[5].trim_db, -9);

  Live().mainVolume = 0;
  P().SetMainVolumeUp(true);
  EXPECT_EQ(Live().mainVolume, 1);
  EXPECT_EQ(controls_.Text("edit_main_volume"), "1dB");
  Sent();
  EXPECT_EQ(Unit().main_volume_db, 1);
}

// Clicking into a box and leaving it, or pressing Return, with the text it was shown: nothing
// changes and nothing is sent, whatever the value behind the text.
TEST_F(Presenting, BoxesCommittedAsTheyWereShownSendNothing) {
  struct Row {
    const char* name;
    std::function<void()> prepare, commit;
  };
  const std::vector<Row> rows = {
      {"channel volume at Off", [&] { Live().channels[2].gain = -128; },
       [&] { P().SetChVolumeEdit(2); }},
      {"main volume at Off", [&] { Live().mainVolume = -128; },
       [&] { P().SetMainVolumeEdit(); }},
      {"main volume", [&] { Live().mainVolume = -17; }, [&] { P().SetMainVolumeEdit(); }},
      // 7.5 ms shows as 260 cm, which reads back as 7.514 ms.
      {"delay in centimetres",
       [&] {
         Live().channels[3].delay = 7.5f;
         controls_.Pick("comb_ch_unit", 1);
       },
       [&] { P().SetChDelayEdit(3); }},
      {"high-pass corner", [] {}, [&] { P().SetHpFreq(); }},
      {"low-pass corner", [] {}, [&] { P().SetLpFreq(); }},
      // The row shows 0.0 for a band switched off: read back, it would store 0 dB and enable it.
      {"band switched off",
       [&] {
         Band(0, 6) = {5.0f, 2.0f, 400, 0};
         Live().channels[0].bypass = 0;
       },
       [&] { P().SetChEqEdit(6); }},
      // A real edit of a bypassed output silences its bands first; an untouched box must not.
      {"band of a bypassed output",
       [&] {
         Band(0, 8) = {4.0f, 2.0f, 900, 1};
         Live().channels[0].bypass = 1;
       },
       [&] { P().SetChEqEdit(8); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.prepare();
    manager_->RefreshFromProfile();
    Sent();
    const auto before = std::make_unique<Profile>(Live());
    const emulator::UnitState unit_before = Unit();
    row.commit();
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Live() == *before);
    EXPECT_TRUE(emulator::ToJson(Unit()) == emulator::ToJson(unit_before));
  }
}

TEST_F(Presenting, RoutingAnInputGivesAnUnsetTrimItsStartValue) {
  const int source = Live().source;
  Live().inputMixTrim[source][2][3] = 0;
  controls_.Tick("option_ch_in3_3", true);
  P().SetChInput(3, 3);
  EXPECT_EQ(Live().inputMixTrim[source][2][3], 100);
  EXPECT_TRUE(Live().inputs[source][3] & 0x4);
  const auto sent = Sent();
  ASSERT_EQ(Subs(sent), (std::vector{kMix, kMixTrim}));
  EXPECT_EQ(Unit().scenes[0].mix[source][3] & 0x4, 0x4);
  EXPECT_EQ(Unit().scenes[0].mix_trim[source][2][3], 100);

  Live().inputMixTrim[source][0][3] = 40;
  controls_.Tick("option_ch_in1_3", false);
  P().SetChInput(3, 1);
  EXPECT_EQ(Subs(Sent()), std::vector{kMix});
  controls_.Tick("option_ch_in1_3", true);
  P().SetChInput(3, 1);
  EXPECT_EQ(Live().inputMixTrim[source][0][3], 40);
  EXPECT_EQ(Subs(Sent()), std::vector{kMix});
}

TEST_F(Presenting, TheSourceComboSwitchesTheUnitAndTheInputOptions) {
  controls_.Pick("btn_input_source", 2);
  P().SetInputSource();
  EXPECT_EQ(Live().source, 2);
  EXPECT_FALSE(controls_.visible["option_ch_in3_0"]);
  EXPECT_FALSE(controls_.visible["option_ch_in4_5"]);
  controls_.Pick("btn_input_source", 5);
  P().SetInputSource();
  EXPECT_TRUE(controls_.visible["option_ch_in3_0"]);
  EXPECT_EQ(Subs(Sent()), (std::vector{kSource, kSource}));
  EXPECT_EQ(Unit().source_code, 0x56);
}

// The graph raises a band notification on every hover and at the end of every drag. Measured
// against what it was shown, those change nothing; a bypassed output must keep its gains.
TEST_F(Presenting, GraphNotificationsThatChangeNothingSendNothing) {
  Band(0, 3).eqGain = 4.0f;
  Band(0, 8).eqGain = -2.0f;
  Live().channels[0].bypass = 1;
  const int freq = Band(0, 3).freq;
  const float q = Band(0, 3).eqFactor;
  P().BandDragged(3, freq, q, 0.0f);  // drawn flat
  P().CornerDragged(true, Live().channels[0].crossover.hp.fs);
  EXPECT_TRUE(Sent().empty());
  EXPECT_FLOAT_EQ(Band(0, 3).eqGain, 4.0f);
  EXPECT_EQ(Live().channels[0].bypass, 1);

  // A real move on it silences the other bands first and ends the bypass.
  P().BandDragged(3, freq, q, 2.5f);
  EXPECT_FLOAT_EQ(Band(0, 8).eqGain, 0.0f);
  EXPECT_EQ(Live().channels[0].bypass, 0);
  Sent();
  const emulator::OutputState unit = Unit().scenes[0].outputs[0];
  EXPECT_EQ(unit.bands[3].gain_tenths, 205);
  EXPECT_EQ(unit.bands[8].gain_tenths, 180);
  EXPECT_EQ(unit.bypass, 0);
}

TEST_F(Presenting, APartnerGetsNothingBeyondItsBandsAndFollowsEveryEnableClick) {
  Link0And1();
  Live().channels[1].eqSize = 10;
  TypeBand(20, "5000", "2", "3");
  P().BandDragged(21, 6000, 2.0f, 1.5f);
  for (const SentFrame& f : Sent()) {
    if (f.sub == kEq) EXPECT_EQ(f.payload[2], 0) << "band " << int(f.payload[3]);
  }
  EXPECT_FLOAT_EQ(Band(1, 20).eqGain, 0.0f);
  EXPECT_FLOAT_EQ(Band(1, 21).eqGain, 0.0f);
  EXPECT_EQ(Unit().scenes[0].outputs[1].bands[20].gain_tenths, 180);

  // Band 2 of the partner was disabled apart; a click that changes nothing here still aligns it.
  Band(1, 2).enable = 0;
  Band(1, 2).eqGain = 2.0f;
  P().OnEqEnable(2);
  EXPECT_EQ(Band(1, 2).enable, 1);
  const auto sent = Sent();
  ASSERT_EQ(Subs(sent), std::vector{kEq});
  EXPECT_EQ(sent[0].payload[2], 1);
  EXPECT_EQ(Unit().scenes[0].outputs[1].bands[2].gain_tenths, 200);
}

TEST_F(Presenting, LinkedPartnerFollowsEqVolumeAndCrossoverButNotMuteOrDelay) {
  Link0And1();
  TypeBand(10, "3000", "4", "-2");
  EXPECT_EQ(Band(1, 10).freq, 3000);
  EXPECT_FLOAT_EQ(Band(1, 10).eqGain, -2.0f);
  controls_.Drag("slider_ch_volume_0", -4);
  P().SetChVolume(0);
  EXPECT_EQ(Live().channels[1].gain, -4);
  controls_.Tick("ch_mute_0", true);
  P().SetChMute(0);
  EXPECT_EQ(Live().channels[1].mute, 0);
  const auto sent = Sent();
  EXPECT_EQ(Subs(sent), (std::vector{kBypass, kBypass, kEq, kEq, kTrim, kTrim, kMute}));
  EXPECT_EQ(sent[2].payload[2], 0);  // the current output first, then its partner
  EXPECT_EQ(sent[3].payload[2], 1);
  EXPECT_EQ(Unit().scenes[0].outputs[1].bands[10].freq, 3000);
  EXPECT_EQ(Unit().scenes[0].outputs[1].trim_db, -4);
  EXPECT_EQ(Unit().scenes[0].outputs[1].mute, 0);
}

TEST_F(Presenting, ChangingTheCurrentOutputShowsItsStrip) {
  Live().channels[3].crossover.hp = FilterSettings::Make(123, 2, 4);
  Band(3, 0).eqGain = 1.5f;
  Live().channels[3].bypass = 0;
  const int updates = controls_.graph_updates;
  P().SetCurChannelChange(3);
  EXPECT_EQ(Live().currChannel, 3);
  for (int ch = 0; ch < 6; ++ch)
    EXPECT_EQ(controls_.IsSelected(ControlName("ch_enable_%d", ch)), ch == 3);
  EXPECT_EQ(controls_.Text("hp_freq"), "123Hz");
  EXPECT_EQ(controls_.CurSel("hp_slop"), 4);
  EXPECT_EQ(controls_.Text("eq_gain_0"), "1.5");
  EXPECT_TRUE(controls_.IsSelected(ControlName("speaker_%d", Live().outputs[3])));
  EXPECT_FALSE(controls_.IsSelected(ControlName("speaker_%d", Live().outputs[0])));
  EXPECT_GT(controls_.graph_updates, updates);
  // Graphic mode: frequency and Q boxes are locked, the gain is not.
  EXPECT_FALSE(controls_.enabled["eq_freq_0"]);
  EXPECT_TRUE(controls_.enabled["eq_gain_0"]);
  Live().peqMode = 1;
  screen_->ShowBandRows(3);
  EXPECT_TRUE(controls_.enabled["eq_freq_0"]);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace tolva::model::testing
