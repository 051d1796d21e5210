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
#include <numbers>
#include <random>
#include <string>

#include "audio/wav_file.h"
#include "measure/calibration.h"
#include "measure/cli_run.h"
#include "measure/synthetic_path.h"
#include "model/cookbook_reference.h"
#include "model/interchange/measurement.h"
#include "model/files/profile_files.h"

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

// Systems synthesised as another program would, independently of the library: the cookbook's
// biquads run sample by sample, a windowed-sinc fractional delay, Gaussian noise and a
// microphone whose calibration file says what it adds; the response must be within 0.2 dB of
// the truth from 40 Hz to 16 kHz once the overall level is taken out, the arrival within 0.02 ms.
struct System {
  const char* name;
  std::vector<reference::Section> sections;
  double gain_db, delay_ms, snr_db;
  std::vector<reference::Section> mic;
  double extra_seconds;  // recorded beyond the played file

  double Db(double f) const {
    double db = gain_db;
    for (const auto& s : sections) db += reference::Db(s, f);
    return db;
  }
};

std::vector<double> FilterInTime(const std::vector<double>& x,
                                 const std::vector<reference::Section>& sections) {
  std::vector<double> y = x;
  for (const reference::Section& s : sections) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : y) {
      const double out = (s.b0 * v + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2) / s.a0;
      x2 = x1, x1 = v, y2 = y1, y1 = out;
      v = out;
    }
  }
  return y;
}

// x delayed by `delay` samples (any fraction) through a Blackman-windowed sinc of 161 taps.
std::vector<double> DelayInTime(const std::vector<double>& x, double delay) {
  constexpr int kHalf = 80;
  const long whole = static_cast<long>(std::floor(delay));
  const double frac = delay - static_cast<double>(whole);
  std::vector<double> taps;
  for (int j = -kHalf; j <= kHalf; ++j) {
    const double t = j - frac;
    const double sinc = t == 0.0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
    const double u = (t + kHalf + 1.0) / (2.0 * kHalf + 2.0);
    taps.push_back(sinc * (0.42 - 0.5 * std::cos(2 * std::numbers::pi * u) +
                           0.08 * std::cos(4 * std::numbers::pi * u)));
  }
  std::vector<double> y(x.size(), 0.0);
  for (long n = 0; n < static_cast<long>(y.size()); ++n) {
    double sum = 0.0;
    for (int j = -kHalf; j <= kHalf; ++j) {
      const long m = n - whole - j;
      if (m >= 0 && m < static_cast<long>(x.size()))
        sum += x[static_cast<std::size_t>(m)] * taps[static_cast<std::size_t>(j + kHalf)];
    }
    y[static_cast<std::size_t>(n)] = sum;
  }
  return y;
}

