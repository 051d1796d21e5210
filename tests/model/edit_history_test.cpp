#include "model/tuning/edit_history.h"

#include "model/profile/speaker_roles.h"
#include "tuning_fixture.h"

namespace tolva::model::testing {
namespace {

Profile WithBandGain(Profile p, int band, float gain) {
  p.channels[0].eqArray[band].eqGain = gain;
  return p;
}

TEST(EditHistory, ADragOrAGroupOperationIsOneStep) {
  EditHistory history;
  const Profile start;
  Profile live = start;
  history.BeginGroup(live);  // press
  for (int move = 1; move <= 30; ++move) {
    const Profile before = live;
    live = WithBandGain(live, 4, static_cast<float>(move) / 10.0f);
    history.Record(before, live);  // each move's own edit
  }
  history.BeginGroup(live);  // an operation inside the group
  live.outputs[2] = 1;
  history.EndGroup(live);
  EXPECT_FALSE(history.CanUndo());  // not while the drag goes on
  history.EndGroup(live);           // release
  history.EndGroup(live);           // a stray release changes nothing
  EXPECT_EQ(history.UndoSteps(), 1u);
  EXPECT_EQ(history.Undo(live), start);

  history.BeginGroup(start);  // a press that moved nothing is no step
  history.EndGroup(start);
  history.Record(start, start);
  EXPECT_EQ(history.UndoSteps(), 0u);
  EXPECT_EQ(history.RedoSteps(), 1u);
}

TEST(EditHistory, KeepsTheNewestStepsAndANewEditEndsRedo) {
  EditHistory history;
  std::vector<Profile> states{Profile{}};
  for (int i = 1; i <= 300; ++i) {
    states.push_back(WithBandGain(states.back(), i % kEqBands, static_cast<float>(i) / 100.0f));
    history.Record(states[i - 1], states[i]);
  }
  ASSERT_GE(EditHistory::kDefaultSteps, 200u);
  ASSERT_EQ(history.UndoSteps(), EditHistory::kDefaultSteps);
  Profile live = states.back();
  while (auto target = history.Undo(live)) live = *target;
  EXPECT_EQ(live, states[300 - EditHistory::kDefaultSteps]);
  for (int i = 0; i < 3; ++i) live = *history.Redo(live);
  EXPECT_EQ(live, states[303 - EditHistory::kDefaultSteps]);

  const Profile edited = WithBandGain(live, 30, -6.0f);
  history.Record(live, edited);
  EXPECT_FALSE(history.CanRedo());
  history.Clear();  // another unit
  EXPECT_FALSE(history.Undo(edited).has_value());
}

TEST(EditHistory, UndoPutsBackOnlyWhatTheStepChanged) {
  EditHistory history;
  const Profile start;
  const Profile edited = WithBandGain(start, 7, 3.5f);
  history.Record(start, edited);
  Profile live = edited;
  live.currChannel = 3;       // chosen since, not an edit
  live.noiseThreshold = -20;  // reported by the unit meanwhile
  const Profile undone = *history.Undo(live);
  EXPECT_EQ(undone.channels[0].eqArray[7].eqGain, 0.0f);
  EXPECT_EQ(undone.currChannel, 3);
  EXPECT_EQ(undone.noiseThreshold, -20);
  EXPECT_EQ(*history.Redo(undone), live);
}

// Undo and redo through the changes-only commands: the unit's memory follows the model.
using HistoryOnUnit = TuningOnUnit;

TEST_F(HistoryOnUnit, UndoAndRedoRestoreTheUnitsMemory) {
  EditHistory history;
  std::mt19937 rng(3);
  std::vector<std::string> memory{Memory()};
  std::vector<Profile> states{Live()};
  const auto edit = [&](Profile next) {
    history.Record(states.back(), next);
    Send(TransitionCommands(states.back(), next));
    states.push_back(next);
    memory.push_back(Memory());
  };
  Profile p = states.back();
  p.channels[1].eqArray[9].eqGain = 5.0f;  // a band
  p.channels[1].bypass = 0;
  edit(p);
  p.outputs[0] = 1;  // a role with its crossover
  p.channels[0].crossover = DefaultCrossoverOfRole(1);
  edit(p);
  p.linkMode = p.lockMode = 1;  // a link
  RecomputeLinkOutputs(p);
  edit(p);
  Vary(p, rng, 60);  // a loaded file
  edit(p);

  Profile live = states.back();
  for (int step = static_cast<int>(states.size()) - 2; step >= 0; --step) {
    const Profile target = *history.Undo(live);
    Send(TransitionCommands(live, target));
    live = target;
    EXPECT_EQ(live, states[step]);
    EXPECT_EQ(Memory(), memory[step]) << "after undoing to step " << step;
  }
  while (auto target = history.Redo(live)) {
    Send(TransitionCommands(live, *target));
    live = *target;
  }
  EXPECT_EQ(live, states.back());
  EXPECT_EQ(Memory(), memory.back());
}

}  // namespace
}  // namespace tolva::model::testing
