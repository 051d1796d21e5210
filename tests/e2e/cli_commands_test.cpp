// The scripting commands end to end against tolva-dsp-emulator: each change is read back from
// the unit, and each refusal is shown to leave the unit (and files) as they were.
#include "device/protocol/firmware_image.h"
#include "e2e/cli_process.h"
#include "emulator/unit_state.h"
#include "model/files/profile_files.h"

namespace tolva::e2e {
namespace {

class CliCommands : public CliDevice {
 protected:
  void SetUp() override {
    CliDevice::SetUp();
    unit_ = std::make_unique<EmulatorProcess>(socket_, std::vector<std::string>{});
    ASSERT_TRUE(unit_->Serving());
  }
  std::string Get(const std::string& key) {
    const CliRun r = Cli("get " + key);
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out;
  }
  std::unique_ptr<EmulatorProcess> unit_;
};

TEST_F(CliCommands, SetEditsAsTheWindowDoesAndGetReadsTheUnitBack) {
  const CliRun set = Cli(
      "set mainVolume=-1.2e1 source=bt channels/1/gain=5 channels/1/delay=2.5 "
      "channels/2/crossover/hp/fs=80 channels/2/crossover/hp/slope=4 "
      "channels/2/crossover/hp/type=2 "
      "channels/2/eqArray/4/eqGain=-3.5 channels/2/eqArray/4/eqFactor=2.2 "
      "channels/2/eqArray/4/freq=1K2 --json");  // a global option after the command
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(Get("mainVolume"), "-12\n");
  EXPECT_EQ(Get("channels/1/gain"), "0\n");  // clamped to the slider's 0 dB, as on the window
  // With --json the notes are the output, in the window's words; the tenths a typed gain keeps
  // need none.
  EXPECT_EQ(set.out,
            "{\"notes\":[{\"key\":\"channels/1/gain\",\"value\":\"volume\",\"asked\":5,\"held\":0,"
            "\"text\":\"5 is beyond what the unit takes: it holds 0.\"}]}\n");
  EXPECT_EQ(Get("source"), "2\n");
  EXPECT_EQ(Get("channels/1/delay"), "2.5\n");
  EXPECT_EQ(Get("channels/2/crossover/hp"), "{\"fs\":80,\"type\":2,\"slope\":4,\"bypass\":0}\n");
  EXPECT_EQ(Get("channels/2/eqArray/4"),
            "{\"freq\":1200,\"eqFactor\":2.2,\"eqGain\":-3.5,\"enable\":1}\n");
  EXPECT_EQ(Get("channels/2/bypass"), "0\n");
  EXPECT_EQ(Cli("get channels/9").code, 2);
}

TEST_F(CliCommands, RefusedSetSendsNothingAtAll) {
  ASSERT_EQ(Cli("set mainVolume=-20").code, 0);
  LogFrames();
  for (const char* bad : {"mainVolume=-3 nonsense=1", "mainVolume=-3 channels/6/gain=-1",
                          "channels/0/eqArray/31/eqGain=1 mainVolume=-3", "mainVolume=loud",
                          "source=radio", "outputs/1=25", "mainVolume", "mainVolumeMute=2",
                          "channels/0/mute=0.5", "channels/0/crossover/hp/type=7",
                          "channels/0/crossover/lp/type=0", "channels/0/crossover/hp/slope=2.5",
                          "channels/0/crossover/hp/slope=9", "channels/0/gain=-3,5"}) {
    SCOPED_TRACE(bad);
    const CliRun r = Cli(std::string("set ") + bad);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
    EXPECT_EQ(Logged("PC_Connect"), 0u);
  }
  fs::remove(dir_ / "savelog.ini");
  EXPECT_EQ(Get("mainVolume"), "-20\n");
  // Output 1's role is one whose speaker output 0 already has: the output menu does not offer it.
  const std::string roles = Get("outputs");
  const CliRun taken = Cli("set mainVolume=-3 outputs/1=" + roles.substr(1, roles.find(',') - 1));
  EXPECT_EQ(taken.code, 2) << taken.err;
  EXPECT_EQ(Get("outputs"), roles);
  EXPECT_EQ(Get("mainVolume"), "-20\n");
}

// "K" stands for the point of the kilohertz: every digit after it counts, and a fraction of a
// hertz the crossover cannot hold is named.
TEST_F(CliCommands, KiloFrequenciesKeepEveryDigit) {
  const CliRun set = Cli("set channels/0/crossover/hp/fs=1K25 channels/1/crossover/lp/fs=2K999 "
                         "channels/2/eqArray/3/freq=2k channels/2/eqArray/4/freq=1K2345");
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(Get("channels/0/crossover/hp/fs"), "1250\n");
  EXPECT_EQ(Get("channels/1/crossover/lp/fs"), "2999\n");
  EXPECT_EQ(Get("channels/2/eqArray/3/freq"), "2000\n");
  EXPECT_EQ(Get("channels/2/eqArray/4/freq"), "1235\n");
  EXPECT_NE(set.err.find("note: channels/2/eqArray/4/freq: 1234.5 is beyond what the unit takes: "
                         "it holds 1235."),
            std::string::npos)
      << set.err;
  EXPECT_EQ(set.err.find("crossover/hp/fs"), std::string::npos) << set.err;
}

TEST_F(CliCommands, ScenesAreSavedLoadedAndDeletedWithTheWindowsRefusals) {
  ASSERT_EQ(Cli("set channels/1/gain=-7").code, 0);
  ASSERT_EQ(Cli("scene save 2 Bass").code, 0);
  ASSERT_EQ(Cli("scene save 3 低音炮").code, 0);
  for (const char* refused : {"scene save 2 Other", "scene save 4 Bass", "scene save 4 ABCDEFGH",
                              "scene save 4 ''", "scene save 4 😀"}) {
    SCOPED_TRACE(refused);
    const CliRun r = Cli(refused);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Cli("scene save 2 Other --overwrite").code, 0);
  EXPECT_EQ(Cli("scene load 11").code, 1);

  ASSERT_EQ(Cli("set channels/1/gain=-20").code, 0);
  ASSERT_EQ(Cli("scene load 2").code, 0);
  EXPECT_EQ(Get("channels/1/gain"), "-7\n");
  ASSERT_EQ(Cli("scene delete 2").code, 0);
  const CliRun list = Cli("--json scenes");
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out.rfind("[{\"scene\":1,\"name\":\"\",\"empty\":true},"
                          "{\"scene\":2,\"name\":\"\",\"empty\":true},"
                          "{\"scene\":3,\"name\":\"低音炮\",\"empty\":false},",
                          0),
            0u)
      << list.out;
}

TEST_F(CliCommands, FactoryResetNeedsYes) {
  LogFrames();
  EXPECT_EQ(Cli("factory-reset").code, 1);
  EXPECT_EQ(Logged("PC_Connect"), 0u);
  EXPECT_EQ(Cli("factory-reset --yes").code, 0);
  EXPECT_GT(Logged("PC_Connect"), 0u);
}

TEST_F(CliCommands, UpgradeChecksTheImageFirstAndEndsWhenTheUnitConfirms) {
  std::vector<std::uint8_t> data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  auto image = device::BuildUpgradeImage(1, 19, {1, 2, 3, 4}, data);
  const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  };
  write("T_MCU_UPG.BIN", image);
  image[20] ^= 1;
  write("BAD_MCU_UPG.BIN", image);
  write("T_FLASH_UPG.bin.txt", image);
  fs::create_directory(dir_ / "DIR_MCU_UPG.BIN");

