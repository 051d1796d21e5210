#include "model/files/profile_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <regex>

#include "model/files/base64.h"
#include "model/manager/equalizer_manager.h"

namespace tolva::model {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) {
  return ReadFileText(std::string(TOLVA_MODEL_FIXTURES) + "/" + name).value_or("");
}

std::string Replace(std::string text, const std::string& pattern, const std::string& with) {
  return std::regex_replace(text, std::regex(pattern), with,
                            std::regex_constants::format_first_only);
}

// The profile the hand-written fixture describes.
Profile KnownProfile() {
  Profile p;
  p.mainVolume = -12;
  p.subVolume = 3;
  p.mainVolumeMute = 1;
  for (auto& ch : p.channels) {
    ch.eqSize = 0;
    ch.phase = 1;  // the fixture's outputs are inverted
  }
  ChannelSettings& ch0 = p.channels[0];
  ch0.eqSize = 2;
  ch0.gain = -7;
  ch0.delay = 1.354f;
  ch0.bypass = 0;
  ch0.eqArray[1].eqGain = -4.5f;
  ch0.eqArray[1].enable = 0;
  p.linkOutputs = {1, 0, 3, 2, 5, 4};
  p.showChEqualizer = {1, 0, 0, 0, 0, 0};
  p.linkMode = 1;
  // Not carried by the file: must not leak into the text.
  p.source = 5;
  p.noiseThreshold = -20;
  return p;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolva_model_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  fs::path dir_;
};

TEST(ProfileText, SceneFileIsExactlyTheKnownText) {
  const std::string expected = Fixture("known_scene.spf");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(SceneProfileText(KnownProfile()), expected);
}

TEST(ProfileText, WholeFileOrderAndNames) {
  UnitSettings unit;
  SetSceneName(unit.sceneName[0], u"abc");
  const std::string text = WholeProfileText(unit);
  const std::string empty_name = "\"AAAAAAAAAAAAAAAAAAAAAA==\"";
  std::string names = "\"YQBiAGMAAAAAAAAAAAAAAA==\"";
  for (int i = 1; i < 10; ++i) names += "," + empty_name;
  const std::string head =
      "{\"model\":19,\"model_name\":\"tolva dsp\",\"mainVolume\":-5,"
      "\"subVolume\":0,\"mainVolumeMute\":0,\"sceneName\":[" +
      names + "],\"currentProfile\":{\"channels\":[";
  EXPECT_EQ(text.substr(0, head.size()), head);
  // Each profile object carries its members in the file order, and nothing else.
  const std::regex members(
      "\\{\"channels\":\\[.*?\\],\"inputs\":\\[.*?\\]\\],\"outputs\":\\[[^\\]]*\\],"
      "\"linkOutputs\":\\[[^\\]]*\\],\"showChEqualizer\":\\[[^\\]]*\\],\"currChannel\":-?\\d+,"
      "\"linkMode\":-?\\d+,\"lockMode\":-?\\d+\\}");
  const auto count = std::distance(std::sregex_iterator(text.begin(), text.end(), members),
                                   std::sregex_iterator());
  EXPECT_EQ(count, 11);
  EXPECT_NE(text.find("},\"sceneArray\":[{\"channels\""), std::string::npos);
  EXPECT_EQ(text.find_first_of(" \n\t", head.size()), std::string::npos);
}

TEST(Base64, EncodesAndDecodesLeniently) {
  const SceneNameSlot abc{'a', 0, 'b', 0, 'c', 0};
  EXPECT_EQ(Base64Encode(abc), "YQBiAGMAAAAAAAAAAAAAAA==");
  EXPECT_EQ(Base64Encode(std::vector<std::uint8_t>{'f', 'o', 'o', 'b'}), "Zm9vYg==");
  SceneNameSlot out;
  EXPECT_EQ(Base64DecodeInto("YQBi AGMA\nAAAAAAAAAAAAAA==", out), 16u);
  EXPECT_EQ(out, abc);
  // Longer text stops at the slot's end; short text leaves zeros.
  EXPECT_EQ(Base64DecodeInto(std::string(64, '/'), out), 16u);
  EXPECT_EQ(out[15], 0xFF);
  EXPECT_EQ(Base64DecodeInto("Zm9v", out), 3u);
  EXPECT_EQ(out, (SceneNameSlot{'f', 'o', 'o'}));
}

