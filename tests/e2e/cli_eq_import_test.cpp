// eq import and eq fit as a script runs them against tolva-dsp-emulator: the unit ends playing
// what the file (or the measurement and the target) means, judged by an independent cookbook
// design, and a second run sends nothing.
#include <algorithm>
#include <cmath>
#include <fstream>

#include "e2e/cli_process.h"
#include "model/cookbook_reference.h"
#include "model/files/profile_files.h"

namespace tolva::e2e {
namespace {

namespace ref = reference;

// A current AutoEq result: shelves at 105 Hz and 10 kHz around peaking filters.
constexpr const char* kAutoEq =
    "Preamp: -6.9 dB\r\nFilter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\r\n"
    "Filter 2: ON PK Fc 182 Hz Gain -3.4 dB Q 0.43\r\nFilter 3: ON PK Fc 1458 Hz Gain 2.9 dB Q 1.62\r\n"
    "Filter 4: ON PK Fc 3024 Hz Gain -4.7 dB Q 3.02\r\nFilter 5: ON PK Fc 5190 Hz Gain 5.8 dB Q 4.41\r\n"
    "Filter 6: ON PK Fc 7322 Hz Gain -3.9 dB Q 2.95\r\nFilter 7: ON HSC Fc 10000 Hz Gain -4.3 dB Q 0.70\r\n";

double FileDb(double f) {
  return ref::Db(ref::Shelf(true, 105, 6.2, 0.70), f) + ref::Db(ref::Peaking(182, -3.4, 0.43), f) +
         ref::Db(ref::Peaking(1458, 2.9, 1.62), f) + ref::Db(ref::Peaking(3024, -4.7, 3.02), f) +
         ref::Db(ref::Peaking(5190, 5.8, 4.41), f) + ref::Db(ref::Peaking(7322, -3.9, 2.95), f) +
         ref::Db(ref::Shelf(false, 10000, -4.3, 0.70), f);
}

double UnitDb(const model::ChannelSettings& ch, double f) {
  double sum = 0.0;
  for (const model::EqBand& b : ch.eqArray) {
    if (b.enable == 1 && b.eqGain != 0.0f) sum += ref::Db(ref::UnitBand(b.freq, b.eqGain, b.eqFactor), f);
  }
  return sum;
}

class CliEqImport : public CliDevice {
 protected:
  void SetUp() override {
    CliDevice::SetUp();
    unit_ = std::make_unique<EmulatorProcess>(socket_, std::vector<std::string>{});
    ASSERT_TRUE(unit_->Serving());
  }
  model::ChannelSettings UnitChannel(int channel) {
    EXPECT_EQ(Cli("read unit.spf").code, 0);
    model::Profile p;
    EXPECT_EQ(model::ReadSceneProfile(Path("unit.spf"), p), model::ProfileReadResult::kOk);
    return p.channels[channel];
  }
  std::unique_ptr<EmulatorProcess> unit_;
};

TEST_F(CliEqImport, ShelvedAutoEqFilePlaysOnTheUnitAsTheFileMeans) {
  std::ofstream(dir_ / "autoeq.txt") << kAutoEq;
  const CliRun r = Cli("eq import autoeq.txt --channel 1 --to-unit --json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("reproduced by the bands' response: line 2 (LSC 105 Hz)"), std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("\"written\":true"), std::string::npos) << r.out;
  const std::size_t at = r.out.find("\"max_deviation_db\":");
  ASSERT_NE(at, std::string::npos);
  const double reported = std::stod(r.out.substr(at + 19));

  const model::ChannelSettings ch = UnitChannel(1);
  double worst = 0.0;
  for (double f : ref::JudgingGrid()) worst = std::max(worst, std::fabs(FileDb(f) - UnitDb(ch, f)));
  EXPECT_LT(worst, 0.25);
  EXPECT_NEAR(reported, worst, 0.05);

  // The export of what the unit holds plays, read by the cookbook, the unit's own curve.
  const CliRun out = Cli("eq export --from-unit --channel 1");
  ASSERT_EQ(out.code, 0) << out.err;
  std::ofstream(dir_ / "exported.txt") << out.out;
  std::ifstream lines(dir_ / "exported.txt");
  std::vector<ref::Section> exported;
  for (std::string line; std::getline(lines, line);) {
    double fc = 0, gain = 0, q = 0;
    if (std::sscanf(line.c_str(), "Filter %*d: ON PK Fc %lf Hz Gain %lf dB Q %lf", &fc, &gain, &q) == 3) {
      exported.push_back(ref::Peaking(fc, gain, q));
    }
  }
  EXPECT_EQ(exported.size(), static_cast<std::size_t>(std::count_if(
                                 ch.eqArray.begin(), ch.eqArray.end(),
                                 [](const model::EqBand& b) { return b.eqGain != 0.0f; })));
  double export_gap = 0.0;
  for (double f : ref::JudgingGrid()) {
    double sum = 0.0;
    for (const ref::Section& s : exported) sum += ref::Db(s, f);
    export_gap = std::max(export_gap, std::fabs(sum - UnitDb(ch, f)));
  }
  EXPECT_LT(export_gap, 0.05);

  // The same file again sends no band: the unit already plays it.
  LogFrames();
  ASSERT_EQ(Cli("eq import autoeq.txt --channel 1 --to-unit").code, 0);
  EXPECT_EQ(Logged("EQ_Ctrl"), 0u);
  EXPECT_GT(Logged("PC_Connect"), 0u);
}

TEST_F(CliEqImport, BeyondTheLimitNothingIsSentAndTheWorstFrequencyIsNamed) {
  std::ofstream(dir_ / "deep.txt") << "Filter 1: ON PK Fc 1000 Hz Gain -3 dB Q 1\nFilter 2: ON NO Fc 3000 Hz\n";
  LogFrames();
  const CliRun r = Cli("eq import deep.txt --channel 0 --to-unit --json");
  EXPECT_EQ(r.code, 2);
  const std::size_t at = r.err.find("(worst at ");
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_NEAR(std::stod(r.err.substr(at + 10)), 3000, 60) << r.err;
  EXPECT_NE(r.out.find("\"written\":false"), std::string::npos) << r.out;
  EXPECT_EQ(Logged("EQ_Ctrl"), 0u);
  // A looser limit takes it.
  EXPECT_EQ(Cli("eq import deep.txt --channel 0 --to-unit --max-deviation 60").code, 0);
}

// Text from which no filter can be read changes no output, whatever its header says.
TEST_F(CliEqImport, FilterTextWithoutFiltersIsRefusedAndRewTablesAreRead) {
  ASSERT_EQ(Cli("set channels/0/eqArray/2/eqGain=-4").code, 0);
  std::ofstream(dir_ / "notes.txt") << "Notes:left\nConfigurable_PEQ\n1 True Auto PK 66 -12 7.4\n";
  std::ofstream(dir_ / "includes.txt") << "Include: left.txt\n";
  std::ofstream(dir_ / "locale.txt") << "Filter 1: ON PK Fc 8.000 Hz Gain -3 dB Q 1\n";
  for (const auto& [file, says] : {std::pair{"notes.txt", "no Equalizer APO or REW"},
                                   {"includes.txt", "included files (left.txt)"},
                                   {"locale.txt", "thousands dot"}}) {
    SCOPED_TRACE(file);
    const CliRun r = Cli(std::string("eq import ") + file + " --channel 0 --to-unit");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
  }
  EXPECT_EQ(UnitChannel(0).eqArray[2].eqGain, -4.0f);

  std::ofstream(dir_ / "table.txt")
      << "Notes:left\nConfigurable_PEQ\nNumber Enabled Control Type Frequency(Hz) Gain(dB) Q\n"
         "1 True Auto PK 66.00 -6.00 2.00\n2 True Auto None\n";
  const CliRun r = Cli("eq import table.txt --channel 0 --to-unit");
  ASSERT_EQ(r.code, 0) << r.err;
  const model::ChannelSettings ch = UnitChannel(0);
  EXPECT_EQ(ch.eqArray[2].freq, 66);  // the slot that played takes the new band
  EXPECT_FLOAT_EQ(ch.eqArray[2].eqGain, -6.0f);
}

// A measurement at the seat fitted straight to the unit, cuts only: the peak is cut on the unit,
// no band lifts, the seat then measures flat around the cancellation, and fitting the same
// measurement again sends no band.
TEST_F(CliEqImport, AFitSentToTheUnitPlaysThereAndASecondFitSendsNothing) {
  const auto measured = [](double f) {
    const double peak = 1.5 * (f / 1000.0 - 1000.0 / f), null = 12.0 * (f / 3000.0 - 3000.0 / f);
    return 80.0 + 6.0 / (1.0 + peak * peak) - 20.0 / (1.0 + null * null);
  };
  {
    std::ofstream seat(dir_ / "seat.txt");
    seat << "* Measurement data\n* Freq(Hz) SPL(dB)\n";
    for (double f = 20.0; f <= 20000.0; f *= std::exp2(1.0 / 48.0)) seat << f << " " << measured(f) << "\n";
  }
  LogFrames();
  const CliRun r = Cli("eq fit seat.txt --channel 0 --to-unit --max-boost 0 --json");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"written\":true"), std::string::npos) << r.out;
  EXPECT_GT(Logged("EQ_Ctrl"), 0u);

  const model::ChannelSettings ch = UnitChannel(0);
  for (const model::EqBand& b : ch.eqArray) EXPECT_LE(b.enable == 1 ? b.eqGain : 0.0f, 0.0f) << b.freq;
  std::vector<double> played;
  for (double f : ref::JudgingGrid()) {
    if (f >= 100.0 && f <= 10000.0 && std::fabs(std::log2(f / 3000.0)) > 0.25) played.push_back(measured(f) + UnitDb(ch, f));
  }
  const auto [lowest, highest] = std::minmax_element(played.begin(), played.end());
  EXPECT_LT(*highest - *lowest, 2.0) << "the seat does not measure flat with the unit's bands";

  LogFrames();
  const CliRun again = Cli("eq fit seat.txt --channel 0 --to-unit --max-boost 0 --json");
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.out.find("\"written\":false"), std::string::npos) << again.out;
  EXPECT_EQ(Logged("EQ_Ctrl"), 0u);
}

}  // namespace
}  // namespace tolva::e2e
