// The scene menu's file operations against the emulated unit: what a loaded file sends, what a
// rejected one does not, and what a whole-unit save reads from the unit into its file.
#include <filesystem>
#include <fstream>
#include <functional>

#include "emulator/unit_state.h"
#include "manager_fixture.h"
#include "model/files/profile_files.h"

namespace tolva::model::testing {
namespace {

namespace fs = std::filesystem;

class ProfileFileMenu : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    dir_ = fs::temp_directory_path() /
           ("tolva_files_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    log_->Take();
    view_.messages.clear();
  }
  void TearDown() override {
    ManagerOnEmulator::TearDown();
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }
  void Finish() {
    manager_->JoinWorkers();
    while (manager_->ProcessPendingNotifications() > 0) {
    }
    EXPECT_TRUE(manager_->Link().WaitUntilQueueIdle(5000));
    while (manager_->ProcessPendingNotifications() > 0) {
    }
  }
  emulator::UnitState UnitNow() { return unit_->Snapshot(); }

  fs::path dir_;
};

TEST_F(ProfileFileMenu, ASceneFileIsSentToTheUnitThenShown) {
  Profile file_profile = Live();
  file_profile.channels[2].delay = 6.25f;
  file_profile.channels[4].gain = -13;
  file_profile.channels[1].eqArray[9].eqGain = 4.5f;
  ASSERT_TRUE(WriteSceneProfile(file_profile, Path("car.spf")));

  manager_->LoadSenceConfigFromFile(Path("car.spf"));
  Finish();
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_EQ(view_.refreshes, 1);
  EXPECT_FLOAT_EQ(Live().channels[2].delay, 6.25f);
  const emulator::SceneState live = UnitNow().scenes[0];
  EXPECT_EQ(live.outputs[2].delay_us, 6250u);
  EXPECT_EQ(live.outputs[4].trim_db, -13);
  EXPECT_EQ(live.outputs[1].bands[9].gain_tenths, 225);
}

TEST_F(ProfileFileMenu, ARejectedFileIsToldAndNothingIsSentOrChanged) {
  {
    std::ofstream(Path("broken.spf")) << "{\"model\":19,\"channels\":[";
    std::ofstream(Path("other.spf")) << "{\"model\":18}";
  }
  // Well-formed files with a value the unit cannot take: sent, -1000 dB would wrap to +24 dB.
  Profile loud = Live();
  loud.mainVolume = -1000;
  ASSERT_TRUE(WriteSceneProfile(loud, Path("loud.spf")));
  auto deep = std::make_unique<UnitSettings>(manager_->Unit());
  deep->scenes[6].channels[2].eqArray[4].eqGain = -90.0f;
  ASSERT_TRUE(WriteWholeProfile(*deep, Path("deep.wpf")));
  Live().channels[0].delay = 3.0f;
  manager_->LoadSenceConfigFromFile(Path("broken.spf"));
  manager_->LoadSenceConfigFromFile(Path("other.spf"));
  manager_->LoadSenceConfigFromFile(Path("missing.spf"));
  manager_->LoadWholeConfigFromFile(Path("broken.spf"));
  manager_->LoadSenceConfigFromFile(Path("loud.spf"));
  manager_->LoadWholeConfigFromFile(Path("deep.wpf"));
  // A scene profile renamed .wpf is not damaged: it is the other kind of file.
  ASSERT_TRUE(WriteSceneProfile(Live(), Path("scene.wpf")));
  manager_->LoadWholeConfigFromFile(Path("scene.wpf"));
  { std::ofstream(Path("empty.spf")) << "\n"; }
  manager_->LoadSenceConfigFromFile(Path("empty.spf"));
  { std::ofstream(Path("keyless.spf")) << "{\"model\":19}"; }
  manager_->LoadSenceConfigFromFile(Path("keyless.spf"));
  Finish();
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{"${profile_cut_short}", "${profile_other_model}",
                                      "${profile_cannot_open}", "${profile_cut_short}",
                                      "${profile_beyond_limits}", "${profile_beyond_limits}",
                                      "${profile_scene_not_whole}", "${profile_empty}",
                                      "${profile_incomplete}"}));
  EXPECT_NE(Live().mainVolume, -1000);
  EXPECT_NE(manager_->Unit().scenes[6].channels[2].eqArray[4].eqGain, -90.0f);
  EXPECT_FLOAT_EQ(Live().channels[0].delay, 3.0f);
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_TRUE(log_->Take().empty());
}

