// tolva-dsp-cli's device commands end to end: the CLI as a process, talking over the report
// bridge to tolva-dsp-emulator as another process.
#include "e2e/cli_process.h"
#include "model/files/profile_files.h"

namespace tolva::e2e {
namespace {

TEST_F(CliDevice, InfoNamesTheUnitAndTheExitCodeTellsWhatWentWrong) {
  EXPECT_EQ(Cli("info").code, 3);  // nobody serving the socket
  {
    EmulatorProcess unit(socket_, {});
    ASSERT_TRUE(unit.Serving());
    const CliRun r = Cli("info");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "{\"model\":19,\"master\":3,\"slave\":7}\n");
  }
  {
    EmulatorProcess unit(socket_, {"--model", "12"});
    ASSERT_TRUE(unit.Serving());
    const CliRun r = Cli("info");
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.out, "{\"model\":12,\"master\":3,\"slave\":7}\n");
    EXPECT_EQ(Cli("read x.spf").code, 4);
    EXPECT_FALSE(fs::exists(dir_ / "x.spf"));
  }
  {
    EmulatorProcess unit(socket_, {"--abnormal-handshake"});
    ASSERT_TRUE(unit.Serving());
    EXPECT_EQ(Cli("info").code, 3);
  }
}

// A unit that stops answering fails the read after three silent requests; the other fifty would
// each wait out ten seconds first.
TEST_F(CliDevice, AUnitThatStopsAnsweringEndsTheReadAfterThreeSilences) {
  EmulatorProcess unit(socket_, {"--no-reply", "1:*"});  // it still answers the handshake
  ASSERT_TRUE(unit.Serving());
  const auto start = std::chrono::steady_clock::now();
  const CliRun r = Cli("read out.spf");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("did not answer"), std::string::npos) << r.err;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_FALSE(fs::exists(dir_ / "out.spf"));
}

// "Not ready" is an answer that says nothing was done.
TEST_F(CliDevice, ACommandAnsweredNotReadyIsNoSuccess) {
  EmulatorProcess unit(socket_, {"--not-ready", "2:0x08"});  // storing a scene
  ASSERT_TRUE(unit.Serving());
  const CliRun r = Cli("scene save 2 Bass");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("refused"), std::string::npos) << r.err;
}

TEST_F(CliDevice, WrittenSceneProfileIsReadBack) {
  EmulatorProcess unit(socket_, {"--state", Path("unit.json")});
  ASSERT_TRUE(unit.Serving());
  ASSERT_EQ(Cli("read factory.spf").code, 0);
  model::Profile p;
  ASSERT_EQ(model::ReadSceneProfile(Path("factory.spf"), p), model::ProfileReadResult::kOk);
  p.mainVolume = -41;
  p.channels[3].gain = -17;
  p.channels[3].delay = 3.25f;
  p.channels[3].eqArray[7] = {-4.5f, 3.2f, 444, 1};
  p.channels[3].bypass = 0;
  p.inputs[5][2] = 0x3;
  ASSERT_TRUE(model::WriteSceneProfile(p, Path("mine.spf")));

  const CliRun w = Cli("write mine.spf");
  ASSERT_EQ(w.code, 0) << w.err;
  ASSERT_EQ(Cli("read back.spf").code, 0);
  model::Profile back;
  ASSERT_EQ(model::ReadSceneProfile(Path("back.spf"), back), model::ProfileReadResult::kOk);
  EXPECT_EQ(back.mainVolume, -41);
  EXPECT_EQ(back.channels[3].gain, -17);
  EXPECT_NEAR(back.channels[3].delay, 3.25f, 1e-3);
  EXPECT_EQ(back.channels[3].eqArray[7].freq, 444);
  EXPECT_NEAR(back.channels[3].eqArray[7].eqGain, -4.5f, 0.05);
  EXPECT_EQ(back.channels[3].bypass, 0);
  EXPECT_EQ(back.inputs[5][2], 0x3);
}

// A changes-only write leaves the unit's memory as a full write of the same file does, with
// the few frames of the difference.
TEST_F(CliDevice, ChangesOnlyWriteEndsAsAFullWrite) {
  model::Profile p;
  {
    EmulatorProcess unit(socket_, {});
    ASSERT_TRUE(unit.Serving());
    ASSERT_EQ(Cli("read factory.spf").code, 0);
  }
  ASSERT_EQ(model::ReadSceneProfile(Path("factory.spf"), p), model::ProfileReadResult::kOk);
  p.mainVolume -= 7;
  p.channels[1].eqArray[4] = {3.5f, 2.0f, 2500, 1};
  p.channels[4].crossover.hp = {120, 2, 4, 0};
  p.channels[5].delay = 2.5f;
  ASSERT_TRUE(model::WriteSceneProfile(p, Path("mine.spf")));
  LogFrames();

  const auto written = [&](const char* state, const std::string& args) {
    EmulatorProcess unit(socket_, {"--state", Path(state)});
    EXPECT_TRUE(unit.Serving());
    const CliRun r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    const std::size_t frames = Logged("write data ok!");
    unit.Stop();
    return std::pair{r, frames};
  };
  const auto [full, full_frames] = written("full.json", "write mine.spf");
  const auto [changes, changes_frames] = written("changes.json", "write --changes-only mine.spf");
  // Volume, band, high-pass and the delay list.
  EXPECT_EQ(changes.out, "4 commands\n");
  EXPECT_EQ(Slurp(dir_ / "changes.json"), Slurp(dir_ / "full.json"));
  const auto [again, again_frames] =
      written("changes.json", "write --changes-only mine.spf --json");
  EXPECT_EQ(again.out, "{\"commands\":0}\n");
  // Both runs read the unit first; the difference is what each sends after.
  EXPECT_EQ(full_frames - changes_frames, 213u - 4u);
  EXPECT_EQ(changes_frames - again_frames, 4u);
  EXPECT_EQ(Cli("write --changes-only mine.wpf").code, 1);
}

