// tolva-dsp-cli measure run / devices: a live measurement through the audio interface.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/pipewire_audio.h"
#include "audio/simulated_car.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/measure_commands.h"
#include "cli/measure_output.h"
#include "measure/measurement_run.h"
#include "model/profile/polarity.h"
#include "model/files/profile_files.h"

namespace tolva::cli {
namespace {

struct RunArgs {
  std::string play, record, cal, out, smoothing = "1/48", reference = "none", car_profile;
  measure::RunSettings settings;
  int car_output = 0;
  double meter_seconds = 1.0;
};

int Refuse(const std::string& message) {
  std::fprintf(stderr, "tolva-dsp-cli measure: %s\n", message.c_str());
  return kExitFailed;
}

// An output of the unit as the model holds it, as the simulated car plays it.
audio::SimulatedOutput OutputOf(const model::Profile& profile, int channel) {
  const model::ChannelSettings& ch = profile.channels[static_cast<std::size_t>(channel)];
  audio::SimulatedOutput out;
  out.hp = {ch.crossover.hp.fs, ch.crossover.hp.type, ch.crossover.hp.slope,
            ch.crossover.hp.bypass};
  out.lp = {ch.crossover.lp.fs, ch.crossover.lp.type, ch.crossover.lp.slope,
            ch.crossover.lp.bypass};
  for (int b = 0; b < std::clamp(ch.eqSize, 0, model::kEqBands); ++b) {
    const model::EqBand& band = ch.eqArray[static_cast<std::size_t>(b)];
    out.bands.push_back(
        {static_cast<double>(band.freq), band.eqGain, band.eqFactor, band.enable == 1});
  }
  out.eq_bypass = ch.bypass == 1;
  out.gain_db = ch.gain;
  out.inverted = model::PolarityInverted(ch.phase);
  out.unit_delay_ms = ch.delay;
  return out;
}

// A demonstration car: a door woofer on the measured channel, a tweeter as the fixed output of
// the acoustic reference, a cabin with a few reflections, a microphone with a treble rise.
audio::SimulatedCar DemonstrationCar() {
  audio::SimulatedCar car;
  audio::SimulatedOutput woofer;
  woofer.hp = {60, 1, 2, 0};
  woofer.bands = {{120.0, -4.0, 2.0, true}, {2500.0, 3.0, 3.0, true}};
  woofer.gain_db = -3.0;
  woofer.unit_delay_ms = 1.2;
  woofer.distance_ms = 2.9;
  audio::SimulatedOutput tweeter;
  tweeter.hp = {2000, 1, 2, 0};
  tweeter.distance_ms = 3.5;
  car.outputs = {woofer, tweeter};
  car.cabin.assign(480, 0.0f);
  car.cabin[0] = 1.0f;
  car.cabin[101] = 0.35f;
  car.cabin[226] = -0.2f;
  car.cabin[398] = 0.12f;
  car.mic_freq = {20.0, 1000.0, 10000.0, 20000.0};
  car.mic_db = {0.0, 0.0, 1.5, 3.0};
  car.noise_dbfs = -75.0;
  car.clock_drift_ppm = 1.0;
  car.latency_ms = 23.0;
  car.loopback_of = 0;
  return car;
}

std::optional<measure::TimingReference> ReferenceOf(const std::string& text) {
  if (text == "none") return measure::TimingReference::kNone;
  if (text == "loopback") return measure::TimingReference::kLoopback;
  if (text == "acoustic") return measure::TimingReference::kAcoustic;
  return std::nullopt;
}

std::unique_ptr<audio::AudioInterface> OpenAudio(const RunArgs& args, std::string& error) {
  if (args.play != audio::kSimulatedDevice && args.record != audio::kSimulatedDevice) {
    return audio::OpenPipeWire(error);
  }
  if (args.play != args.record) {
    error = "the simulated car plays and records as \"simulated\" on both sides";
    return nullptr;
  }
  audio::SimulatedCar car = DemonstrationCar();
  if (!args.car_profile.empty()) {
    model::Profile profile;
    const model::ProfileReadResult read = model::ReadSceneProfile(args.car_profile, profile);
    if (read != model::ProfileReadResult::kOk) {
      error = args.car_profile + ": not a scene profile the car can play";
      return nullptr;
    }
    audio::SimulatedOutput measured = OutputOf(profile, args.car_output);
    measured.distance_ms = car.outputs[0].distance_ms;
    car.outputs[0] = measured;
  }
  return std::make_unique<audio::SimulatedAudio>(std::move(car));
}

int RunMeasurement(RunArgs args, bool json) {
  MeasureInputs in;
  if (const std::string e = ReadOptions(args.cal, args.smoothing, 0.0, in); !e.empty())
    return Refuse(e);
  const auto reference = ReferenceOf(args.reference);
  if (!reference) return Refuse("--reference takes none, loopback or acoustic");
  args.settings.reference = *reference;
  if (*reference == measure::TimingReference::kLoopback) {
    args.settings.capture_channels =
        std::max(args.settings.capture_channels, args.settings.loopback_channel + 1);
  }
  if (const std::string p = measure::RunSettingsProblem(args.settings); !p.empty())
    return Refuse(p);
  std::string error;
  const std::unique_ptr<audio::AudioInterface> audio = OpenAudio(args, error);
  if (!audio) return Refuse(error);

  // The input meter first: a clipping microphone spoils every sweep, a silent one is the
  // wrong device.
  const double rate = args.settings.sweep.rate;
  measure::InputMeter meter(args.settings.capture_channels);
  if (args.meter_seconds > 0.0) {
    if (const std::string e = audio->Listen(args.record, args.settings.capture_channels, rate,
                                            args.meter_seconds, meter);
        !e.empty()) {
      return Refuse(e);
    }
    const measure::InputLevel level =
        meter.Levels()[static_cast<std::size_t>(args.settings.mic_channel)];
    std::fprintf(stderr, "microphone: peak %.1f dBFS, RMS %.1f dBFS before the sweep\n",
                 level.peak_dbfs, level.rms_dbfs);
    if (level.clipping)
      return Refuse("the microphone input clips with nothing playing: lower its gain");
    if (level.peak_dbfs < -100.0)
      std::fprintf(stderr, "warning: the microphone input is silent; is it the right device?\n");
  }

  const measure::RunPlan plan = measure::PlanRun(args.settings);
  audio::PlayRecordRequest request{
      args.play, args.record, rate, plan.play, args.settings.capture_channels, plan.tail_seconds};
  const audio::Recorded recorded = audio->PlayAndRecord(request);
  if (recorded.replayed > 0) {
    std::fprintf(stderr, "the audio graph lost a cycle; played the sweep again (%d %s)\n",
                 recorded.replayed, recorded.replayed == 1 ? "time" : "times");
  }
  if (!recorded.error.empty()) return Refuse(recorded.error);
  const measure::RunResult result =
      measure::AnalyzeRun(plan, recorded.channels, rate, in.options,
                          in.calibration ? &*in.calibration : nullptr, recorded.capture_lead);
  if (!result.measurement) return Refuse(result.error);
  in.sweep = plan.sweep;
  in.source = "output on playback channel " + std::to_string(args.settings.measured_channel) +
              " of " + args.play + ", microphone " + args.record;
  if (*reference == measure::TimingReference::kLoopback) in.reference_note = " after the loopback";
  if (*reference == measure::TimingReference::kAcoustic) {
    in.reference_note =
        " after the reference chirp on channel " + std::to_string(args.settings.reference_channel);
  }
  return WriteMeasurement(*result.measurement, in, args.out, {}, nullptr, json);
}

int ListDevices(bool json) {
  std::vector<audio::AudioDevice> devices;
  std::string error;
  if (auto pipewire = audio::OpenPipeWire(error)) {
    devices = pipewire->Devices();
  } else {
    std::fprintf(stderr, "tolva-dsp-cli measure: %s\n", error.c_str());
  }
  devices.push_back(audio::SimulatedAudio(DemonstrationCar()).Devices().front());
  if (json) std::printf("[");
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const audio::AudioDevice& d = devices[i];
    if (json) {
      std::printf("%s{\"id\":%s,\"description\":%s,\"channels\":%d,\"playback\":%s,\"capture\":%s}",
                  i ? "," : "", JsonString(d.id).c_str(), JsonString(d.description).c_str(),
                  d.channels, d.playback ? "true" : "false", d.capture ? "true" : "false");
    } else {
      std::printf("%-9s %-48s %d ch  %s\n",
                  d.playback && d.capture ? "both"
                  : d.playback            ? "playback"
                                          : "capture",
                  d.id.c_str(), d.channels, d.description.c_str());
    }
  }
  if (json) std::printf("]\n");
  return kExitOk;
}

}  // namespace