TEST(ProfileRoundTrip, SceneFileGivesBackTheSameModel) {
  Profile written = KnownProfile();
  for (auto& ch : written.channels) ch.eqSize = 31;
  written.channels[3].delay = 7.359f;
  written.channels[3].eqArray[30] = {-17.9f, 0.6f, 19999, 1};
  written.channels[2].crossover = {3, {10, 0, 9, 0}, {30000, 4, -1, 1}};  // as a file may hold
  written.inputs[6] = {63, 0, 1, 2, 4, 8};
  Profile read;  // fields the file lacks keep the reader's own values
  ASSERT_EQ(ParseSceneProfile(SceneProfileText(written), read), ProfileReadResult::kOk);
  Profile expected = written;
  expected.source = read.source;
  expected.noiseThreshold = read.noiseThreshold;
  EXPECT_EQ(read, expected);
}

TEST(ProfileRoundTrip, WholeFileGivesBackEveryProfileAndName) {
  auto written = std::make_unique<UnitSettings>();
  written->live = KnownProfile();
  for (int s = 0; s < kStoredScenes; ++s) {
    written->scenes[s].mainVolume = -30;  // not carried per scene
    written->scenes[s].channels[s % 6].gain = -s;
    written->scenes[s].channels[1].eqArray[s].eqGain = static_cast<float>(s) / 10.0f;
    written->scenes[s].currChannel = s % 6;
    SetSceneName(written->sceneName[s], s % 2 ? u"Night" : u"\u591c\u95f4");
  }
  auto read = std::make_unique<UnitSettings>();
  ASSERT_EQ(ParseWholeProfile(WholeProfileText(*written), *read), ProfileReadResult::kOk);
  for (auto& s : written->scenes) s.mainVolume = -5;
  written->live.source = read->live.source;
  written->live.noiseThreshold = read->live.noiseThreshold;
  EXPECT_EQ(*read, *written);
}

TEST(ProfileReader, AcceptsFormattedTextAnyKeyOrderAndAnyCase) {
  std::string text = Fixture("known_scene.spf");
  text = std::regex_replace(text, std::regex(","), ",\n  ");
  text = std::regex_replace(text, std::regex("\"mainVolume\""), "\"MAINVOLUME\"");
  text = std::regex_replace(text, std::regex("\"eqFactor\""), "\"EqFactor\"");
  // Move "model" to the end.
  text = std::regex_replace(text, std::regex("^\\{\"model\":19,"), "{");
  text.back() = ',';
  text += "\"model\": 19 }";
  Profile read;
  ASSERT_EQ(ParseSceneProfile(text, read), ProfileReadResult::kOk);
  EXPECT_EQ(read.mainVolume, -12);
  EXPECT_EQ(read.channels[0].eqArray[1].eqFactor, 5.8f);
  EXPECT_EQ(read.channels[0].delay, 1.354f);
}

TEST(ProfileReader, StoresValuesAsReadWithoutStoreRules) {
  std::string text = Fixture("known_scene.spf");
  text = std::regex_replace(text, std::regex("\"hp\":\\{\"fs\":20,"), "\"hp\":{\"fs\":10,",
                            std::regex_constants::format_first_only);
  text = std::regex_replace(text, std::regex("\"enable\":0"), "\"enable\":-3");
  const std::string two = std::regex_replace(text, std::regex("\"bypass\":0,\"crossover\""),
                                             "\"bypass\":2,\"crossover\"");
  Profile read;
  ASSERT_EQ(ParseSceneProfile(two, read), ProfileReadResult::kOk);
  EXPECT_EQ(read.channels[0].crossover.hp.fs, 10);
  EXPECT_EQ(read.channels[0].bypass, 2);  // kept, for the limits check to refuse before sending
  EXPECT_EQ(read.channels[0].eqArray[1].enable, 1);
  // Beyond the byte the model keeps, a bypass cannot even be kept as written (258 was once read
  // as its low byte, 2).
  const std::string wide = std::regex_replace(text, std::regex("\"bypass\":0,\"crossover\""),
                                              "\"bypass\":258,\"crossover\"");
  EXPECT_EQ(ParseSceneProfile(wide, read), ProfileReadResult::kLoadError);
}

