#include "cli/cli_manual.h"

#include <cjson/cJSON.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "base/version.h"
#include "cli/commands.h"
#include "manual/bash_completion.h"
#include "manual/cli11_outline.h"
#include "manual/manual_page.h"
#include "model/files/profile_json.h"

namespace tolva::cli {
namespace {

// Every field path of a scene profile, as get and diff name them.
void FieldPaths(const cJSON* node, const std::string& path, std::vector<std::string>& out) {
  if (!cJSON_IsObject(node) && !cJSON_IsArray(node)) {
    out.push_back(path);
    return;
  }
  int index = 0;
  for (const cJSON* child = node->child; child != nullptr; child = child->next, ++index) {
    const std::string name = cJSON_IsArray(node) ? std::to_string(index) : child->string;
    FieldPaths(child, path.empty() ? name : path + "/" + name, out);
  }
}

std::vector<std::string> ProfileKeys() {
  const std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(
      cJSON_Parse(model::SceneProfileText(model::Profile{}).c_str()), &cJSON_Delete);
  std::vector<std::string> keys{"source"};
  if (root) FieldPaths(root.get(), "", keys);
  return keys;
}

}  // namespace

std::string CliManualPage(const CLI::App& app) {
  using manual::ManualSection;
  manual::ManualPage page;
  page.command = manual::OutlineOf(app);
  page.summary = "script a Tolva DSP unit and its profile files";
  page.synopsis = {"[--device D] [--json] COMMAND [ARGS]"};
  page.description = {ManualSection{
      "Description",
      {"tolva-dsp-cli does from a shell what the tolva-dsp window does: it reads and writes the "
       "unit's settings, its ten stored scenes and profile files (.spf for one scene, .wpf for "
       "the whole unit), exports and imports filter text, upgrades the firmware and tells why a "
       "unit cannot be opened. The global options may also follow the command.",
       "Every command that changes the unit exits 0 only when the unit acknowledged everything "
       "it was sent. An output file is replaced only once everything it holds was read."},
      {}}};
  page.closing = {
      ManualSection{"Exit status",
                    {},
                    {{"0", "done"},
                     {"1", "wrong usage"},
                     {"2", "input refused (nothing is sent or written), a request the unit left "
                           "unanswered or answered \"not ready\", or standard output not written"},
                     {"3", "no unit, a failed handshake, or the unit left part-way"},
                     {"4", "a unit of another model"}}},
      ManualSection{"Environment",
                    {},
                    {{"TOLVA_DSP_DEVICE", "the unit when --device is not given"}}},
      ManualSection{"Files",
                    {},
                    {{"savelog.ini", "in the working folder: when it exists, the debug log is "
                                     "written to save.log there"}}},
      ManualSection{"See also",
                    {"tolva-dsp(1), tolva-dsp-emulator(1), /usr/share/doc/tolva-dsp/docs/cli.md"},
                    {}}};
  return manual::RenderManualPage(page, kVersion, kReleaseDate);
}

std::string CliBashCompletion(const CLI::App& app) {
  manual::CommandOutline outline = manual::OutlineOf(app);
  for (manual::OptionOutline& option : outline.options) {
    // The words ParseDeviceTarget takes; its help text only describes them.
    if (option.names.back() == "--device") option.choices = {"hid", "emulator", "socket:"};
  }
  std::vector<std::string> settable;
  const std::vector<std::string> keys = ProfileKeys();
  for (const std::string& key : keys) {
    if (IsSettableKey(key)) settable.push_back(key);
  }
  return manual::RenderBashCompletion(outline,
                                      {{"KEY", keys, ""}, {"KEY=VALUE", settable, "="}});
}

std::optional<int> PrintCliDocument(int argc, char** argv, const CLI::App& app) {
  if (argc != 2) return std::nullopt;
  const std::string_view word = argv[1];
  std::string text;
  if (word == "--manual-page") {
    text = CliManualPage(app);
  } else if (word == "--bash-completion") {
    text = CliBashCompletion(app);
  } else {
    return std::nullopt;
  }
  return std::fputs(text.c_str(), stdout) < 0 ? kExitFailed : kExitOk;
}

}  // namespace tolva::cli
