// The editing core by value: the same edits as the window's recorded ones, given as values, send
// the very frames recorded for the window (manager_edit_frames_test.cpp); clamps come back as
// notes; a refused tweeter question sends nothing; a band table is one step of changes only.
#include <cstdio>
#include <functional>

#include "editing_fixture.h"
#include "model/edits/edit_rules.h"

namespace tolva::model::testing {
namespace {

class ValueEdits : public Editing {
 protected:
  EditingCore& Core() { return manager_->Editing(); }
  const FilterSettings& Lp(int ch) { return Live().channels[ch].crossover.lp; }
};

struct ValueRow {
  const char* name;
  std::function<void()> edit;
  std::vector<std::string> frames;  // as recorded for the window's edit of the same name
};

TEST_F(ValueEdits, SendTheFramesRecordedForTheWindowsEdits) {
  EditingCore& e = Core();
  const std::vector<ValueRow> rows = {
      {"band typed",
       [&] { e.SetBand(0, 3, {1200, 2.5f, 4.0f}); },
       {"01 12 bb: 00 00 00 00 00", "01 06 bb: 00 00 00 03 04 b0 02 05 16 00"}},
      {"band slider",
       [&] { e.SetBand(0, 3, {1200, 2.5f, -3.5f}, BandSource::kSlider); },
       {"01 06 bb: 00 00 00 03 04 b0 02 05 0e 05"}},
      {"band freq step",
       [&] { e.SetBand(0, 3, {StepFrequency(1200, true), 2.5f, -3.5f}); },
       {"01 06 bb: 00 00 00 03 04 c3 02 05 0e 05"}},
      {"band q step",
       [&] { e.SetBand(0, 3, {1219, 2.4f, -3.5f}); },
       {"01 06 bb: 00 00 00 03 04 c3 02 04 0e 05"}},
      {"band gain step",
       [&] { e.SetBand(0, 3, {1219, 2.4f, -3.4f}); },
       {"01 06 bb: 00 00 00 03 04 c3 02 04 0e 06"}},
      {"band dragged",
       [&] { e.SetBand(0, 5, {700, 1.5f, -2.5f}, BandSource::kGraph); },
       {"01 06 bb: 00 00 00 05 02 bc 01 05 0f 05"}},
      {"high-pass typed", [&] { e.SetCorner(0, true, 120); }, {"01 05 bb: 00 00 00 02 03 00 78 00"}},
      {"low-pass step",
       [&] { e.SetCorner(0, false, StepFrequency(Lp(0).fs, false)); },
       {"01 05 bb: 00 00 00 01 03 4b 79 00"}},
      {"high-pass dragged",
       [&] { e.SetCorner(0, true, 150, true); },
       {"01 05 bb: 00 00 00 02 03 00 96 00"}},
      {"high-pass slope",
       [&] { e.SetFilterCode(0, true, true, 3); },
       {"01 05 bb: 00 00 00 02 03 00 96 03"}},
      {"low-pass type",
       [&] { e.SetFilterCode(0, false, false, 2); },
       {"01 05 bb: 00 00 00 01 02 4b 79 00"}},
      {"main volume slider", [&] { e.SetMainVolume(-10); }, {"01 02 bb: 10"}},
      {"main volume typed", [&] { e.SetMainVolume(-20); }, {"01 02 bb: 1a"}},
      {"main volume step", [&] { e.SetMainVolume(-19); }, {"01 02 bb: 19"}},
      {"channel volume slider", [&] { e.SetOutputGain(2, -6); }, {"01 08 bb: 00 00 02 02 06"}},
      {"subwoofer volume typed",
       [&] { e.SetOutputGain(4, -12); },
       {"01 08 bb: 00 00 04 04 0c", "01 08 bb: 00 00 05 05 0c"}},
      {"channel volume step", [&] { e.SetOutputGain(2, -7); }, {"01 08 bb: 00 00 02 02 07"}},
      {"main mute", [&] { e.SetMainMute(true); }, {"01 04 bb: 01"}},
      {"channel mute", [&] { e.SetMute(1, true); }, {"01 09 bb: 00 00 01 01 01"}},
      {"phase", [&] { e.SetPhase(2, true); }, {"01 0a bb: 00 00 02 02 01"}},
      {"delay slider", [&] { e.SetDelay(3, 1.234f); }, {"01 07 bb: 00 00 03 03 01 00 ea"}},
      {"delay typed", [&] { e.SetDelay(1, 2.5f); }, {"01 07 bb: 00 00 01 01 02 01 f4"}},
      {"delay step", [&] { e.SetDelay(1, 2.521f); }, {"01 07 bb: 00 00 01 01 02 02 09"}},
      {"routing", [&] { e.SetRouting(2, 3, true); }, {"01 0b bb: 00 00 02 02 05"}},
      {"source", [&] { e.SetSource(2); }, {"01 01 bb: 53"}},
      {"role",
       [&] { e.SetRole(2, 4); },
       {"01 0d bb: 00 00 02 02 04", "01 05 bb: 00 00 02 02 03 02 58 02",
        "01 05 bb: 00 00 02 01 03 4e 20 00", "01 08 bb: 00 00 02 02 07"}},
  };
  for (const ValueRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FramesOf(row.edit), row.frames);
  }
}

TEST_F(ValueEdits, ClampsComeBackAsNotesAndWhatWasSentAsCommands) {
  const EditResult band = Core().SetBand(0, 2, {90000, 20.0f, 30.0f});
  ASSERT_TRUE(band.applied);
  ASSERT_EQ(band.notes.size(), 3u);
  EXPECT_EQ(band.notes[0].value, "frequency");
  EXPECT_EQ(band.notes[0].held, 20000.0);  // held at the limit, as every other value is
  EXPECT_EQ(Band(0, 2).freq, 20000);
  EXPECT_EQ(band.notes[1].value, "q");
  EXPECT_FLOAT_EQ(Band(0, 2).eqFactor, kMaxQ);
  EXPECT_EQ(band.notes[2].value, "gain");
  EXPECT_FLOAT_EQ(Band(0, 2).eqGain, 12.0f);
  EXPECT_EQ(band.outputs, std::vector{0});
  EXPECT_EQ(Subs(Sent()), (std::vector{kBypass, kEq}));
  ASSERT_EQ(band.commands.size(), 2u);
  EXPECT_FLOAT_EQ(std::get<BandCommand>(band.commands[1]).gain, 12.0f);

  const EditResult gain = Core().SetOutputGain(1, 5);
  ASSERT_EQ(gain.notes.size(), 1u);
  EXPECT_EQ(gain.notes[0].held, 0.0);
  EXPECT_EQ(Live().channels[1].gain, 0);
  EXPECT_EQ(Subs(Sent()), std::vector{kTrim});
  EXPECT_EQ(Unit().scenes[0].outputs[1].trim_db, 0);

  // The same band again changes nothing and sends nothing.
  EXPECT_FALSE(Core().SetBand(0, 2, {Band(0, 2).freq, kMaxQ, 12.0f}).applied);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ValueEdits, ARefusedTweeterQuestionLeavesModelAndUnitAsTheyWere) {
  Core().SetRole(0, 1);  // front left tweeter, its default high-pass protects it
  Sent();
  const Profile before = Live();
  const std::size_t steps = manager_->Tuning().Session().History().UndoSteps();
  screen_->confirm = false;
  const EditResult r = Core().SetCorner(0, true, 500);
  EXPECT_FALSE(r.applied);
  EXPECT_EQ(screen_->asked.size(), 1u);
  EXPECT_EQ(Live(), before);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(manager_->Tuning().Session().History().UndoSteps(), steps);

  screen_->confirm = true;
  EXPECT_TRUE(Core().SetCorner(0, true, 500).applied);
  EXPECT_EQ(Subs(Sent()), std::vector{kFilter});
  EXPECT_EQ(Unit().scenes[0].outputs[0].hp.freq, 500);
}

TEST_F(ValueEdits, ABandTableIsOneStepOfChangesOnlyAndUndoes) {
  Link0And1();
  std::array<EqBand, kEqBands> bands = Live().channels[0].eqArray;
  bands[4].eqGain = -6.0f;
  bands[20] = {2.5f, 1.2f, 2200, 1};
  const std::size_t steps = manager_->Tuning().Session().History().UndoSteps();
  const EditResult r = Core().ApplyBands(0, bands);
  EXPECT_TRUE(r.applied);
  EXPECT_EQ(r.outputs, (std::vector{0, 1}));
  // Two bands of two outputs, then the bypass the equalizer in use clears.
  EXPECT_EQ(Subs(Sent()), (std::vector{kEq, kEq, kEq, kEq, kBypass}));
  EXPECT_EQ(Live().channels[1].eqArray[20], bands[20]);
  EXPECT_EQ(Unit().scenes[0].outputs[1].bands[20].freq, 2200);
  EXPECT_EQ(manager_->Tuning().Session().History().UndoSteps(), steps + 1);

  EXPECT_TRUE(manager_->Tuning().Undo());
  EXPECT_FLOAT_EQ(Band(0, 4).eqGain, 0.0f);
  EXPECT_EQ(Subs(Sent()), (std::vector{kEq, kEq, kEq, kEq, kBypass}));
  EXPECT_EQ(Unit().scenes[0].outputs[0].bands[20].freq, Live().channels[0].eqArray[20].freq);
}

}  // namespace
}  // namespace tolva::model::testing