  LogFrames();
  for (const char* refused :
       {"BAD_MCU_UPG.BIN", "T_FLASH_UPG.bin.txt", "missing_MCU_UPG.BIN", "DIR_MCU_UPG.BIN"}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(Cli(std::string("upgrade ") + refused).code, 2);
    EXPECT_EQ(Logged("PC_Connect"), 0u);
  }
  const CliRun r = Cli("upgrade T_MCU_UPG.BIN");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("100%\n"), std::string::npos) << r.err;  // lines, not a bar: no terminal
}

TEST_F(CliCommands, ExportedFiltersImportOntoAnotherOutput) {
  ASSERT_EQ(Cli("set channels/2/eqArray/3/eqGain=-4.5 channels/2/eqArray/3/eqFactor=2.1 "
                "channels/2/eqArray/12/eqGain=3 channels/2/eqArray/12/freq=455")
                .code,
            0);
  for (const char* format : {"apo", "rew"}) {
    SCOPED_TRACE(format);
    const CliRun out = Cli(std::string("eq export --from-unit --channel 2 --format ") + format);
    ASSERT_EQ(out.code, 0) << out.err;
    std::ofstream(dir_ / "filters.txt") << out.out;
    const CliRun in = Cli("eq import filters.txt --channel 4 --to-unit");
    ASSERT_EQ(in.code, 0) << in.err;
    EXPECT_EQ(Get("channels/4/eqArray/0"),
              "{\"freq\":40,\"eqFactor\":2.1,\"eqGain\":-4.5,\"enable\":1}\n");
    EXPECT_EQ(Get("channels/4/eqArray/1"),
              "{\"freq\":455,\"eqFactor\":5.8,\"eqGain\":3,\"enable\":1}\n");
    EXPECT_EQ(Get("channels/4/eqArray/2/eqGain"), "0\n");
    EXPECT_EQ(Get("channels/4/bypass"), "0\n");
    EXPECT_EQ(Cli("set channels/4/eqArray/0/eqGain=0 channels/4/eqArray/1/eqGain=0").code, 0);
  }
}

