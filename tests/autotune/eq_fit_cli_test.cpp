// tolva-dsp-cli eq fit on synthetic car responses: the bands it writes, judged here against the
// measurement and the target independently of the fit's own figures.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "autotune/car_corpus.h"
#include "model/autotune/passband.h"
#include "model/autotune/target_curve.h"
#include "model/fitting/band_fitter.h"
#include "model/files/profile_files.h"

namespace tolva::autotune {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int exit_code = -1;
  std::string out, err;
};

class EqFitCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tolva_eq_fit_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  CliRun Cli(const std::string& args) const {
    const char* bin = std::getenv("TOLVA_BIN_DIR");
    const std::string cli = bin ? std::string(bin) + "/tolva-dsp-cli" : std::string(TOLVA_CLI_PATH);
    CliRun run;
    FILE* pipe = ::popen((cli + " " + args + " 2>" + Path("err.txt")).c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = model::ReadFileText(Path("err.txt")).value_or("");
    return run;
  }

  // The case's positions as files, and a profile whose output 2 has the case's crossover.
  std::string Prepare(const corpus::CarCase& c, const std::string& spf) {
    std::string args;
    for (std::size_t p = 0; p < c.positions.size(); ++p) {
      const std::string name = Path("pos" + std::to_string(p) + ".txt");
      EXPECT_TRUE(model::WriteFileAtomically(name, corpus::MeasurementText(c.positions[p])));
      args += name + " ";
    }
    model::Profile profile;
    profile.channels[2].crossover = c.crossover;
    EXPECT_TRUE(model::WriteSceneProfile(profile, Path(spf)));
    return args;
  }

  model::ChannelSettings Output(const std::string& spf) {
    model::Profile profile;
    EXPECT_EQ(model::ReadSceneProfile(Path(spf), profile), model::ProfileReadResult::kOk);
    return profile.channels[2];
  }

  fs::path dir_;
};

double JsonNumber(const std::string& json, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + key + "\":(-?[0-9.]+)"))) return NAN;
  return std::stod(m[1]);
}

// Power mean of the positions plus the bands, against the target with the crossover, at the
// level that suits it: the RMS over the passband away from the case's nulls.
double IndependentRms(const corpus::CarCase& c, const model::ChannelSettings& out,
                      const TargetCurve& target, double lo = 20.0, double hi = 20000.0) {
  Passband pass = PassbandOf(c.crossover);
  pass.low_hz = std::max(pass.low_hz, lo);
  pass.high_hz = std::min(pass.high_hz, hi);
  std::vector<double> freq, d;
  for (std::size_t i = 0; i < c.positions[0].freq.size(); ++i) {
    const double f = c.positions[0].freq[i];
    if (f < std::max(20.0, pass.low_hz) || f > std::min(20000.0, pass.high_hz)) continue;
    bool near_null = false;
    for (const corpus::Null& n : c.nulls) near_null |= std::fabs(std::log2(f / n.hz)) < 0.4;
    if (near_null) continue;
    double power = 0.0;
    for (const auto& p : c.positions) power += std::pow(10.0, p.db[i] / 10.0);
    freq.push_back(f);
    d.push_back(10.0 * std::log10(power / c.positions.size()) - target.At(f) -
                CrossoverDb(c.crossover, f));
  }
  const std::vector<double> eq = model::BandsResponse(out.eqArray, freq);
  double mean = 0.0;
  for (std::size_t k = 0; k < d.size(); ++k) mean += (d[k] += eq[k]);
  mean /= d.size();
  double squares = 0.0;
  for (double x : d) squares += (x - mean) * (x - mean);
  return std::sqrt(squares / d.size());
}

