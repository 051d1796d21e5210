// tolva-dsp-cli measure on files: the sweep it writes, recordings made up against it, and the
// response text the overlay reads.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "audio/wav_file.h"
#include "measure/cli_run.h"
#include "measure/calibration.h"
#include "measure/synthetic_path.h"
#include "model/measurement.h"
#include "model/profile_files.h"

namespace tolva::measure {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;

class MeasureCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tolva_measure_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  CliRun Cli(const std::string& args) const { return testing::RunCli(args, Path("stderr.txt")); }

  // The sweep file through `path`, recorded from the moment it started, plus noise.
  void WriteRecording(const std::string& name, const testing::KnownPath& path, double snr_db,
                      double gain = 1.0) {
    const audio::AudioFileRead sweep = audio::ReadAudioFile(Path("sweep.wav"));
    ASSERT_TRUE(sweep.file) << sweep.error;
    const std::vector<float>& played = sweep.file->channels.front();
    std::vector<float> recorded = testing::Record(played, path, 48000.0, 0, played.size() + 4800);
    testing::AddNoise(recorded, testing::Rms(recorded, 24000, 240000), snr_db, 11);
    for (float& v : recorded) v *= static_cast<float>(gain);
    ASSERT_EQ(audio::WriteAudioFile(Path(name), {48000.0, {recorded}, {}}), "");
  }

  fs::path dir_;
};

TEST_F(MeasureCli, RecoversAPathThroughTheFilesWithACalibration) {
  ASSERT_EQ(Cli("measure sweep " + Path("sweep.wav")).exit_code, 0);
  testing::KnownPath path;
  path.sections.push_back(dsp::DesignPeakingBand(48000.0, 45.0, 6.0, 1.5));
  path.sections.push_back(dsp::DesignPeakingBand(48000.0, 900.0, -8.0, 6.0));
  path.sections.push_back(dsp::DesignPeakingBand(48000.0, 12000.0, 5.0, 2.0));
  // The microphone's own response is part of what it records; its calibration file says so.
  path.sections.push_back(dsp::DesignPeakingBand(48000.0, 6000.0, 3.0, 1.0));
  path.gain_db = -14.0;
  path.delay_s = 0.0071234;
  WriteRecording("recording.wav", path, 35.0);
  {
    std::ofstream cal(Path("mic.txt"));
    cal << "\"Sens Factor =-1.378dB, SERNO: 7001234\"\n";
    const testing::KnownPath mic{{dsp::DesignPeakingBand(48000.0, 6000.0, 3.0, 1.0)}};
    for (double f = 20.0; f < 20000.0; f *= 1.05) cal << f << " " << mic.Db(f, 48000.0) << "\n";
  }
  const CliRun run = Cli("--json measure analyze " + Path("recording.wav") + " --sweep " +
                         Path("sweep.wav") + " --cal " + Path("mic.txt") + " --out " +
                         Path("response.txt") + " --impulse " + Path("ir.wav"));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  double arrival = 0.0;
  ASSERT_EQ(std::sscanf(run.out.c_str(), "{\"arrival_ms\":%lf", &arrival), 1) << run.out;
  EXPECT_NEAR(arrival, 7.1234, 0.02);

  const model::MeasurementText text =
      model::ParseMeasurementText(*model::ReadFileText(Path("response.txt")));
  ASSERT_TRUE(text.error.empty());
  testing::KnownPath without_mic = path;
  without_mic.sections.pop_back();
  // Within 0.2 dB after the overall level is taken out.
  double offset = 0.0;
  int count = 0;
  for (std::size_t i = 0; i < text.measurement.freq.size(); ++i) {
    const double f = text.measurement.freq[i];
    if (f < 40.0 || f > 16000.0) continue;
    offset += text.measurement.level[i] - without_mic.Db(f, 48000.0);
    ++count;
  }
  offset /= count;
  EXPECT_NEAR(offset, 0.0, 0.05);
  for (std::size_t i = 0; i < text.measurement.freq.size(); ++i) {
    const double f = text.measurement.freq[i];
    if (f < 40.0 || f > 16000.0) continue;
    EXPECT_NEAR(text.measurement.level[i] - offset, without_mic.Db(f, 48000.0), 0.2) << f << " Hz";
  }
  EXPECT_TRUE(audio::ReadAudioFile(Path("ir.wav")).file);
}

// Every refusal exits 2, says why, and writes nothing.
TEST_F(MeasureCli, RefusesBadInputAndWritesNothing) {
  ASSERT_EQ(Cli("measure sweep " + Path("sweep.wav")).exit_code, 0);
  ASSERT_EQ(Cli("measure sweep " + Path("sweep44.wav") + " --rate 44100").exit_code, 0);
  WriteRecording("fine.wav", {}, 40.0);
  WriteRecording("clipped.wav", {}, 40.0, 8.0);
  WriteRecording("silent.wav", {}, 40.0, 0.0);
  const audio::AudioFileRead fine = audio::ReadAudioFile(Path("fine.wav"));
  ASSERT_TRUE(fine.file);
  std::vector<float> cut(fine.file->channels[0].begin(), fine.file->channels[0].begin() + 48000);
  ASSERT_EQ(audio::WriteAudioFile(Path("short.wav"), {48000.0, {cut}, {}}), "");
  { std::ofstream(Path("bad_cal.txt")) << "20,5 -1,2\n"; }

  const std::string out = Path("response.txt");
  struct Refusal {
    std::string args, says;
  };
  const Refusal refusals[] = {
      {Path("fine.wav") + " --sweep " + Path("sweep44.wav"), "rate"},
      {Path("clipped.wav") + " --sweep " + Path("sweep.wav"), "clipped"},
      {Path("silent.wav") + " --sweep " + Path("sweep.wav"), "silent"},
      {Path("short.wav") + " --sweep " + Path("sweep.wav"), "shorter"},
      {Path("fine.wav") + " --sweep " + Path("sweep.wav") + " --cal " + Path("bad_cal.txt"),
       "calibration"},
      {Path("fine.wav") + " --sweep " + Path("sweep.wav") + " --cal " + Path("missing.txt"),
       "calibration"},
      {Path("missing.wav") + " --sweep " + Path("sweep.wav"), "missing.wav"},
      {Path("fine.wav") + " --sweep " + Path("sweep.wav") + " --smoothing 1/96", "smoothing"},
  };
  for (const Refusal& r : refusals) {
    const CliRun run =
        Cli("measure analyze " + r.args + " --out " + out + " --impulse " + Path("ir.wav"));
    EXPECT_EQ(run.exit_code, 2) << r.args;
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out)) << r.args;
    EXPECT_FALSE(fs::exists(Path("ir.wav"))) << r.args;
  }
  EXPECT_EQ(
      Cli("measure analyze " + Path("fine.wav") + " --sweep " + Path("sweep.wav") + " --out " + out)
          .exit_code,
      0);
}

}  // namespace
}  // namespace tolva::measure