// A value between the unit's steps is read as the unit takes it from the frame that sends it
// (Q and gain at the nearest tenth, the delay at the nearest microsecond, an odd Linkwitz-Riley order as the one it
// plays), in every scene of a whole-unit file too; a value beyond the unit's limits stays as
// written, for the limit check to name. A file on the steps writes back byte for byte.
TEST(ProfileReader, ValuesBetweenTheUnitsStepsAreReadAsTheUnitHoldsThem) {
  auto written = std::make_unique<UnitSettings>();
  for (Profile* p : {&written->live, &written->scenes[9]}) {
    ChannelSettings& ch = p->channels[2];
    ch.eqArray[0] = {-3.45f, 1.41f, 500, 1};
    ch.eqArray[1] = {11.99f, 8.99f, 600, 0};  // switched off: held as it will be switched on
    ch.delay = 14.9999f;
    ch.crossover = MakeCrossover(FilterSettings::Make(80, kLinkwitzRiley, 7),
                                 FilterSettings::Make(5000, 1, 3));
  }
  written->live.channels[3].eqArray[0] = {12.05f, 9.05f, 700, 1};
  written->live.channels[3].delay = 15.5f;
  auto read = std::make_unique<UnitSettings>();
  ASSERT_EQ(ParseWholeProfile(WholeProfileText(*written), *read), ProfileReadResult::kOk);
  for (const Profile* p : {&read->live, &read->scenes[9]}) {
    const ChannelSettings& ch = p->channels[2];
    EXPECT_EQ(ch.eqArray[0].eqGain, -3.5f);
    EXPECT_EQ(ch.eqArray[0].eqFactor, 1.4f);
    EXPECT_EQ(ch.eqArray[1].eqGain, 12.0f);
    EXPECT_EQ(ch.eqArray[1].eqFactor, 9.0f);
    EXPECT_EQ(ch.delay, 15.0f);
    EXPECT_EQ(ch.crossover.hp.slope, 8);
    EXPECT_EQ(ch.crossover.lp.slope, 3);  // the other types have every order
  }
  const ChannelSettings& beyond = read->live.channels[3];
  EXPECT_EQ(beyond.eqArray[0].eqGain, 12.05f);
  EXPECT_EQ(beyond.eqArray[0].eqFactor, 9.05f);
  EXPECT_EQ(beyond.delay, 15.5f);

  const std::string on_steps = SceneProfileText(read->scenes[9]);
  Profile again;
  ASSERT_EQ(ParseSceneProfile(on_steps, again), ProfileReadResult::kOk);
  EXPECT_EQ(SceneProfileText(again), on_steps);
}

TEST(ProfileReader, BpTypeFollowsTheSlopesNotTheFile) {
  std::string text = Fixture("known_scene.spf");
  text = Replace(text, "\"bpType\":0", "\"bpType\":3");  // output 1: both slopes 0
  text = Replace(text, "\"bpType\":3,\"hp\":\\{\"fs\":30", "\"bpType\":1,\"hp\":{\"fs\":30");
  Profile read;
  ASSERT_EQ(ParseSceneProfile(text, read), ProfileReadResult::kOk);
  EXPECT_EQ(read.channels[0].crossover.bpType, 0);
  EXPECT_EQ(read.channels[4].crossover.bpType, 3);  // slopes 4 and 2
  EXPECT_EQ(SceneProfileText(read), Fixture("known_scene.spf"));
}

TEST(ProfileReader, NumbersBeyondTheFieldRangeSaturateAndStillWriteBack) {
  std::string text = Fixture("known_scene.spf");
  text = Replace(text, "\"eqGain\":-4.5", "\"eqGain\":-1e999");
  text = Replace(text, "\"delay\":1.3539999723434448", "\"delay\":1e300");
  text = Replace(text, "\"gain\":-7", "\"gain\":-1e20");
  Profile read;
  ASSERT_EQ(ParseSceneProfile(text, read), ProfileReadResult::kOk);
  EXPECT_EQ(read.channels[0].eqArray[1].eqGain, -std::numeric_limits<float>::max());
  EXPECT_EQ(read.channels[0].delay, std::numeric_limits<float>::max());
  EXPECT_EQ(read.channels[0].gain, std::numeric_limits<int>::min());
  // An infinity would have been written as null: the saved file must read back.
  Profile again;
  ASSERT_EQ(ParseSceneProfile(SceneProfileText(read), again), ProfileReadResult::kOk);
  EXPECT_EQ(again, read);
}

struct Fault {
  const char* name;
  std::function<std::string(std::string)> edit;
  ProfileReadResult expected;
};