// An installer's run: fit, the residual printed and real, no boost at the nulls, and a second
// fit of the fitted output leaving the file as it is.
TEST_F(EqFitCli, FitsACarOutputOnceAndLeavesAFittedOneAlone) {
  for (const int k : {0, 1, 2, 4}) {
    SCOPED_TRACE(k);
    const corpus::CarCase c = corpus::MakeCase(k);
    const std::string files = Prepare(c, "car.spf");
    const CliRun first = Cli("eq fit " + files + "--channel 2 --into " + Path("car.spf") + " --json");
    ASSERT_EQ(first.exit_code, 0) << first.err;
    EXPECT_NE(first.out.find("\"written\":true"), std::string::npos) << first.out;
    const model::ChannelSettings out = Output("car.spf");
    EXPECT_EQ(out.bypass, 0);
    const double printed = JsonNumber(first.out, "rms_db");
    EXPECT_LT(printed, 1.6) << first.out;
    EXPECT_LT(JsonNumber(first.out, "rms_db"), JsonNumber(first.out.substr(first.out.find("\"before\"")), "rms_db"));
    EXPECT_LT(IndependentRms(c, out, FlatTarget(), JsonNumber(first.out, "low_hz"),
                             JsonNumber(first.out, "high_hz")),
              1.8);

    const Passband pass = PassbandOf(c.crossover);
    for (const corpus::Null& n : c.nulls) {
      if (n.hz < pass.low_hz || n.hz > pass.high_hz) continue;
      const double at = n.hz;
      EXPECT_LE(model::BandsResponse(out.eqArray, std::span(&at, 1))[0], 0.05) << "boost at the null " << n.hz;
    }
    for (const model::EqBand& b : out.eqArray) {
      if (b.enable == 1 && b.eqGain != 0.0f) {
        EXPECT_GE(b.freq, int(pass.low_hz) - 1) << "a band below the passband";
      }
    }

    const std::string before = *model::ReadFileText(Path("car.spf"));
    const CliRun second = Cli("eq fit " + files + "--channel 2 --into " + Path("car.spf") + " --json");
    ASSERT_EQ(second.exit_code, 0) << second.err;
    EXPECT_NE(second.out.find("\"written\":false"), std::string::npos) << second.out;
    EXPECT_EQ(*model::ReadFileText(Path("car.spf")), before);
  }
}

// Cuts only, against a house curve from a file: no band boosts, and the output follows that
// curve (not a flat one) within the range asked for.
TEST_F(EqFitCli, CutsOnlyOntoAHouseCurveWithinTheRange) {
  const corpus::CarCase c = corpus::MakeCase(0, 1);
  const std::string files = Prepare(c, "car.spf");
  ASSERT_TRUE(model::WriteFileAtomically(Path("house.txt"),
                                         "* house curve\n20 8\n100 6\n300 0\n1000 0\n20000 -6\n"));
  const CliRun run = Cli("eq fit " + files + "--channel 2 --into " + Path("car.spf") +
                         " --target " + Path("house.txt") + " --max-boost 0 --range 100-10k");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("residual: RMS"), std::string::npos) << run.out;
  const model::ChannelSettings out = Output("car.spf");
  int bands = 0;
  for (const model::EqBand& b : out.eqArray) {
    if (b.enable == 1 && b.eqGain != 0.0f) {
      ++bands;
      EXPECT_LT(b.eqGain, 0.0f) << b.freq;
    }
  }
  EXPECT_GT(bands, 3);
  const TargetText house =
      ParseHouseCurve(*model::ReadFileText(Path("house.txt")), "house");
  EXPECT_LT(IndependentRms(c, out, house.target, 100, 10000), 1.6);
  EXPECT_GT(IndependentRms(c, out, FlatTarget(), 100, 10000), 1.5) << "the house curve was not followed";

  EXPECT_EQ(Cli("eq fit " + files + "--channel 2 --into " + Path("car.spf") + " --range 900-100").exit_code, 1);
  const CliRun missing = Cli("eq fit " + files + "--channel 2 --into " + Path("car.spf") + " --target " + Path("none.txt"));
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("cannot read the target"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace tolva::autotune