void AddMeasureDeviceCommands(CLI::App& measure, std::function<int()>& action, const bool& json) {
  auto args = std::make_shared<RunArgs>();
  CLI::App* run =
      measure.add_subcommand("run", "play the sweep, record the microphone, write the response");
  run->callback(
      [&action, &json, args] { action = [&json, args] { return RunMeasurement(*args, json); }; });
  run->add_option("--play", args->play,
                  "the playback device feeding the unit (see measure devices)")
      ->required();
  run->add_option("--record", args->record, "the microphone's capture device")->required();
  run->add_option("--cal", args->cal, "microphone calibration file");
  run->add_option("--out", args->out, "the response to write, as measurement text")->required();
  run->add_option("--smoothing", args->smoothing, "1/N octave (N 1..48), var, psy or none (1/48)");
  run->add_option("--reference", args->reference, "timing: none, loopback or acoustic (none)");
  run->add_option("--channel", args->settings.measured_channel,
                  "playback channel of the output measured (0)");
  run->add_option("--play-channels", args->settings.play_channels, "playback channels (2)");
  run->add_option("--reference-channel", args->settings.reference_channel,
                  "acoustic: playback channel of the fixed output (1)");
  run->add_option("--mic-channel", args->settings.mic_channel,
                  "capture channel of the microphone (0)");
  run->add_option("--loopback-channel", args->settings.loopback_channel,
                  "loopback: capture channel of the played signal (1)");
  run->add_option("--record-channels", args->settings.capture_channels, "capture channels (1)");
  run->add_option("--sweeps", args->settings.sweeps, "sweeps averaged (1)");
  run->add_option("--seconds", args->settings.sweep.seconds, "length of each sweep (5)");
  run->add_option("--level", args->settings.sweep.level_dbfs, "peak level in dBFS (-12)");
  run->add_option("--rate", args->settings.sweep.rate, "sample rate (48000)");
  run->add_option("--meter-seconds", args->meter_seconds,
                  "input meter before the sweep (1; 0: none)");
  run->add_option("--car", args->car_profile,
                  "simulated: a scene profile whose output plays the measured channel");
  run->add_option("--car-output", args->car_output, "simulated: that profile's output 0..5 (0)")
      ->check(CLI::Range(0, 5));

  CLI::App* devices =
      measure.add_subcommand("devices", "the playback and capture devices a measurement can use");
  devices->callback([&action, &json] { action = [&json] { return ListDevices(json); }; });
}

}  // namespace tolva::cli