const std::vector<Fault>& SceneFaults() {
  static const std::vector<Fault> faults{
      {"empty", [](std::string) { return std::string(); }, ProfileReadResult::kOpenError},
      {"not json", [](std::string t) { return t.substr(0, 100); }, ProfileReadResult::kOpenError},
      {"model 18", [](std::string t) { return Replace(t, "\"model\":19", "\"model\":18"); },
       ProfileReadResult::kModelMismatch},
      {"model text", [](std::string t) { return Replace(t, "\"model\":19", "\"model\":\"19\""); },
       ProfileReadResult::kLoadError},
      {"no model", [](std::string t) { return Replace(t, "\"model\":19,", ""); },
       ProfileReadResult::kLoadError},
      {"no subVolume", [](std::string t) { return Replace(t, "\"subVolume\":3,", ""); },
       ProfileReadResult::kLoadError},
      {"eqArray short", [](std::string t) { return Replace(t, "\"eqSize\":2", "\"eqSize\":3"); },
       ProfileReadResult::kLoadError},
      {"eqSize 32", [](std::string t) { return Replace(t, "\"eqSize\":0", "\"eqSize\":32"); },
       ProfileReadResult::kLoadError},
      {"eqSize negative", [](std::string t) { return Replace(t, "\"eqSize\":0", "\"eqSize\":-1"); },
       ProfileReadResult::kLoadError},
      {"band not object", [](std::string t) { return Replace(t, "\\{\"freq\":25[^}]*\\}", "7"); },
       ProfileReadResult::kLoadError},
      {"band gain text",
       [](std::string t) { return Replace(t, "\"eqGain\":-4.5", "\"eqGain\":\"-4.5\""); },
       ProfileReadResult::kLoadError},
      {"channels 8",
       [](std::string t) {
         const std::size_t a = t.find("\"channels\":[") + 12;
         const std::size_t b = t.find("]}", t.find("\"eqSize\":0")) + 2;
         const std::string one = t.substr(a, b - a);
         return t.insert(a, one + "," + one + ",");
       },
       ProfileReadResult::kLoadError},
      {"channels 5", [](std::string t) { return Replace(t, "\\{\"eqSize\":0[^\\]]*\\]\\},", ""); },
       ProfileReadResult::kLoadError},
      {"inputs 6 rows", [](std::string t) { return Replace(t, "\\[1,2,1,2,3,3\\],", ""); },
       ProfileReadResult::kLoadError},
      {"inputs row 5", [](std::string t) { return Replace(t, "\\[1,2,4,8,3,3\\]", "[1,2,4,8,3]"); },
       ProfileReadResult::kLoadError},
      {"outputs 7",
       [](std::string t) { return Replace(t, "\\[6,12,15,18,22,23\\]", "[6,12,15,18,22,23,1]"); },
       ProfileReadResult::kLoadError},
      {"linkOutputs not array", [](std::string t) { return Replace(t, "\\[1,0,3,2,5,4\\]", "{}"); },
       ProfileReadResult::kLoadError},
      {"lockMode missing", [](std::string t) { return Replace(t, ",\"lockMode\":0", ""); },
       ProfileReadResult::kLoadError},
      {"crossover hp missing", [](std::string t) { return Replace(t, "\"hp\":\\{[^}]*\\},", ""); },
       ProfileReadResult::kLoadError},
      {"delay null", [](std::string t) { return Replace(t, "\"delay\":0", "\"delay\":null"); },
       ProfileReadResult::kLoadError},
  };
  return faults;
}

TEST(ProfileReader, EverySceneFaultIsReportedAndChangesNothing) {
  const std::string good = Fixture("known_scene.spf");
  for (const Fault& fault : SceneFaults()) {
    Profile target = KnownProfile();
    target.channels[4].eqArray[7].eqGain = 3.5f;
    const Profile before = target;
    EXPECT_EQ(ParseSceneProfile(fault.edit(good), target), fault.expected) << fault.name;
    EXPECT_EQ(target, before) << fault.name;
  }
  EXPECT_EQ(MessageOf(ProfileReadResult::kOpenError), "${profile_open_error}");
  EXPECT_EQ(MessageOf(ProfileReadResult::kLoadError), "${profile_load_error}");
  EXPECT_EQ(MessageOf(ProfileReadResult::kModelMismatch), "${software_not_match}");
}

