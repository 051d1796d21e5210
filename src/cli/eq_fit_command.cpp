// eq fit: an output's bands chosen from its measurement at the seat, so that it plays the
// target within its passband, with the residual a script can check.
#include "cli/eq_fit_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "model/autotune/auto_eq.h"
#include "model/edits/edit_operations.h"
#include "model/files/profile_files.h"
#include "model/fitting/peaking_conversion.h"
#include "model/interchange/measurement.h"

namespace tolva::cli {
namespace {

struct EqFitOptions {
  std::vector<std::string> measurements;  // one file per microphone position
  int channel = 0;
  std::string into_file;
  bool to_unit = false;
  std::string target = "flat";
  double max_boost_db = 6.0;
  std::string range;
  bool measured_with_bands = false;
};

constexpr const char* kName = "tolva-dsp-cli eq fit";

// "80-12000", "80-12k": hertz, a k for thousands.
bool ParseRange(const std::string& text, double& lo, double& hi) {
  const auto number = [](const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    if (end != nullptr && (*end == 'k' || *end == 'K')) out *= 1000.0, ++end;
    return end != nullptr && *end == '\0' && std::isfinite(out);
  };
  const std::size_t dash = text.find('-', 1);
  if (dash == std::string::npos) return false;
  return number(text.substr(0, dash), lo) && number(text.substr(dash + 1), hi) && lo >= 20.0 &&
         hi <= 20000.0 && lo < hi;
}

bool ReadTarget(const std::string& choice, autotune::TargetCurve& target) {
  if (choice == "flat") return target = autotune::FlatTarget(), true;
  if (choice == "car") return target = autotune::CarTarget(), true;
  const auto text = model::ReadFileText(choice);
  if (!text) {
    std::fprintf(stderr, "%s: cannot read the target %s (flat, car or a house-curve file)\n", kName,
                 choice.c_str());
    return false;
  }
  autotune::TargetText parsed = autotune::ParseHouseCurve(*text, choice);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s: %s: %s\n", kName, choice.c_str(), model::English(parsed.error).c_str());
    return false;
  }
  target = std::move(parsed.target);
  return true;
}

bool ReadPositions(const std::vector<std::string>& paths, std::vector<measure::Response>& out) {
  for (const std::string& path : paths) {
    const auto text = model::ReadFileText(path);
    if (!text) {
      std::fprintf(stderr, "%s: cannot read %s\n", kName, path.c_str());
      return false;
    }
    model::MeasurementText parsed = model::ParseMeasurementText(*text);
    if (!parsed.error.empty()) {
      std::fprintf(stderr, "%s: %s: %s\n", kName, path.c_str(), model::English(parsed.error).c_str());
      return false;
    }
    measure::Response r;
    r.freq = std::move(parsed.measurement.freq);
    r.db = std::move(parsed.measurement.level);
    out.push_back(std::move(r));
  }
  return true;
}

std::string Reasons(std::uint8_t r) {
  std::string out;
  const auto add = [&](const char* what) { out += (out.empty() ? "" : ", ") + std::string(what); };
  if (r & autotune::kNarrowDip) add("narrow dip");
  if (r & autotune::kLowCoherence) add("low coherence");
  if (r & autotune::kVaries) add("varies between positions");
  return out;
}

std::string ResidualJson(const autotune::Residual& r) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer,
                "{\"rms_db\":%.3f,\"max_db\":%.3f,\"worst_hz\":%.1f,\"within_1db\":%.4f,\"points\":%d}",
                r.rms_db, r.max_db, r.worst_hz, r.within_1db, r.points);
  return buffer;
}

