// A unit that leaves the bus part-way through a CLI command: the command says so with exit code
// 3, and a file it would have written keeps its old bytes. Installers trust these codes with
// their backups.
#include "device/protocol/firmware_image.h"
#include "e2e/cli_process.h"
#include "model/files/profile_files.h"

namespace tolva::e2e {
namespace {

constexpr char kOldBackup[] = "the previous backup, byte for byte";
// PC_Connect and the 56 exchanges of the connect read reach the unit before anything else.
constexpr int kConnectReports = 57;
// Then read-whole: 55 per stored scene and the working set read again.
constexpr int kReadWholeReports = kConnectReports + 10 * 55 + 58;

class CliUnitLeaves : public CliDevice {
 protected:
  CliRun RunAgainstLeavingUnit(int reports, const std::string& command) {
    EmulatorProcess unit(socket_, {"--unplug-after", std::to_string(reports)});
    EXPECT_TRUE(unit.Serving());
    return Cli(command);
  }
};

TEST_F(CliUnitLeaves, AReadOrABackupCutShortKeepsTheOldFileAndExitsThree) {
  for (const int reports : {2, 3, 20, kConnectReports - 1}) {
    SCOPED_TRACE(reports);
    std::ofstream(dir_ / "out.spf", std::ios::binary) << kOldBackup;
    const CliRun r = RunAgainstLeavingUnit(reports, "read out.spf");
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_NE(r.err.find("left"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(dir_ / "out.spf"), kOldBackup);
  }
  // Inside the stored scenes, and inside the working set read again at the end.
  for (const int reports : {kConnectReports + 1, 300, kReadWholeReports - 1}) {
    SCOPED_TRACE(reports);
    std::ofstream(dir_ / "out.wpf", std::ios::binary) << kOldBackup;
    const auto start = std::chrono::steady_clock::now();
    const CliRun r = RunAgainstLeavingUnit(reports, "read-whole out.wpf");
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(Slurp(dir_ / "out.wpf"), kOldBackup);
    // A unit gone in the first stored scene costs no time-out (10 s each), only the second the
    // unit gets to prepare that scene.
    if (reports == kConnectReports + 1) {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
  }
}

TEST_F(CliUnitLeaves, AWriteCutShortExitsThreeAndAWholeOneToo) {
  ASSERT_TRUE(model::WriteSceneProfile(model::Profile{}, Path("mine.spf")));
  auto whole = std::make_unique<model::UnitSettings>();
  ASSERT_TRUE(model::WriteWholeProfile(*whole, Path("mine.wpf")));
  for (const char* file : {"mine.spf", "mine.wpf"}) {
    SCOPED_TRACE(file);
    const CliRun r = RunAgainstLeavingUnit(kConnectReports + 3, std::string("write ") + file);
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_NE(r.err.find("not written to the unit completely"), std::string::npos) << r.err;
  }
}

// Live edits go through the command queue; the unit acknowledging only the first of them must
// not read as done.
TEST_F(CliUnitLeaves, ASetOrAFilterImportCutShortExitsThree) {
  const CliRun set = RunAgainstLeavingUnit(
      kConnectReports + 1, "set mainVolume=-12 channels/0/gain=-3 channels/1/gain=-4");
  EXPECT_EQ(set.code, 3) << set.err;
  EXPECT_NE(set.err.find("not all applied on the unit: the unit left"), std::string::npos)
      << set.err;

  // Enough bands that change for the unit to leave among them: only changes are sent.
  std::ofstream filters(dir_ / "filters.txt");
  for (int i = 1; i <= 10; ++i) {
    filters << "Filter " << i << ": ON PK Fc " << 100 * i << " Hz Gain -3 dB Q 2\n";
  }
  filters.close();
  const CliRun import =
      RunAgainstLeavingUnit(kConnectReports + 5, "eq import filters.txt --channel 1 --to-unit");
  EXPECT_EQ(import.code, 3) << import.err;
  EXPECT_NE(import.err.find("not all written to the unit: the unit left"), std::string::npos)
      << import.err;
}

TEST_F(CliUnitLeaves, AnUpgradeCutShortExitsThree) {
  const std::vector<std::uint8_t> data(3000, 0x5A);
  const auto image = device::BuildUpgradeImage(1, 19, {1, 2, 3, 4}, data);
  std::ofstream(dir_ / "T_MCU_UPG.BIN", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<long>(image.size()));
  const CliRun r = RunAgainstLeavingUnit(kConnectReports + 10, "upgrade T_MCU_UPG.BIN");
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_NE(r.err.find("left the bus"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tolva::e2e
