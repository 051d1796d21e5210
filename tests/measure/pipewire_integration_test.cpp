// tolva-dsp-cli measure devices and measure run through a real PipeWire daemon started for the
// test: no sound card, a null sink whose monitor feeds a filter-chain that convolves like a car
// (an output and a fixed reference speaker, each with its own delay), recorded from the
// filter-chain's source.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>

#include "audio/pipewire_audio.h"
#include "audio/wav_file.h"
#include "measure/cli_run.h"
#include "measure/synthetic_path.h"
#include "model/interchange/measurement.h"

namespace tolva::measure {
namespace {

namespace fs = std::filesystem;

constexpr double kRate = 48000.0;
constexpr double kCarDelayMs = 2.5;
constexpr double kReferenceDelayMs = 0.5;

testing::KnownPath CarPath() {
  testing::KnownPath p;
  p.sections.push_back(dsp::DesignPeakingBand(kRate, 300.0, -6.0, 3.0));
  p.sections.push_back(dsp::DesignPeakingBand(kRate, 4000.0, 4.0, 2.0));
  p.gain_db = -6.0;
  p.delay_s = kCarDelayMs / 1000.0;
  return p;
}

// The path's impulse, 100 ms of it, as the convolver reads it.
void WriteImpulse(const std::string& path, const testing::KnownPath& known) {
  std::vector<float> impulse(4800, 0.0f);
  impulse[0] = 1.0f;
  const std::vector<float> out = testing::Record(impulse, known, kRate, 0, impulse.size());
  ASSERT_EQ(audio::WriteAudioFile(path, {kRate, {out}, {}}), "");
}

std::string FindPipeWire() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
    const fs::path p = fs::path(dir) / "pipewire";
    if (fs::exists(p)) return p.string();
  }
  return {};
}