TEST(ProfileReader, EveryWholeUnitFaultIsReportedAndChangesNothing) {
  auto source = std::make_unique<UnitSettings>();
  for (int s = 0; s < kStoredScenes; ++s) SetSceneName(source->sceneName[s], u"scene");
  const std::string good = WholeProfileText(*source);
  const std::vector<Fault> faults{
      {"not json", [](std::string t) { return t.substr(0, t.size() - 1); },
       ProfileReadResult::kLoadError},
      {"model 18", [](std::string t) { return Replace(t, "\"model\":19", "\"model\":18"); },
       ProfileReadResult::kModelMismatch},
      {"names 9", [](std::string t) { return Replace(t, "\"cwBjAGUAbgBlAAAAAAAAAA==\",", ""); },
       ProfileReadResult::kLoadError},
      {"name number", [](std::string t) { return Replace(t, "\"cwBjAGUAbgBlAAAAAAAAAA==\"", "5"); },
       ProfileReadResult::kLoadError},
      {"no current", [](std::string t) { return Replace(t, "currentProfile", "current"); },
       ProfileReadResult::kLoadError},
      {"scenes 9",
       [](std::string t) {
         const std::size_t at = t.find("\"sceneArray\":[") + 14;
         return t.erase(at, t.find(",{\"channels\"", at) + 1 - at);
       },
       ProfileReadResult::kLoadError},
      // A fault in the last scene: everything before it was read into the scratch copy.
      {"last scene broken",
       [](std::string t) {
         const std::size_t at = t.rfind("\"lockMode\":0");
         return t.replace(at, 12, "\"lockMode\":[]");
       },
       ProfileReadResult::kLoadError},
  };
  for (const Fault& fault : faults) {
    auto target = std::make_unique<UnitSettings>();
    target->live.mainVolume = -9;
    target->scenes[3].channels[2].gain = -11;
    SetSceneName(target->sceneName[1], u"keep");
    const auto before = std::make_unique<UnitSettings>(*target);
    EXPECT_EQ(ParseWholeProfile(fault.edit(good), *target), fault.expected) << fault.name;
    EXPECT_EQ(*target, *before) << fault.name;
  }
  auto target = std::make_unique<UnitSettings>();
  EXPECT_EQ(ParseWholeProfile(good, *target), ProfileReadResult::kOk);
  EXPECT_EQ(SceneName(target->sceneName[9]), u"scene");
}

TEST_F(TempDir, WrittenFilesReadBackThroughTheManager) {
  EqualizerManager manager;
  manager.LiveProfile() = KnownProfile();
  SetSceneName(*manager.SceneNameSlotAt(4), u"Live");
  manager.ProfileOfScene(5)->channels[0].delay = 2.5f;
  ASSERT_TRUE(manager.SaveSceneProfileFile(Path("a.spf")));
  ASSERT_TRUE(manager.SaveWholeProfileFile(Path("a.wpf")));
  EXPECT_EQ(ReadFileText(Path("a.spf")), Fixture("known_scene.spf"));
  EqualizerManager other;
  EXPECT_EQ(other.LoadWholeProfileFile(Path("a.wpf")), ProfileReadResult::kOk);
  EXPECT_EQ(SceneName(*other.SceneNameSlotAt(4)), u"Live");
  EXPECT_EQ(other.ProfileOfScene(5)->channels[0].delay, 2.5f);
  EXPECT_EQ(other.LoadSceneProfileFile(Path("a.spf")), ProfileReadResult::kOk);
  EXPECT_EQ(other.LiveProfile().channels[0].delay, 1.354f);
  EXPECT_EQ(other.LoadSceneProfileFile(Path("missing.spf")), ProfileReadResult::kOpenError);
  EXPECT_EQ(other.LoadWholeProfileFile(Path("missing.wpf")), ProfileReadResult::kOpenError);
  EXPECT_EQ(other.LoadWholeProfileFile(dir_.string()), ProfileReadResult::kOpenError);
}

TEST_F(TempDir, AFailedSaveLeavesTheOldFileAndNoTemporary) {
  Write("keep.spf", "old contents");
  fs::create_directory(Path("keep.spf.dir"));
  // Renaming a file over a directory fails: the save reports it and leaves no stray file.
  EXPECT_FALSE(WriteSceneProfile(Profile{}, Path("keep.spf.dir")));
  EXPECT_FALSE(WriteSceneProfile(Profile{}, Path("no/such/folder/x.spf")));
  EXPECT_EQ(ReadFileText(Path("keep.spf")), "old contents");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST_F(TempDir, ASaveReplacesTheTargetKeepingItsPermissionsAndLinks) {
  Write("real.spf", "old");
  ::chmod(Path("real.spf").c_str(), 0640);
  fs::create_symlink(Path("real.spf"), Path("link.spf"));
  ASSERT_TRUE(WriteSceneProfile(KnownProfile(), Path("link.spf")));
  EXPECT_TRUE(fs::is_symlink(Path("link.spf")));
  EXPECT_EQ(ReadFileText(Path("real.spf")), Fixture("known_scene.spf"));
  struct stat st {};
  ASSERT_EQ(::stat(Path("real.spf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace tolva::model
