// eq export and eq import: an output's bands as Equalizer APO or REW filter text, and back.
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "model/filter_exchange.h"
#include "model/filter_exchange_import.h"
#include "model/profile_files.h"

namespace tolva::cli {
namespace {

bool ReadProfile(const std::string& path, model::Profile& profile) {
  const model::ProfileReadResult result = model::ReadSceneProfile(path, profile);
  if (result == model::ProfileReadResult::kOk) return true;
  ProfileRefused(path, result);
  return false;
}

// The plan's messages on standard error; true when it may be written.
bool Report(const model::FilterImportPlan& plan, bool force) {
  for (const std::string& line : model::DescribeImportPlan(plan)) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  if (plan.refused.empty()) return true;
  if (force) {
    std::fprintf(stderr, "--force: importing what the unit can hold.\n");
    return true;
  }
  std::fprintf(stderr,
               "tolva-dsp-cli eq import: the unit cannot hold every filter; nothing was written "
               "(add --force to import what it can hold)\n");
  return false;
}

}  // namespace

int RunEqExport(const DeviceOptions* device, const EqExportOptions& o) {
  auto profile = std::make_unique<model::Profile>();
  std::string title = "output " + std::to_string(o.channel);
  if (device == nullptr) {
    if (!ReadProfile(o.file, *profile)) return kExitFailed;
    title += " of " + o.file;
  } else {
    DeviceSession session(device->factory);
    if (const int r = session.Connect(); r != kExitOk) return r;
    *profile = session.Manager().LiveProfile();
    title += " of the unit";
  }
  const model::ChannelSettings& channel = profile->channels[o.channel];
  const std::string text = model::WriteFilterText(
      o.rew ? model::FilterTextFormat::kRew : model::FilterTextFormat::kApo,
      model::ActiveBands(channel), model::CrossoverComments(channel.crossover),
      "Tolva DSP " + title);
  std::fputs(text.c_str(), stdout);
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int RunEqImport(const DeviceOptions* device, const EqImportOptions& o) {
  const auto text = model::ReadFileText(o.text_file);
  if (!text) {
    std::fprintf(stderr, "tolva-dsp-cli eq import: cannot read %s\n", o.text_file.c_str());
    return kExitFailed;
  }
  const model::FilterText parsed = model::ParseFilterText(*text);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "tolva-dsp-cli eq import: %s: %s; nothing was written\n",
                 o.text_file.c_str(), model::English(parsed.error).c_str());
    return kExitFailed;
  }
  model::TextProblem error;
  const auto filters = model::FiltersForChannel(parsed, o.apo_channel, &error);
  if (!filters) {
    std::fprintf(stderr, "tolva-dsp-cli eq import: %s (--apo-channel NAME); nothing was written\n",
                 model::English(error).c_str());
    return kExitFailed;
  }

  if (device == nullptr) {
    auto profile = std::make_unique<model::Profile>();
    if (!ReadProfile(o.into_file, *profile)) return kExitFailed;
    model::ChannelSettings& channel = profile->channels[o.channel];
    const model::FilterImportPlan plan = model::PlanFilterImport(parsed, *filters, channel);
    if (!Report(plan, o.force)) return kExitFailed;
    for (int b = 0; b < std::min(channel.eqSize, model::kEqBands); ++b) {
      channel.eqArray[b] = plan.bands[b];
    }
    channel.bypass = 0;
    if (!model::WriteSceneProfile(*profile, o.into_file)) return NotSaved(o.into_file);
    return kExitOk;
  }

  DeviceSession session(device->factory);
  session.UseControls();
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& manager = session.Manager();
  const model::FilterImportPlan plan =
      model::PlanFilterImport(parsed, *filters, manager.LiveProfile().channels[o.channel]);
  if (!Report(plan, o.force)) return kExitFailed;
  const model::UnitOutcome outcome =
      session.SendEdits([&] { manager.ApplyChannelBands(o.channel, plan.bands); });
  return ExitCodeOf(outcome, "The filters were not all written to the unit");
}

}  // namespace tolva::cli
