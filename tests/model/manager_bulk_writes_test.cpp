// Both bulk writes against the emulated unit: the commands in their order, frame by frame, and
// the unit's memory afterwards.
#include "manager_fixture.h"

namespace tolva::model::testing {
namespace {

using emulator::UnitState;

// (cmd, sub) of each frame, with its scene byte where the frame has one.
struct Shape {
  int cmd, sub, scene;
  bool operator==(const Shape&) const = default;
};

std::vector<Shape> Shapes(const std::vector<SentFrame>& frames) {
  std::vector<Shape> out;
  for (const SentFrame& f : frames) {
    const bool scened = f.cmd == 1 && f.sub >= 0x05 && !f.payload.empty();
    out.push_back({f.cmd, f.sub, scened || f.cmd == 2 ? f.payload.at(0) : -1});
  }
  return out;
}

// The scene part both writes share: every output's 31 bands, whatever its bands in use.
void AppendScene(std::vector<Shape>& e, int scene) {
  for (int ch = 0; ch < 6; ++ch) {
    e.push_back({1, 0x05, scene});
    e.push_back({1, 0x05, scene});
    for (int b = 0; b < 31; ++b) e.push_back({1, 0x06, scene});
  }
  for (int sub : {0x0D, 0x08, 0x09, 0x0A, 0x07, 0x12}) e.push_back({1, sub, scene});
  for (int s = 0; s < 7; ++s) e.push_back({1, 0x0B, scene});
}

class BulkWrites : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    ConnectAndSettle();
    log_->Take();
  }
};

TEST_F(BulkWrites, CurrentProfileGoesToTheLiveSceneInOrder) {
  // The unit plays bands the file switches off or does not use: they are sent at 0 dB.
  Edit([](UnitState& u) {
    u.scenes[0].outputs[4].bands[2].gain_tenths = 240;
    u.scenes[0].outputs[1].bands[20] = {700, 200, 240};
  });
  Profile p;
  p.mainVolume = -30;
  p.mainVolumeMute = 1;
  p.source = 3;  // never sent
  p.channels[1].eqSize = 12;
  p.channels[1].eqArray[20] = {6.0f, 2.0f, 700, 1};  // beyond the bands in use
  p.channels[4].gain = -9;
  p.channels[4].crossover.lp = FilterSettings::Make(3150, 2, 4);
  p.channels[4].eqArray[2] = {-7.5f, 2.5f, 310, 0};  // switched off
  p.inputs[6][5] = 0x0C;
  manager_->SetReadCurProfileToMCU(p);

  const auto sent = log_->Take();
  std::vector<Shape> e{{1, 0x02, -1}, {1, 0x04, -1}};
  AppendScene(e, 0);
  EXPECT_EQ(Shapes(sent), e);
  // Low-pass before high-pass for each output.
  EXPECT_EQ(sent[2].payload.at(3), 1);
  EXPECT_EQ(sent[3].payload.at(3), 2);

  const UnitState u = unit_->Snapshot();
  EXPECT_EQ(u.main_volume_db, -30);
  EXPECT_EQ(u.main_mute, 1);
  EXPECT_EQ(u.source_code, 0x51);
  const emulator::OutputState& o = u.scenes[0].outputs[4];
  EXPECT_EQ(o.trim_db, -9);
  EXPECT_EQ(o.lp.freq, 3150);
  EXPECT_EQ(o.lp.type, 2);
  EXPECT_EQ(o.lp.slope, 4);
  EXPECT_EQ(o.bands[2].freq, 310);
  EXPECT_EQ(o.bands[2].gain_tenths, 180);
  const emulator::BandState beyond = u.scenes[0].outputs[1].bands[20];
  EXPECT_EQ(beyond.freq, kBandCentres[20]);
  EXPECT_EQ(beyond.q_hundredths, 580);
  EXPECT_EQ(beyond.gain_tenths, 180);
  EXPECT_EQ(u.scenes[0].mix[6][5], 0x0C);
}

TEST_F(BulkWrites, WholeProfileWritesEveryStoredSceneThenQueuesTheLiveOne) {
  UnitSettings& unit = manager_->Unit();
  for (int k = 1; k <= 10; ++k) {
    unit.scenes[k - 1].channels[0].delay = 0.5f * k;
    unit.scenes[k - 1].channels[3].eqArray[k] = {5.0f, 2.0f, 600, 0};  // switched off
    SetSceneName(unit.sceneName[k - 1], k == 3 ? u"中文名" : u"Scene");
  }
  unit.live.mainVolume = -12;
  unit.live.channels[2].phase = 0;
  manager_->SetReadWholeProfileToMCU();

  std::vector<Shape> e;
  for (int k = 1; k <= 10; ++k) {
    AppendScene(e, k);
    e.push_back({2, 0x0B, k});
    e.push_back({2, 0x08, k});
  }
  std::vector<Shape> live{{1, 0x02, -1}, {1, 0x04, -1}};
  AppendScene(live, 0);
  // The live part goes through the queue: wait for the link's thread to send it all.
  ASSERT_TRUE(log_->WaitForCount(e.size() + live.size()));
  e.insert(e.end(), live.begin(), live.end());
  const auto sent = log_->Take();
  EXPECT_EQ(Shapes(sent), e);

  const UnitState u = unit_->Snapshot();
  for (int k = 1; k <= 10; ++k) {
    EXPECT_EQ(u.scenes[k].outputs[0].delay_us, 500u * k);
    EXPECT_EQ(u.scenes[k].outputs[3].bands[k].freq, 600);
    EXPECT_EQ(u.scenes[k].outputs[3].bands[k].gain_tenths, 180);
  }
  const emulator::SceneName gbk{0xD6, 0xD0, 0xCE, 0xC4, 0xC3, 0xFB};
  EXPECT_EQ(u.names[2], gbk);
  EXPECT_EQ(u.main_volume_db, -12);
  EXPECT_EQ(u.scenes[0].outputs[2].phase, 0);
  EXPECT_GE(clock_.TotalSleptMs(), 200);
}

}  // namespace
}  // namespace tolva::model::testing