void PrintJson(const autotune::OutputFit& fit, const EqFitOptions& o, const std::string& target,
               bool written) {
  const autotune::Residual& r = fit.after;
  std::string masked = "[";
  for (const autotune::MaskedRange& m : fit.masked) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%s{\"low_hz\":%.1f,\"high_hz\":%.1f,\"why\":", masked.size() > 1 ? "," : "",
                  m.low_hz, m.high_hz);
    masked += buffer + JsonString(Reasons(m.reasons)) + "}";
  }
  masked += "]";
  std::string bands = "[";
  for (int s = 0; s < model::kEqBands; ++s) {
    const model::EqBand& b = fit.bands[s];
    if (!model::BandPlays(b)) continue;
    char buffer[120];
    std::snprintf(buffer, sizeof buffer, "%s{\"band\":%d,\"freq\":%d,\"q\":%.1f,\"gain_db\":%.1f}",
                  bands.size() > 1 ? "," : "", s, b.freq, b.eqFactor, b.eqGain);
    bands += buffer;
  }
  bands += "]";
  std::printf(
      "{\"channel\":%d,\"target\":%s,\"max_boost_db\":%.1f,\"low_hz\":%.1f,\"high_hz\":%.1f,"
      "\"rms_db\":%.3f,\"max_db\":%.3f,\"worst_hz\":%.1f,\"within_1db\":%.4f,\"points\":%d,"
      "\"before\":%s,\"target_level_db\":%.2f,\"bands_used\":%d,\"bands_changed\":%d,"
      "\"masked\":%s,\"bands\":%s,\"written\":%s}\n",
      o.channel, JsonString(target).c_str(), o.max_boost_db, fit.low_hz, fit.high_hz, r.rms_db,
      r.max_db, r.worst_hz, r.within_1db, r.points, ResidualJson(fit.before).c_str(),
      fit.target_level_db, fit.bands_used, fit.bands_changed, masked.c_str(), bands.c_str(),
      written ? "true" : "false");
}

void PrintText(const autotune::OutputFit& fit, const EqFitOptions& o) {
  const auto line = [](const char* what, const autotune::Residual& r) {
    std::printf("%s RMS %.2f dB, largest %.2f dB at %.0f Hz, %.0f%% within ±1 dB\n", what, r.rms_db,
                r.max_db, r.worst_hz, 100.0 * r.within_1db);
  };
  std::printf("output %d, %.0f-%.0f Hz (%d points), target %s at %.1f dB, boost limit %.1f dB\n",
              o.channel, fit.low_hz, fit.high_hz, fit.after.points, o.target.c_str(),
              fit.target_level_db, o.max_boost_db);
  line("residual:", fit.after);
  line("before:  ", fit.before);
  std::printf("bands: %d playing, %d changed\n", fit.bands_used, fit.bands_changed);
  for (const autotune::MaskedRange& m : fit.masked) {
    std::printf("not boosted %.0f-%.0f Hz: %s\n", m.low_hz, m.high_hz, Reasons(m.reasons).c_str());
  }
}

int Finish(const autotune::OutputFit& fit, const EqFitOptions& o, bool json, int code, bool written) {
  if (json) {
    PrintJson(fit, o, o.target, written);
  } else {
    PrintText(fit, o);
  }
  return std::fflush(stdout) == 0 ? code : kExitFailed;
}

autotune::OutputFit Fit(const std::vector<measure::Response>& positions,
                        const model::ChannelSettings& channel, const autotune::AutoEqOptions& options,
                        bool measured_with_bands) {
  std::vector<model::EqBand> playing;
  if (measured_with_bands && channel.bypass == 0) {
    playing.assign(channel.eqArray.begin(), channel.eqArray.begin() + std::clamp(channel.eqSize, 0, model::kEqBands));
  }
  const autotune::SeatResponse seat =
      autotune::CombinePositions(positions, autotune::FitGrid(options), playing);
  return autotune::FitOutput(seat, channel, options);
}