class PipeWireCar : public ::testing::Test {
 protected:
  void SetUp() override {
    daemon_ = FindPipeWire();
    if (daemon_.empty())
      GTEST_SKIP() << "no pipewire daemon installed (scripts/packages.txt lists it)";
    dir_ = fs::temp_directory_path() / ("tolva_pipewire_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    WriteImpulse((dir_ / "car.wav").string(), CarPath());
    testing::KnownPath reference;
    reference.delay_s = kReferenceDelayMs / 1000.0;
    WriteImpulse((dir_ / "reference.wav").string(), reference);
    WriteConfig();
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    ::setenv("PIPEWIRE_RUNTIME_DIR", dir_.c_str(), 1);
    ::setenv("PIPEWIRE_REMOTE", "tolva-test", 1);
    const std::string log = (dir_ / "daemon.log").string();
    pid_ = ::fork();
    if (pid_ == 0) {
      // The daemon dies with the test, however the test ends.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (FILE* f = std::freopen(log.c_str(), "w", stderr)) (void)f;
      ::execl(daemon_.c_str(), "pipewire", "-c", (dir_ / "pipewire.conf").c_str(), nullptr);
      ::_exit(127);
    }
    ASSERT_GT(pid_, 0);
    // Bounded waits, long enough for a loaded machine: the daemon's socket, then (the socket
    // comes first) the filter-chain's nodes.
    for (int i = 0; i < 400 && !fs::exists(dir_ / "tolva-test"); ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        GTEST_SKIP() << "the pipewire daemon could not start here: "
                     << model::ReadFileText(log).value_or("(no output)");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The socket may show before the daemon listens on it.
    std::string error;
    for (int i = 0; i < 100 && !(audio_ = audio::OpenPipeWire(error)); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(audio_) << error;
    for (int i = 0; i < 400 && !HasDevices({"tolva-null", "tolva-car-in", "tolva-car-out"}); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  bool HasDevices(std::initializer_list<std::string_view> names) const {
    const std::vector<audio::AudioDevice> devices = audio_->Devices();
    return std::all_of(names.begin(), names.end(), [&](std::string_view name) {
      return std::any_of(devices.begin(), devices.end(),
                         [&](const audio::AudioDevice& d) { return d.id == name; });
    });
  }

  void TearDown() override {
    audio_.reset();
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      for (int i = 0; i < 40 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (::waitpid(pid_, &status, WNOHANG) == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
      }
    }
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // A daemon of its own: the null sink drives the graph on its timer; the filter-chain takes
  // the sink's monitor (left: the output measured, right: the reference speaker) and mixes the
  // two convolved channels into one microphone.
  void WriteConfig() {
    std::ofstream conf(dir_ / "pipewire.conf");
    conf
        << "context.properties = { core.daemon = true core.name = tolva-test support.dbus = false\n"
           "  default.clock.rate = 48000 default.clock.quantum = 1024 default.clock.max-quantum = "
           "4096\n  mem.allow-mlock = false }\n"
           "context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert\n"
           "  support.* = support/libspa-support }\n"
           "context.modules = [\n"
           "  { name = libpipewire-module-protocol-native }\n"
           "  { name = libpipewire-module-metadata }\n"
           "  { name = libpipewire-module-spa-node-factory }\n"
           "  { name = libpipewire-module-client-node }\n"
           "  { name = libpipewire-module-access }\n"
           "  { name = libpipewire-module-adapter }\n"
           "  { name = libpipewire-module-link-factory }\n"
           "  { name = libpipewire-module-filter-chain args = {\n"
           "      node.description = \"car\" media.name = \"car\"\n"
           "      filter.graph = {\n"
           "        nodes = [\n"
           "          { type = builtin name = car label = convolver config = { filename = \""
        << (dir_ / "car.wav").string()
        << "\" } }\n"
           "          { type = builtin name = reference label = convolver config = { filename = \""
        << (dir_ / "reference.wav").string()
        << "\" } }\n"
           "          { type = builtin name = mix label = mixer }\n"
           "        ]\n"
           "        links = [ { output = \"car:Out\" input = \"mix:In 1\" } { output = "
           "\"reference:Out\" input = \"mix:In 2\" } ]\n"
           "        inputs = [ \"car:In\" \"reference:In\" ]\n"
           "        outputs = [ \"mix:Out\" ]\n"
           "      }\n"
           "      capture.props = { node.name = \"tolva-car-in\" media.class = Audio/Sink "
           "audio.channels = 2\n"
           "        audio.position = [ FL FR ] node.autoconnect = false }\n"
           "      playback.props = { node.name = \"tolva-car-out\" media.class = Audio/Source "
           "audio.channels = 1\n"
           "        audio.position = [ MONO ] node.autoconnect = false }\n"
           "  } }\n"
           "]\n"
           "context.objects = [\n"
           "  { factory = spa-node-factory args = { factory.name = support.node.driver node.name = "
           "Dummy-Driver\n"
           "      node.group = pipewire.dummy priority.driver = 20000 } }\n"
           "  { factory = adapter args = { factory.name = support.null-audio-sink node.name = "
           "\"tolva-null\"\n"
           "      node.description = \"null sink\" media.class = Audio/Sink object.linger = true\n"
           "      audio.position = [ FL FR ] priority.driver = 30000\n"
           "      adapter.auto-port-config = { mode = dsp monitor = true position = preserve } } "
           "}\n"
           "]\n";
  }

  testing::CliRun Cli(const std::string& args) const {
    return testing::RunCli(args, (dir_ / "stderr.txt").string());
  }

  std::string daemon_;
  fs::path dir_;
  pid_t pid_ = -1;
  std::unique_ptr<audio::PipeWireAudio> audio_;
};

TEST_F(PipeWireCar, MeasuresThroughTheDaemonFromTheCommandLine) {
  // No session manager runs: the test lays out the filter-chain's two streams and links the
  // sink's monitor into the car, as the installer's desktop would.
  ASSERT_EQ(audio_->SetUpStreamPorts("tolva-car-in", 2, kRate), "");
  ASSERT_EQ(audio_->SetUpStreamPorts("tolva-car-out", 1, kRate), "");
  ASSERT_EQ(audio_->LinkDevices("tolva-null.monitor", "tolva-car-in"), "");

  const testing::CliRun devices = Cli("--json measure devices");
  ASSERT_EQ(devices.exit_code, 0) << devices.err;
  for (const char* id : {"\"tolva-null\"", "\"tolva-null.monitor\"", "\"tolva-car-out\""})
    EXPECT_NE(devices.out.find(std::string("\"id\":") + id), std::string::npos) << devices.out;

  const std::string out = (dir_ / "response.txt").string();
  const testing::CliRun run =
      Cli("--json measure run --play tolva-null --record tolva-car-out --reference acoustic "
          "--channel 0 --reference-channel 1 --seconds 2 --meter-seconds 0.3 --out " +
          out);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("microphone: peak"), std::string::npos) << run.err;
  double arrival = 0.0;
  ASSERT_EQ(std::sscanf(run.out.c_str(), "{\"arrival_ms\":%lf", &arrival), 1) << run.out;
  EXPECT_NEAR(arrival, kCarDelayMs - kReferenceDelayMs, 0.02);

  const model::MeasurementText text = model::ParseMeasurementText(*model::ReadFileText(out));
  ASSERT_TRUE(text.error.empty());
  const testing::KnownPath car = CarPath();
  double worst = 0.0, at = 0.0;
  for (std::size_t i = 0; i < text.measurement.freq.size(); ++i) {
    const double f = text.measurement.freq[i];
    if (f < 50.0 || f > 16000.0) continue;
    const double e = std::fabs(text.measurement.level[i] - car.Db(f, kRate));
    if (e > worst) worst = e, at = f;
  }
  EXPECT_LT(worst, 0.2) << "at " << at << " Hz";
  std::printf("through the daemon: arrival %.4f ms (true %.4f), worst %.3f dB at %.0f Hz%s\n",
              arrival, kCarDelayMs - kReferenceDelayMs, worst, at,
              run.err.find("played the sweep again") != std::string::npos
                  ? " (played again after a lost cycle)"
                  : "");
}

TEST_F(PipeWireCar, NamesAMissingDeviceAndWritesNothing) {
  const std::string out = (dir_ / "response.txt").string();
  const testing::CliRun run =
      Cli("measure run --play no-such-sink --record tolva-car-out --meter-seconds 0 --out " + out);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("no-such-sink"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace tolva::measure