TEST_F(MeasureCli, RecoversSystemsSynthesisedInTheTimeDomainWithACalibration) {
  using reference::HighPass, reference::Peaking, reference::Shelf;
  const System systems[] = {
      {"peaks",
       {Peaking(45, 6, 1.5), Peaking(900, -8, 6), Peaking(12000, 5, 2)},
       -14.0,
       7.1234,
       35.0,
       {Peaking(6000, 3, 1)},
       0.1},
      {"crossed",
       {HighPass(45, 0.707), Shelf(true, 200, 4, 0.7), Peaking(3000, -10, 4),
        Shelf(false, 8000, -6, 0.7)},
       -3.0,
       3.3371,
       30.0,
       {Shelf(false, 10000, 2, 0.7)},
       2.0},
  };
  ASSERT_EQ(Cli("measure sweep " + Path("sweep.wav")).exit_code, 0);
  const audio::AudioFileRead sweep = audio::ReadAudioFile(Path("sweep.wav"));
  ASSERT_TRUE(sweep.file) << sweep.error;
  for (const System& system : systems) {
    SCOPED_TRACE(system.name);
    const std::vector<float>& played = sweep.file->channels.front();
    std::vector<double> x(played.begin(), played.end());
    x.resize(x.size() + static_cast<std::size_t>(system.extra_seconds * 48000.0), 0.0);
    std::vector<double> y = DelayInTime(FilterInTime(FilterInTime(x, system.sections), system.mic),
                                        system.delay_ms * 48.0);
    double power = 0.0;
    for (double& v : y) {
      v *= std::pow(10.0, system.gain_db / 20.0);
      power += v * v;
    }
    // Noise snr_db below the whole recording's power, silences included.
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, std::sqrt(power / static_cast<double>(y.size())) *
                                                    std::pow(10.0, -system.snr_db / 20.0));
    std::vector<float> recorded;
    for (double v : y) recorded.push_back(static_cast<float>(v + noise(random)));
    ASSERT_EQ(audio::WriteAudioFile(Path("recording.wav"), {48000.0, {recorded}, {}}), "");
    {
      std::ofstream cal(Path("mic.txt"));
      cal << "\"Sens Factor =-1.378dB, SERNO: 7001234\"\n";
      for (double f = 20.0; f < 20000.0; f *= 1.05) {
        double db = 0.0;
        for (const auto& s : system.mic) db += reference::Db(s, f);
        cal << f << " " << db << "\n";
      }
    }
    const CliRun run = Cli("--json measure analyze " + Path("recording.wav") + " --sweep " +
                           Path("sweep.wav") + " --cal " + Path("mic.txt") + " --out " +
                           Path("response.txt") + " --impulse " + Path("ir.wav"));
    ASSERT_EQ(run.exit_code, 0) << run.err;
    double arrival = 0.0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "{\"arrival_ms\":%lf", &arrival), 1) << run.out;
    EXPECT_NEAR(arrival, system.delay_ms, 0.02);

    const model::MeasurementText text =
        model::ParseMeasurementText(*model::ReadFileText(Path("response.txt")));
    ASSERT_TRUE(text.error.empty());
    const auto in_band = [&](std::size_t i) {
      return text.measurement.freq[i] >= 40.0 && text.measurement.freq[i] <= 16000.0;
    };
    double offset = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < text.measurement.freq.size(); ++i) {
      if (!in_band(i)) continue;
      offset += text.measurement.level[i] - system.Db(text.measurement.freq[i]);
      ++count;
    }
    ASSERT_GT(count, 500);
    offset /= count;
    double worst = 0.0, at = 0.0;
    for (std::size_t i = 0; i < text.measurement.freq.size(); ++i) {
      if (!in_band(i)) continue;
      const double e =
          std::fabs(text.measurement.level[i] - offset - system.Db(text.measurement.freq[i]));
      if (e > worst) worst = e, at = text.measurement.freq[i];
    }
    EXPECT_LT(worst, 0.2) << "at " << at << " Hz";
    // The level is absolute too: the calibration's sensitivity aside, nothing is lost.
    EXPECT_NEAR(offset, 0.0, 0.05);
    EXPECT_TRUE(audio::ReadAudioFile(Path("ir.wav")).file);
    std::printf("%s: arrival %.4f ms (true %.4f), worst %.3f dB at %.0f Hz, level offset %.3f dB\n",
                system.name, arrival, system.delay_ms, worst, at, offset);
  }
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
  { std::ofstream(Path("not_audio.wav")) << "RIFF, but not really\n"; }
  std::vector<float> noise(fine.file->channels[0].size());
  std::mt19937 random(5);
  std::normal_distribution<float> gauss(0.0f, 0.01f);
  for (float& v : noise) v = gauss(random);
  ASSERT_EQ(audio::WriteAudioFile(Path("noise.wav"), {48000.0, {noise}, {}}), "");

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
      {Path("missing.wav") + " --sweep " + Path("sweep.wav"), "missing.wav: no such file"},
      {Path("not_audio.wav") + " --sweep " + Path("sweep.wav"), "not an audio file"},
      {Path("noise.wav") + " --sweep " + Path("sweep.wav"), "no sweep found"},
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