TEST_F(CliCommands, RefusedImportLeavesUnitAndFileUntouched) {
  ASSERT_EQ(Cli("read before.spf").code, 0);
  const std::string before = Slurp(dir_ / "before.spf");
  // A notch's depth is beyond what bands reproduce.
  std::ofstream(dir_ / "notch.txt") << "Filter 1: ON PK Fc 100 Hz Gain -3 dB Q 1\r\n"
                                       "Filter 2: ON NO Fc 1000 Hz\r\n";
  std::ofstream(dir_ / "comma.txt") << "Filter 1: ON PK Fc 100 Hz Gain -3,5 dB Q 1\n";
  std::ofstream(dir_ / "sides.txt") << "Channel: L\nFilter 1: ON PK Fc 100 Hz Gain -3 dB Q 1\n"
                                       "Channel: R\nFilter 2: ON PK Fc 200 Hz Gain -3 dB Q 1\n";
  // A failed `eq export > filters.txt` leaves an empty file; read as "no filters" it would flatten.
  std::ofstream(dir_ / "empty.txt") << "";
  std::ofstream(dir_ / "notes.txt") << "bass a bit lower\n";
  std::ofstream(dir_ / "colon.txt") << "Filter 1: ON PK Fc 100 Hz Gain -3 dB Q 1\n"
                                       "Filter 2 ON PK Fc 200 Hz Gain -3 dB Q 1\n";
  struct Case {
    const char* args;
    const char* says;
  };
  for (const Case& c : {Case{"notch.txt --channel 0 --into before.spf", "beyond the limit of 1 dB"},
                        Case{"notch.txt --channel 0 --to-unit", "nothing was written"},
                        Case{"comma.txt --channel 0 --into before.spf", "decimal comma"},
                        Case{"sides.txt --channel 0 --to-unit", "(L, R)"},
                        Case{"sides.txt --channel 0 --to-unit --apo-channel C", "no channel"},
                        Case{"empty.txt --channel 0 --to-unit", "no Equalizer APO or REW"},
                        Case{"notes.txt --channel 0 --into before.spf", "no Equalizer APO or REW"},
                        Case{"colon.txt --channel 0 --to-unit", "line 2: the filter line has no colon"}}) {
    SCOPED_TRACE(c.args);
    const CliRun r = Cli(std::string("eq import ") + c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_EQ(Slurp(dir_ / "before.spf"), before);
  ASSERT_EQ(Cli("read after.spf").code, 0);
  EXPECT_EQ(Slurp(dir_ / "after.spf"), before);

  // Forced, the bands come as close as they can: a deep cut at the notch.
  ASSERT_EQ(Cli("eq import notch.txt --channel 0 --into before.spf --force").code, 0);
  model::Profile p;
  ASSERT_EQ(model::ReadSceneProfile(Path("before.spf"), p), model::ProfileReadResult::kOk);
  float deepest = 0.0f;
  for (const model::EqBand& b : p.channels[0].eqArray) {
    if (b.freq > 900 && b.freq < 1100) deepest = std::min(deepest, b.eqGain);
  }
  EXPECT_LT(deepest, -10.0f);
  EXPECT_EQ(Cli("eq import sides.txt --channel 0 --to-unit --apo-channel R").code, 0);
  EXPECT_EQ(Get("channels/0/eqArray/0/freq"), "200\n");
}

TEST_F(CliCommands, DiffListsTheFieldsThatDiffer) {
  ASSERT_EQ(Cli("read a.spf").code, 0);
  ASSERT_EQ(Cli("set mainVolume=-33 channels/0/eqArray/7/eqGain=1.5").code, 0);
  ASSERT_EQ(Cli("read b.spf").code, 0);
  const CliRun text = Cli("diff a.spf b.spf");
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_NE(text.out.find("mainVolume: -5 -> -33\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("channels/0/eqArray/7/eqGain: 0 -> 1.5\n"), std::string::npos);
  const CliRun json = Cli("diff unit a.spf --json");
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_NE(json.out.find("{\"key\":\"mainVolume\",\"a\":-33,\"b\":-5}"), std::string::npos)
      << json.out;
  EXPECT_EQ(Cli("--json diff b.spf unit").out, "[]\n");
  EXPECT_EQ(Cli("diff b.spf missing.spf").code, 2);
  // Output the script never got is no success.
  const CliRun lost = Cli("diff a.spf b.spf", "/dev/full");
  EXPECT_EQ(lost.code, 2);
  EXPECT_NE(lost.err.find("standard output could not be written"), std::string::npos) << lost.err;
  EXPECT_EQ(Cli("get mainVolume", "&-").code, 2);
}

// The window disables the role buttons of a locked unit: set refuses a role there, sending
// nothing (the unit would keep its link pairs while the roles moved under them).
TEST_F(CliDevice, ARoleOnALockedUnitIsRefused) {
  emulator::UnitState locked = emulator::FactoryState();
  locked.scenes[0].lock = 1;
  std::ofstream(Path("unit.json")) << emulator::ToJson(locked);
  EmulatorProcess unit(socket_, {"--state", Path("unit.json")});
  ASSERT_TRUE(unit.Serving());
  const CliRun r = Cli("set mainVolume=-9 outputs/2=0");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("locked"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
  const CliRun roles = Cli("get outputs");
  EXPECT_EQ(roles.out, "[6,12,15,18,22,23]\n");
  EXPECT_EQ(Cli("get mainVolume").out, "-5\n");
}

}  // namespace
}  // namespace tolva::e2e
