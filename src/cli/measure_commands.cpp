// tolva-dsp-cli measure: sweeps to play, and responses from their recordings.
#include "cli/measure_commands.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "audio/wav_file.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/measure_output.h"
#include "measure/sweep.h"

namespace tolva::cli {
namespace {

struct SweepArgs {
  std::string out;
  measure::SweepSettings settings;
  std::optional<double> end_hz;
};

struct AnalyzeArgs {
  std::string recording, sweep, cal, smoothing = "1/48", out, impulse;
  int channel = 0;
  int loopback = -1;
  double fdw_cycles = 0.0;
};

int Refuse(const std::string& message) {
  std::fprintf(stderr, "tolva-dsp-cli measure: %s\n", message.c_str());
  return kExitFailed;
}

int RunSweep(const SweepArgs& args, bool json) {
  measure::SweepSettings s = args.settings;
  s.end_hz = args.end_hz.value_or(std::min(24000.0, s.rate / 2.0));
  if (const std::string problem = measure::SweepSettingsProblem(s); !problem.empty())
    return Refuse(problem);
  const measure::Sweep sweep = measure::GenerateSweep(s);
  audio::AudioFile file;
  file.rate = sweep.rate;
  file.channels = {sweep.samples};
  file.comment = measure::DescribeSweep(sweep);
  if (const std::string error = audio::WriteAudioFile(args.out, file); !error.empty())
    return Refuse(error);
  const double before = static_cast<double>(sweep.sweep_start) / sweep.rate;
  const double seconds = static_cast<double>(sweep.sweep_length) / sweep.rate;
  if (json) {
    std::printf(
        "{\"file\":%s,\"rate\":%.0f,\"start_hz\":%.6f,\"end_hz\":%.6f,\"sweep_seconds\":%.6f,"
        "\"sweep_start_s\":%.6f,\"total_seconds\":%.6f,\"level_dbfs\":%.2f}\n",
        JsonString(args.out).c_str(), sweep.rate, sweep.start_hz, sweep.end_hz, seconds, before,
        static_cast<double>(sweep.samples.size()) / sweep.rate, s.level_dbfs);
  } else {
    std::printf(
        "%s: %.0f Hz, %.3f … %.0f Hz over %.3f s at %.1f dBFS, starting %.3f s into the file\n",
        args.out.c_str(), sweep.rate, sweep.start_hz, sweep.end_hz, seconds, s.level_dbfs, before);
  }
  return kExitOk;
}

int RunAnalyze(const AnalyzeArgs& args, bool json) {
  MeasureInputs in;
  if (const std::string error = LoadSweep(args.sweep, in.sweep); !error.empty())
    return Refuse(error);
  const audio::AudioFileRead recording = audio::ReadAudioFile(args.recording);
  if (!recording.file) return Refuse(recording.error);
  const auto& channels = recording.file->channels;
  if (args.channel < 0 || static_cast<std::size_t>(args.channel) >= channels.size()) {
    return Refuse(args.recording + ": has no channel " + std::to_string(args.channel));
  }
  if (args.loopback >= 0 && static_cast<std::size_t>(args.loopback) >= channels.size()) {
    return Refuse(args.recording + ": has no loopback channel " + std::to_string(args.loopback));
  }
  in.rate = recording.file->rate;
  in.recordings = {channels[static_cast<std::size_t>(args.channel)]};
  if (args.loopback >= 0) {
    in.loopbacks = {channels[static_cast<std::size_t>(args.loopback)]};
    in.reference_note = " after the loopback";
  }
  in.source = args.recording;
  if (const std::string error = ReadOptions(args.cal, args.smoothing, args.fdw_cycles, in);
      !error.empty()) {
    return Refuse(error);
  }
  return MeasureAndWrite(in, args.out, args.impulse, json);
}

}  // namespace

void AddMeasureCommands(CLI::App& app, std::function<int()>& action, const bool& json) {
  CLI::App* measure =
      app.add_subcommand("measure", "sweeps, responses and arrival times with a microphone");
  measure->require_subcommand(1);

  auto sweep_args = std::make_shared<SweepArgs>();
  CLI::App* sweep = measure->add_subcommand("sweep", "write the sweep to play, as a mono WAV file");
  sweep->callback([&action, &json, sweep_args] {
    action = [&json, sweep_args] { return RunSweep(*sweep_args, json); };
  });
  sweep->add_option("OUT", sweep_args->out, "the WAV file to write")->required();
  sweep->add_option("--rate", sweep_args->settings.rate, "sample rate in Hz (48000)");
  sweep->add_option("--from", sweep_args->settings.start_hz, "start frequency in Hz (10)");
  sweep->add_option("--to", sweep_args->end_hz,
                    "end frequency in Hz (24000, at most half the rate)");
  sweep->add_option("--seconds", sweep_args->settings.seconds, "length of the sweep itself (5)");
  sweep->add_option("--level", sweep_args->settings.level_dbfs, "peak level in dBFS (-12)");

  auto analyze_args = std::make_shared<AnalyzeArgs>();
  CLI::App* analyze =
      measure->add_subcommand("analyze", "a recording of the sweep to a response and arrival time");
  analyze->callback([&action, &json, analyze_args] {
    action = [&json, analyze_args] { return RunAnalyze(*analyze_args, json); };
  });
  analyze
      ->add_option("RECORDING", analyze_args->recording,
                   "the recording (WAV), started with the playback")
      ->required();
  analyze->add_option("--sweep", analyze_args->sweep, "the sweep file that was played")->required();
  analyze->add_option("--cal", analyze_args->cal, "microphone calibration file");
  analyze->add_option("--smoothing", analyze_args->smoothing,
                      "1/N octave (N 1..48), var, psy or none (1/48)");
  analyze->add_option("--out", analyze_args->out, "the response to write, as measurement text")
      ->required();
  analyze->add_option("--impulse", analyze_args->impulse, "also write the impulse response (WAV)");
  analyze->add_option("--channel", analyze_args->channel, "the recording's microphone channel (0)");
  analyze->add_option("--loopback", analyze_args->loopback,
                      "a channel holding the played signal: arrival relative to it");
  analyze->add_option("--fdw", analyze_args->fdw_cycles,
                      "frequency-dependent window of this many cycles");
  AddMeasureDeviceCommands(*measure, action, json);
}

}  // namespace tolva::cli
