// A measurement through a real PipeWire daemon started for the test: no sound card, a null
// sink whose monitor feeds a filter-chain that convolves like a car (an output and a fixed
// reference speaker, each with its own delay), recorded from the filter-chain's source.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio/pipewire_audio.h"
#include "audio/wav_file.h"
#include "measure/measurement_run.h"
#include "measure/synthetic_path.h"

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
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execl(daemon_.c_str(), "pipewire", "-c", (dir_ / "pipewire.conf").c_str(), nullptr);
      ::_exit(127);
    }
    ASSERT_GT(pid_, 0);
    std::string error;
    for (int i = 0; i < 100 && !audio_; ++i) {
      if (fs::exists(dir_ / "tolva-test")) audio_ = audio::OpenPipeWire(error);
      if (!audio_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(audio_) << error;
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
           "  default.clock.rate = 48000 default.clock.quantum = 1024 mem.allow-mlock = false }\n"
           "context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert\n"
           "  support.* = support/libspa-support }\n"
           "context.modules = [\n"
           "  { name = libpipewire-module-protocol-native }\n"
           "  { name = libpipewire-module-metadata }\n"
           "  { name = libpipewire-module-spa-node-factory }\n"
           "  { name = libpipewire-module-client-node }\n"
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

  std::string daemon_;
  fs::path dir_;
  pid_t pid_ = -1;
  std::unique_ptr<audio::PipeWireAudio> audio_;
};

TEST_F(PipeWireCar, MeasuresThroughTheDaemon) {
  const std::vector<audio::AudioDevice> devices = audio_->Devices();
  const auto named = [&](const std::string& id) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const audio::AudioDevice& d) { return d.id == id; });
  };
  ASSERT_TRUE(named("tolva-null") && named("tolva-null.monitor") && named("tolva-car-out"));
  ASSERT_EQ(audio_->LinkDevices("tolva-null.monitor", "tolva-car-in"), "");

  measure::InputMeter meter(1);
  ASSERT_EQ(audio_->Listen("tolva-car-out", 1, kRate, 0.2, meter), "");
  EXPECT_FALSE(meter.Levels()[0].clipping);

  RunSettings settings;
  settings.sweep.seconds = 2.0;
  settings.sweep.start_hz = 20.0;
  settings.sweep.silence_before_seconds = 0.3;
  settings.sweep.silence_after_seconds = 0.5;
  settings.reference = TimingReference::kAcoustic;
  const RunPlan plan = PlanRun(settings);
  const audio::Recorded recorded = audio_->PlayAndRecord(
      {"tolva-null", "tolva-car-out", kRate, plan.play, 1, plan.tail_seconds});
  ASSERT_EQ(recorded.error, "");
  const RunResult result =
      AnalyzeRun(plan, recorded.channels, kRate, {}, nullptr, recorded.capture_lead);
  ASSERT_TRUE(result.measurement) << result.error;
  EXPECT_NEAR(result.measurement->arrival_ms, kCarDelayMs - kReferenceDelayMs, 0.02);
  const testing::KnownPath car = CarPath();
  double worst = 0.0, at = 0.0;
  for (std::size_t i = 0; i < result.measurement->response.freq.size(); ++i) {
    const double f = result.measurement->response.freq[i];
    if (f < 100.0 || f > 16000.0) continue;
    const double e = std::fabs(result.measurement->response.db[i] - car.Db(f, kRate));
    if (e > worst) worst = e, at = f;
  }
  EXPECT_LT(worst, 0.2) << "at " << at << " Hz";
}

TEST_F(PipeWireCar, NamesAMissingDevice) {
  const audio::Recorded r =
      audio_->PlayAndRecord({"no-such-sink", "tolva-car-out", kRate, {{0.0f}}, 1, 0.1});
  EXPECT_NE(r.error.find("no-such-sink"), std::string::npos);
}

}  // namespace
}  // namespace tolva::measure
