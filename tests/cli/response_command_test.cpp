#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/profile/channel_curves.h"
#include "model/files/profile_files.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int exit_code = -1;
  std::string out, err;
};

CliRun Cli(const std::string& args) {
  // TOLVA_BIN_DIR when the runner sets it, else the binary this build made.
  const char* dir = std::getenv("TOLVA_BIN_DIR");
  const std::string cli = dir ? std::string(dir) + "/tolva-dsp-cli" : std::string(TOLVA_CLI_PATH);
  const std::string err_path =
      (fs::temp_directory_path() / ("tolva_cli_err_" + std::to_string(::getpid()))).string();
  const std::string command = cli + " " + args + " 2>" + err_path;
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = tolva::model::ReadFileText(err_path).value_or("");
  fs::remove(err_path);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kFixture = std::string(TOLVA_MODEL_FIXTURES) + "/known_scene.spf";

TEST(CliResponse, PrintsTheChannelCurvesAsCsv) {
  const CliRun run = Cli("response " + kFixture + " --channel 4");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 513u);
  EXPECT_EQ(lines[0], "frequency_hz,hp_db,lp_db,total_db");
  tolva::model::Profile profile;
  ASSERT_EQ(tolva::model::ReadSceneProfile(kFixture, profile),
            tolva::model::ProfileReadResult::kOk);
  tolva::dsp::ChannelCurves curves;
  tolva::model::ComputeChannelCurves(profile, 4, curves);
  const auto& grid = tolva::dsp::StandardEvaluator().grid();
  for (std::size_t i = 0; i < 512; ++i) {
    double f, hp, lp, total;
    ASSERT_EQ(std::sscanf(lines[i + 1].c_str(), "%lf,%lf,%lf,%lf", &f, &hp, &lp, &total), 4);
    // 17 significant digits: every number reads back to the same double.
    ASSERT_EQ(f, grid[i]);
    ASSERT_EQ(hp, curves.hp[i]);
    ASSERT_EQ(lp, curves.lp[i]);
    ASSERT_EQ(total, curves.total[i]);
  }
}

TEST(CliResponse, DefaultsToTheFilesCurrentChannel) {
  // The fixture's currChannel is 0, whose crossovers are off and whose bands are flat but one
  // disabled band: a flat curve, unlike output 4.
  const CliRun run = Cli("response " + kFixture);
  ASSERT_EQ(run.exit_code, 0);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 513u);
  EXPECT_EQ(lines[100].substr(lines[100].find(',')), ",0,0,0");
}

TEST(CliResponse, RejectedFilesAndBadArgumentsFail) {
  const CliRun missing = Cli("response /nonexistent/x.spf");
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_EQ(missing.err, "/nonexistent/x.spf: The profile file could not be opened.\n");
  EXPECT_TRUE(missing.out.empty());

  const std::string bad =
      (fs::temp_directory_path() / ("tolva_cli_bad_" + std::to_string(::getpid()) + ".spf"))
          .string();
  std::string text = tolva::model::ReadFileText(kFixture).value();
  std::ofstream(bad) << text.replace(text.find("\"model\":19"), 10, "\"model\":18");
  const CliRun other_model = Cli("response " + bad);
  EXPECT_EQ(other_model.exit_code, 2);
  EXPECT_NE(other_model.err.find("another model"), std::string::npos) << other_model.err;
  std::ofstream(bad) << "{\"model\":19}";
  const CliRun broken = Cli("response " + bad);
  EXPECT_EQ(broken.exit_code, 2);
  EXPECT_NE(broken.err.find("damaged"), std::string::npos) << broken.err;
  fs::remove(bad);

  EXPECT_EQ(Cli("response " + kFixture + " --channel 6").exit_code, 1);
  EXPECT_EQ(Cli("response " + kFixture + " --channel").exit_code, 1);
  EXPECT_EQ(Cli("response").exit_code, 1);
  const CliRun typo = Cli("nonsense");
  EXPECT_EQ(typo.exit_code, 1);
  EXPECT_EQ(typo.err.rfind("tolva-dsp-cli: unknown command \"nonsense\"\n", 0), 0u) << typo.err;
  EXPECT_EQ(Cli("").exit_code, 1);
}

}  // namespace
