#include "model/edits/profile_transition.h"

#include <gmock/gmock.h>

#include <memory>

#include "model/edits/edit_operations.h"
#include "tuning_fixture.h"

namespace tolva::model::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Transition = TuningOnUnit;

TEST_F(Transition, SendsOnlyWhatTheUnitHoldsDifferently) {
  const Profile a = Live();
  Profile b = a;
  b.channels[2].eqArray[17].eqGain = -3.5f;  // 1000 Hz
  b.channels[2].bypass = 0;
  b.channels[3].delay = 7.359f;
  b.channels[5].delay = 1.0f;
  // Nothing the unit holds: a disabled band's kept gain, the view, the files' subwoofer volume.
  b.channels[0].eqArray[3] = {4.0f, 5.8f, 40, 0};
  b.currChannel = 4;
  b.showChEqualizer[1] = 1;
  b.subVolume = 3;
  EXPECT_THAT(Send(TransitionCommands(a, b)),
              ElementsAre("01 06 bb: 00 00 02 11 03 e8 05 08 0e 05",  // EQ_Ctrl
                          "01 12 bb: 00 00 02 02 00",                 // PEQ_Bypass_Ctrl
                          "01 07 bb: 00 00 03 05 07 01 67 00 00 00 01 00 00"));
  EXPECT_THAT(TransitionCommands(b, b), IsEmpty());
}

TEST_F(Transition, NeverLouderOnTheWay) {
  const Profile loud = Live();  // -5 dB, sound
  Profile quiet = loud;
  quiet.mainVolume = -60;
  quiet.mainVolumeMute = 1;
  quiet.channels[1].gain = -12;
  EXPECT_THAT(Send(TransitionCommands(loud, quiet)),
              ElementsAre("01 04 bb: 01", "01 02 bb: 42", "01 08 bb: 00 00 01 01 0c"));
  EXPECT_THAT(Send(TransitionCommands(quiet, loud)),
              ElementsAre("01 08 bb: 00 00 01 01 00", "01 02 bb: 0b", "01 04 bb: 00"));
}

// A link makes the unit copy each pair's first output onto the second; whether it does or not,
// the second output must end as meant.
TEST_F(Transition, LinkingLeavesTheCopiedOutputAsMeant) {
  Profile a = Live();  // roles 6, 12, 15, 18, 22, 23
  a.channels[0].eqArray[6].eqGain = -4.0f;
  Send(TransitionCommands(Live(), a));
  Profile b = a;
  b.channels[0].eqArray[6].eqGain = 0.0f;  // output 1 already holds this
  b.linkMode = b.lockMode = 1;
  RecomputeLinkOutputs(b);
  EXPECT_THAT(Send(TransitionCommands(a, b)),
              ElementsAre("01 0f bb: 00 01", "01 0e bb: 00 01 03 00 01 02 03 04 05",
                          "01 06 bb: 00 00 00 06 00 50 05 08 12 00",
                          "01 06 bb: 00 00 01 06 00 50 05 08 12 00"));
  ExpectUnitHolds(b);
}

// Linking copies each pair's first output onto the second in the model as the unit does on the
// link command itself: with nothing but the lock and the link sent, the unit holds the model.
TEST_F(Transition, LinkingCopiesInTheModelWhatTheUnitCopies) {
  Profile a = Live();  // roles 6, 12, 15, 18, 22, 23
  ChannelSettings& left = a.channels[0];
  left.eqArray[6].eqGain = -4.0f;
  left.eqArray[9] = {3.5f, 2.2f, 150, 1};
  left.eqArray[12].enable = 0;
  left.crossover.hp = FilterSettings::Make(90, 2, 4);
  left.bypass = 0;
  left.gain = -6;
  a.channels[2].eqArray[20].eqGain = 2.5f;
  a.channels[3].delay = 2.0f;  // not copied
  a.channels[3].phase = 0;
  Send(TransitionCommands(Live(), a));

  Profile linked = a;
  const std::vector<int> pairs = LinkOutputs(linked, 1);
  EXPECT_THAT(pairs, ElementsAre(0, 1, 2, 3, 4, 5));
  EXPECT_EQ(linked.channels[1].eqArray, left.eqArray);
  EXPECT_FLOAT_EQ(linked.channels[3].delay, 2.0f);
  Send({LockCommand{1}, LinkCommand{1, pairs}});
  ExpectUnitHolds(linked);
}