// Each value travels as one byte (a role 274 reaches the unit as 18, a mute 256 as 0): a file
// holding one is refused before it replaces anything, in the live part or a stored scene.
TEST_F(ProfileFileMenu, AFileValueThatWouldWrapOnTheWireIsRefused) {
  const std::vector<std::pair<const char*, std::function<void(Profile&)>>> values = {
      {"mainVolumeMute", [](Profile& p) { p.mainVolumeMute = 256; }},
      {"mute", [](Profile& p) { p.channels[1].mute = 256; }},
      {"phase", [](Profile& p) { p.channels[2].phase = 256; }},
      {"bypass", [](Profile& p) { p.channels[3].bypass = 2; }},
      {"role", [](Profile& p) { p.outputs[4] = 274; }},
      {"link partner", [](Profile& p) { p.linkOutputs[0] = 262; }},
      {"link", [](Profile& p) { p.linkMode = 257; }},
      {"lock", [](Profile& p) { p.lockMode = 2; }},
      {"routing", [](Profile& p) { p.inputs[2][5] = 256; }},
  };
  const auto unit_before = emulator::ToJson(UnitNow());
  const auto live_before = std::make_unique<Profile>(Live());
  for (const auto& [name, spoil] : values) {
    SCOPED_TRACE(name);
    auto file = std::make_unique<Profile>(Live());
    spoil(*file);
    ASSERT_TRUE(WriteSceneProfile(*file, Path("scene.spf")));
    auto whole = std::make_unique<UnitSettings>(manager_->Unit());
    // A stored scene holds no main mute of its own.
    spoil(std::string_view(name) == "mainVolumeMute" ? whole->live : whole->scenes[8]);
    ASSERT_TRUE(WriteWholeProfile(*whole, Path("unit.wpf")));
    view_.messages.clear();
    manager_->LoadSenceConfigFromFile(Path("scene.spf"));
    manager_->LoadWholeConfigFromFile(Path("unit.wpf"));
    Finish();
    EXPECT_EQ(view_.messages, (std::vector<std::string>(2, "${profile_beyond_limits}")));
  }
  EXPECT_TRUE(Live() == *live_before);
  EXPECT_TRUE(log_->Take().empty());
  EXPECT_TRUE(emulator::ToJson(UnitNow()) == unit_before);
}

// A whole-unit read that fails on a stored scene still sends the unit back to its working set.
TEST_F(ProfileFileMenu, AFailedWholeUnitReadLeavesNoStoredScenePrepared) {
  emulator::Faults faults;
  faults.no_reply = emulator::CommandKey{1, 0x24};  // the stored scenes' mixer trims
  Start(faults);
  ConnectAndSettle();
  ASSERT_EQ(manager_->State(), ConnectState::kConnected);
  log_->Take();
  EXPECT_NE(manager_->ReadWholeUnit(), UnitOutcome::kDone);
  std::vector<std::vector<std::uint8_t>> read_scenes;
  for (const SentFrame& f : log_->Take()) {
    if (f.cmd == 2 && f.sub == 0x09) read_scenes.push_back(f.payload);
  }
  ASSERT_FALSE(read_scenes.empty());
  EXPECT_EQ(read_scenes.front(), (std::vector<std::uint8_t>{1, 255}));
  EXPECT_EQ(read_scenes.back(), (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(ProfileFileMenu, AWholeUnitFileFillsEveryStoredSceneAndItsName) {
  auto file_unit = std::make_unique<UnitSettings>(manager_->Unit());
  file_unit->scenes[3].channels[5].delay = 2.5f;
  SetSceneName(file_unit->sceneName[3], u"Road");
  ASSERT_TRUE(WriteWholeProfile(*file_unit, Path("all.wpf")));
  const std::int64_t before = clock_.NowMs();
  manager_->LoadWholeConfigFromFile(Path("all.wpf"));
  Finish();
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_GE(clock_.NowMs() - before, 20000);  // the unit is given its time to store
  const emulator::UnitState unit = UnitNow();
  EXPECT_EQ(unit.scenes[4].outputs[5].delay_us, 2500u);
  EXPECT_EQ(std::string(unit.names[3].begin(), unit.names[3].begin() + 4), "Road");
}

TEST_F(ProfileFileMenu, SavingTheWholeUnitReadsEveryStoredSceneFirst) {
  Edit([](emulator::UnitState& u) {
    u.scenes[7].outputs[3].delay_us = 9876;
    u.names[6] = {'W', 'e', 't'};
  });
  manager_->SaveWholeConfigToFile(Path("saved.wpf"));
  Finish();
  EXPECT_EQ(view_.messages, std::vector<std::string>{"${profile_save_ok}"});
  EXPECT_EQ(view_.busy_depth, 0);
  auto read_back = std::make_unique<UnitSettings>();
  ASSERT_EQ(ReadWholeProfile(Path("saved.wpf"), *read_back), ProfileReadResult::kOk);
  EXPECT_NEAR(read_back->scenes[6].channels[3].delay, 9.876f, 1e-4);
  EXPECT_EQ(SceneName(read_back->sceneName[6]), u"Wet");

  manager_->SaveWholeConfigToFile(Path("no/such/folder/x.wpf"));
  manager_->SaveSenceConfigToFile(Path("no/such/folder/x.spf"));
  manager_->SaveSenceConfigToFile(Path("one.spf"));
  Finish();
  // The scene files are written at once; the whole-unit file after the unit has been read.
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{"${profile_save_ok}", "${profile_create_error}",
                                      "${profile_save_ok}", "${profile_create_error}"}));
  EXPECT_TRUE(fs::exists(Path("one.spf")));
}

// A second whole-unit save while the first still reads the unit is refused; the first writes
// to its own path.
TEST_F(ProfileFileMenu, ASecondWholeUnitSaveWhileOneRunsIsRefused) {
  log_->HoldAt(2, 0x09);
  manager_->SaveWholeConfigToFile(Path("first.wpf"));
  ASSERT_TRUE(log_->WaitUntilHeld());
  manager_->SaveWholeConfigToFile(Path("second.wpf"));
  log_->Release();
  Finish();
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{"${unit_busy_tips}", "${profile_save_ok}"}));
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_TRUE(fs::exists(Path("first.wpf")));
  EXPECT_FALSE(fs::exists(Path("second.wpf")));
}

}  // namespace
}  // namespace tolva::model::testing