int RunEqFit(const DeviceOptions* device, const EqFitOptions& o, bool json) {
  autotune::AutoEqOptions options;
  options.max_boost_db = o.max_boost_db;
  if (!o.range.empty() && !ParseRange(o.range, options.low_hz, options.high_hz)) {
    std::fprintf(stderr, "%s: --range takes LO-HI in hertz within 20-20000, such as 60-12000\n", kName);
    return kExitUsage;
  }
  if (!ReadTarget(o.target, options.target)) return kExitFailed;
  std::vector<measure::Response> positions;
  if (!ReadPositions(o.measurements, positions)) return kExitFailed;

  if (device == nullptr) {
    auto profile = std::make_unique<model::Profile>();
    if (const auto r = model::ReadSceneProfile(o.into_file, *profile); r != model::ProfileReadResult::kOk) {
      return ProfileRefused(o.into_file, r);
    }
    model::ChannelSettings& channel = profile->channels[o.channel];
    const autotune::OutputFit fit = Fit(positions, channel, options, o.measured_with_bands);
    if (!fit.problem.empty()) {
      std::fprintf(stderr, "%s: %s; nothing was written\n", kName, fit.problem.c_str());
      return kExitFailed;
    }
    if (!fit.Changed()) {
      std::fprintf(stderr, "The output already plays this fit: nothing was written.\n");
      return Finish(fit, o, json, kExitOk, false);
    }
    // As the unit would take them (ApplyBands): in tenths, the linked partner too.
    model::EditBandTable(*profile, o.channel, fit.bands);
    if (!model::WriteSceneProfile(*profile, o.into_file)) return NotSaved(o.into_file);
    return Finish(fit, o, json, kExitOk, true);
  }

  DeviceSession session(device->factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& manager = session.Manager();
  const autotune::OutputFit fit =
      Fit(positions, manager.LiveProfile().channels[o.channel], options, o.measured_with_bands);
  if (!fit.problem.empty()) {
    std::fprintf(stderr, "%s: %s; nothing was sent\n", kName, fit.problem.c_str());
    return kExitFailed;
  }
  if (!fit.Changed()) {
    std::fprintf(stderr, "The output already plays this fit: nothing was sent.\n");
    return Finish(fit, o, json, kExitOk, false);
  }
  // One step of the unit's undo history, only the bands that differ sent.
  const model::UnitOutcome outcome =
      session.SendEdits([&] { manager.Editing().ApplyBands(o.channel, fit.bands); });
  const int code = ExitCodeOf(outcome, "The fitted bands were not all written to the unit");
  return Finish(fit, o, json, code, code == kExitOk);
}

}  // namespace

void AddEqFitCommand(CLI::App& eq, std::function<int()>& action, const bool& json,
                     const std::optional<std::string>& device) {
  auto options = std::make_shared<EqFitOptions>();
  CLI::App* fit = eq.add_subcommand(
      "fit", "fit an output's bands to its measurement at the seat, and print the residual");
  fit->callback([&action, &json, &device, options] {
    action = [&json, &device, options] {
      if (options->into_file.empty() == !options->to_unit) {
        std::fprintf(stderr, "%s: give either --into FILE.spf or --to-unit\n", kName);
        return kExitUsage;
      }
      if (!options->to_unit) return RunEqFit(nullptr, *options, json);
      DeviceOptions d{ChosenDevice(device)};
      return d.factory ? RunEqFit(&d, *options, json) : kExitUsage;
    };
  });
  fit->add_option("MEASUREMENT", options->measurements,
                  "the output's response at the seat (REW text); several: one per microphone position")
      ->required();
  fit->add_option("--channel", options->channel, "output 0..5")->required()->check(CLI::Range(0, 5));
  fit->add_option("--into", options->into_file, "the scene profile (.spf) to change");
  fit->add_flag("--to-unit", options->to_unit, "send the bands to the unit instead");
  fit->add_option("--target", options->target, "flat (default), car, or a house-curve file");
  fit->add_option("--max-boost", options->max_boost_db, "largest boost in dB (default 6; 0: cuts only)")
      ->check(CLI::Range(0.0, 12.0));
  fit->add_option("--range", options->range, "LO-HI in Hz: judge only there (within the passband)");
  fit->add_flag("--measured-with-bands", options->measured_with_bands,
                "the measurement was taken while the output played its present bands");
}

}  // namespace tolva::cli