TEST_F(CliDevice, WholeUnitFileRoundTripsEveryScene) {
  EmulatorProcess unit(socket_, {});
  ASSERT_TRUE(unit.Serving());
  auto settings = std::make_unique<model::UnitSettings>();
  for (int k = 0; k < model::kStoredScenes; ++k) {
    settings->scenes[k].channels[k % 6].delay = 1.0f + k;
    settings->scenes[k].outputs[1] = 10 + k;
    model::SetSceneName(settings->sceneName[k],
                        k == 4 ? u"低音炮" : u"Scene " + std::u16string(1, u'A' + k));
  }
  settings->live.mainVolume = -22;
  ASSERT_TRUE(model::WriteWholeProfile(*settings, Path("mine.wpf")));
  // The unit is given the window's 20 s to store its scenes before the command returns.
  const auto start = std::chrono::steady_clock::now();
  const CliRun w = Cli("write mine.wpf");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_EQ(w.code, 0) << w.err;

  const CliRun r = Cli("read-whole back.wpf");
  ASSERT_EQ(r.code, 0) << r.err;
  auto back = std::make_unique<model::UnitSettings>();
  ASSERT_EQ(model::ReadWholeProfile(Path("back.wpf"), *back), model::ProfileReadResult::kOk);
  for (int k = 0; k < model::kStoredScenes; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(back->scenes[k].channels[k % 6].delay, 1.0f + k, 1e-3);
    EXPECT_EQ(back->scenes[k].outputs[1], 10 + k);
    EXPECT_EQ(model::SceneName(back->sceneName[k]), model::SceneName(settings->sceneName[k]));
  }
  EXPECT_EQ(back->live.mainVolume, -22);
}

TEST_F(CliDevice, RejectedFilesSendNothing) {
  EmulatorProcess unit(socket_, {});
  ASSERT_TRUE(unit.Serving());
  LogFrames();
  std::ofstream(dir_ / "broken.spf") << "{\"model\":19,";
  std::ofstream(dir_ / "broken.wpf") << "not json";
  std::ofstream(dir_ / "notes.txt") << "{}";
  // Beyond the unit's limits a value wraps on the wire: -1000 dB would reach it as +24 dB.
  model::Profile loud;
  loud.mainVolume = -1000;
  ASSERT_TRUE(model::WriteSceneProfile(loud, Path("loud.spf")));
  // So would a main mute or mute of 256 (0: sound), a polarity of 256, a role of 274 (18).
  model::Profile wrapping;
  wrapping.mainVolumeMute = 256;
  ASSERT_TRUE(model::WriteSceneProfile(wrapping, Path("unmuted.spf")));
  wrapping = {};
  wrapping.channels[2].mute = 256;
  ASSERT_TRUE(model::WriteSceneProfile(wrapping, Path("mute.spf")));
  wrapping = {};
  wrapping.channels[1].phase = 256;
  ASSERT_TRUE(model::WriteSceneProfile(wrapping, Path("phase.spf")));
  auto whole = std::make_unique<model::UnitSettings>();
  whole->scenes[3].outputs[5] = 274;
  ASSERT_TRUE(model::WriteWholeProfile(*whole, Path("role.wpf")));
  const auto connects = [&] { return Logged("PC_Connect"); };
  for (const char* file : {"broken.spf", "broken.wpf", "notes.txt", "missing.spf", "loud.spf",
                           "unmuted.spf", "mute.spf", "phase.spf", "role.wpf"}) {
    SCOPED_TRACE(file);
    const CliRun r = Cli(std::string("write ") + file);
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find("${"), std::string::npos);  // English words, not a placeholder
    EXPECT_EQ(connects(), 0u);
  }
  // A file named as the other kind would be refused when written back.
  for (const char* read : {"read mine.wpf", "read-whole mine.spf", "read no/such/folder.spf"}) {
    SCOPED_TRACE(read);
    const CliRun r = Cli(read);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.find("${"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "mine.wpf"));
  EXPECT_FALSE(fs::exists(dir_ / "mine.spf"));
  EXPECT_EQ(Cli("info").code, 0);  // the log does catch a connection
  EXPECT_GT(connects(), 0u);
}

}  // namespace
}  // namespace tolva::e2e
