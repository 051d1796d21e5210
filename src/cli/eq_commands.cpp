// eq export and eq import: an output's bands as Equalizer APO or REW filter text, and back.
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "model/edits/edit_operations.h"
#include "model/files/profile_files.h"
#include "model/interchange/filter_exchange.h"
#include "model/interchange/filter_exchange_import.h"

namespace tolva::cli {
namespace {

bool ReadProfile(const std::string& path, model::Profile& profile) {
  const model::ProfileReadResult result = model::ReadSceneProfile(path, profile);
  if (result == model::ProfileReadResult::kOk) return true;
  ProfileRefused(path, result);
  return false;
}

std::string Number(double value, const char* format = "%.3f") {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string JsonList(const std::vector<model::TextProblem>& problems) {
  std::string out = "[";
  for (const model::TextProblem& p : problems) {
    out += (out.size() > 1 ? "," : "") + JsonString(model::English(p));
  }
  return out + "]";
}

// The figures a script checks: how close the output's bands come to the file, and what of it
// they do not hold one to one.
void PrintJson(const model::FilterImportPlan& plan, bool written) {
  std::printf(
      "{\"held\":%d,\"reproduced\":%s,\"left_out\":%s,\"max_deviation_db\":%s,"
      "\"worst_hz\":%s,\"rms_deviation_db\":%s,\"limit_db\":%s,\"bands_used\":%d,"
      "\"bands_changed\":%d,\"written\":%s}\n",
      plan.held, JsonList(plan.reproduced).c_str(), JsonList(plan.left_out).c_str(),
      Number(plan.max_deviation_db).c_str(), Number(plan.worst_hz, "%.1f").c_str(),
      Number(plan.rms_deviation_db).c_str(), Number(plan.limit_db, "%g").c_str(),
      plan.bands_used, plan.bands_changed, written ? "true" : "false");
}

// The plan's messages on standard error; true when it may be written.
bool Report(const model::FilterImportPlan& plan, const EqImportOptions& o) {
  for (const std::string& line : model::DescribeImportPlan(plan)) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  if (!plan.NeedsForce()) return true;
  if (o.force) {
    std::fprintf(stderr, "--force: importing what the bands reproduce.\n");
    return true;
  }
  const char* why = !plan.left_out.empty() ? "the bands cannot hold every filter"
                                           : "the bands come further from the file than the limit";
  std::fprintf(stderr,
               "tolva-dsp-cli eq import: %s (worst at %.0f Hz); nothing was written (add --force "
               "to import it anyway)\n",
               why, plan.worst_hz);
  return false;
}

// Standard output holds the figures with --json; a script must not read success from a
// failed write.
int Finish(const model::FilterImportPlan& plan, const EqImportOptions& o, int code) {
  if (!o.json) return code;
  PrintJson(plan, code == kExitOk);
  return std::fflush(stdout) == 0 ? code : kExitFailed;
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
  const model::FilterImportOptions options{o.max_deviation_db};

  if (device == nullptr) {
    auto profile = std::make_unique<model::Profile>();
    if (!ReadProfile(o.into_file, *profile)) return kExitFailed;
    model::ChannelSettings& channel = profile->channels[o.channel];
    const model::FilterImportPlan plan = model::PlanFilterImport(*filters, channel, options);
    if (!Report(plan, o)) return Finish(plan, o, kExitFailed);
    // As the unit would take them (ApplyBands): in tenths, the linked partner too.
    model::EditBandTable(*profile, o.channel, plan.bands);
    if (!model::WriteSceneProfile(*profile, o.into_file)) return NotSaved(o.into_file);
    return Finish(plan, o, kExitOk);
  }

  DeviceSession session(device->factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& manager = session.Manager();
  const model::FilterImportPlan plan =
      model::PlanFilterImport(*filters, manager.LiveProfile().channels[o.channel], options);
  if (!Report(plan, o)) return Finish(plan, o, kExitFailed);
  const model::UnitOutcome outcome =
      session.SendEdits([&] { manager.Editing().ApplyBands(o.channel, plan.bands); });
  return Finish(plan, o, ExitCodeOf(outcome, "The filters were not all written to the unit"));
}

}  // namespace tolva::cli