// Undoing an output reset links again: the roles the pairs belong to reach the unit first, and
// an unlock goes before the roles change.
TEST_F(Transition, RolesChangeWhileUnlockedAndBeforeALink) {
  Profile linked = Live();  // roles 6, 12, 15, 18, 22, 23
  linked.linkMode = linked.lockMode = 1;
  RecomputeLinkOutputs(linked);
  Profile reset = Live();
  reset.outputs.fill(0);
  const auto role_then_link = Send(TransitionCommands(reset, linked));
  ASSERT_GE(role_then_link.size(), 3u);
  EXPECT_EQ(role_then_link[0].substr(0, 5), "01 0d");
  EXPECT_EQ(role_then_link[1], "01 0f bb: 00 01");
  EXPECT_EQ(role_then_link[2].substr(0, 15), "01 0e bb: 00 01");
  EXPECT_THAT(Send(TransitionCommands(linked, reset)),
              ElementsAre("01 0f bb: 00 00", "01 0e bb: 00 00 00",
                          "01 0d bb: 00 00 00 05 00 00 00 00 00 00"));
}

// A changes-only write of any file onto a unit in any state leaves the unit's memory as a full
// write of the same file does: no link (the full write sends none, and a link makes the unit
// copy outputs), and every band as the full write sends it.
TEST_F(Transition, AChangesOnlyWriteLeavesTheUnitAsAFullWriteDoes) {
  std::mt19937 rng(22);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int trial = 0; trial < 16; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Profile unit = Live();
    Vary(unit, rng, 60);
    if (trial % 2 == 0) {
      unit.linkMode = unit.lockMode = 1;
      RecomputeLinkOutputs(unit);
    }
    Send(TransitionCommands(Live(), unit));
    const emulator::UnitState start = unit_->Snapshot();

    auto file = std::make_unique<Profile>(unit);
    Vary(*file, rng, 40);
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      if (pick(0, 2) == 0) file->channels[ch].eqSize = pick(0, kEqBands - 1);
      // Partners' roles in the other order: derived pairs would swap.
      const int partner = unit.linkOutputs[ch];
      if (partner > ch) std::swap(file->outputs[ch], file->outputs[partner]);
    }

    Edit([&](emulator::UnitState& u) { u = start; });
    ReadBack();
    ASSERT_EQ(manager_->SetReadCurProfileToMCU(*file), UnitOutcome::kDone);
    const std::string full = Memory();

    Edit([&](emulator::UnitState& u) { u = start; });
    ReadBack();
    for (const std::string& frame : Send(TransitionCommands(Live(), ChangesOnlyTarget(Live(), *file)))) {
      EXPECT_NE(frame.substr(0, 5), "01 0e") << frame;
    }
    EXPECT_TRUE(Memory() == full);
  }
}

TEST_F(Transition, UnitHoldingOneProfileEndsHoldingTheOther) {
  std::mt19937 rng(14);
  Profile held = Live();
  for (int pair = 0; pair < 12; ++pair) {
    SCOPED_TRACE("pair " + std::to_string(pair));
    Profile a = held, b;
    Vary(a, rng, 40);
    Send(TransitionCommands(held, a));
    b = a;
    Vary(b, rng, pair % 3 == 0 ? 2 : 25);
    Send(TransitionCommands(a, b));
    ExpectUnitHolds(b);
    held = Live();
    held.inputMixTrim = b.inputMixTrim;  // checked in the memory; the read does not ask for them
    ASSERT_THAT(TransitionCommands(b, b), IsEmpty());
  }
}

}  // namespace
}  // namespace tolva::model::testing
