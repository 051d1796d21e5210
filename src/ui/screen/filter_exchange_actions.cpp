#include "ui/screen/filter_exchange_actions.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/manager/equalizer_manager.h"
#include "model/interchange/filter_exchange.h"
#include "model/interchange/filter_exchange_import.h"
#include "model/files/profile_files.h"
#include "model/profile/scene_names.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/dialogs.h"
#include "ui/kit/api/message_types.h"
#include "ui/main/main_wnd.h"

namespace tolva::ui {
namespace {

constexpr const char* kFilterFiles = "${filter_files_filter}";
// The preview lists at most this many lines; the rest is summed up.
constexpr std::size_t kPreviewLines = 12;

std::string Text(const char* placeholder) {
  return Languages().Resolve(placeholder);
}

void Refuse(CMainWnd& window, const char* what, const std::string& detail) {
  window.Dialogs().ShowMessageBox(Text(what) + "\n" + detail, "${tips}");
}

std::string Preview(const model::FilterImportPlan& plan) {
  std::string text;
  const std::vector<std::string> lines = model::DescribeImportPlan(plan, model::InCurrentLanguage);
  for (std::size_t i = 0; i < lines.size() && i < kPreviewLines; ++i) text += "\n" + lines[i];
  if (lines.size() > kPreviewLines) {
    text += "\n… (" + std::to_string(lines.size() - kPreviewLines) + ")";
  }
  return text;
}

// The "Channel:" block to take: the only one, or the one the user picks.
std::optional<model::ChannelFilters> ChooseChannel(CMainWnd& window,
                                                            const model::FilterText& text) {
  const std::vector<std::string> names = model::FilterChannelNames(text);
  std::string chosen;
  if (names.size() > 1) {
    // The choice dialog holds up to three buttons; more names are offered two at a time.
    for (std::size_t first = 0; first < names.size() && chosen.empty(); first += 2) {
      std::vector<std::string> buttons{names[first], "${cancel}"};
      if (first + 1 < names.size()) buttons.push_back(names[first + 1]);
      const int answer =
          window.Dialogs().ShowChoiceDialog("${tips}", Text("${filter_channel_choice}"), buttons);
      if (answer == kit::kResultConfirm) chosen = names[first];
      if (answer == kit::kResultThird) chosen = names[first + 1];
    }
    if (chosen.empty()) return std::nullopt;
  }
  model::TextProblem error;
  auto lines = model::FiltersForChannel(text, chosen, &error);
  if (!lines) Refuse(window, "${filter_file_error}", model::InCurrentLanguage(error));
  return lines;
}

}  // namespace

void ShowImportPreview(CMainWnd& window, const model::FilterImportPlan* plan, int output) {
  auto* graph = window.findChild<curves::UIEqualizer*>(QStringLiteral("equalizer"));
  if (graph == nullptr) return;
  if (plan == nullptr) return graph->SetImportPreview({});
  char largest[32], where[32];
  std::snprintf(largest, sizeof largest, "%.2f", plan->max_deviation_db);
  std::snprintf(where, sizeof where, "%.0f", plan->worst_hz);
  const auto label = [](const std::string& text) { return QString::fromStdString(text); };
  graph->SetImportPreview(
      {plan->freq, plan->file_db, plan->result_db, label(Text("${import_preview_file}")),
       label(model::FillPlaceholders(Text("${import_preview_result}"), {std::to_string(output + 1)})),
       label(model::FillPlaceholders(Text("${import_preview_deviation}"), {largest, where}))});
}

void ImportFiltersForCurrentOutput(CMainWnd& window, model::EqualizerManager& manager) {
  const auto path = window.Dialogs().GetOpenFileName("${import_filters}", kFilterFiles);
  if (!path || path->empty()) return;
  DebugPrint("import filters from %s\n", path->c_str());
  const auto content = model::ReadFileText(*path);
  if (!content) return Refuse(window, "${filter_file_error}", *path);
  const model::FilterText text = model::ParseFilterText(*content);
  if (!text.error.empty()) {
    return Refuse(window, "${filter_file_error}", model::InCurrentLanguage(text.error));
  }
  const auto lines = ChooseChannel(window, text);
  if (!lines) return;
  const int output = manager.CurrentChannel();
  const model::FilterImportPlan plan =
      model::PlanFilterImport(*lines, manager.LiveProfile().channels[output]);
  const std::string question =
      plan.NeedsForce()
          ? Text("${import_filters_refused}")
          : model::FillPlaceholders(Text("${import_filters_ask}"), {std::to_string(output + 1)});
  // Nothing is sent before the user has seen the result against the file, on the graph and
  // in figures.
  ShowImportPreview(window, &plan, output);
  const bool apply = window.Dialogs().ShowChoiceDialog("${tips}", question + "\n" + Preview(plan),
                                                       {"${confirm}", "${cancel}"}) ==
                     kit::kResultConfirm;
  ShowImportPreview(window, nullptr, output);
  if (apply) manager.Editing().ApplyBands(output, plan.bands);
}

void ExportFiltersOfCurrentOutput(CMainWnd& window, model::EqualizerManager& manager) {
  const int output = manager.CurrentChannel();
  const int format = window.Dialogs().ShowChoiceDialog(
      "${tips}",
      model::FillPlaceholders(Text("${export_filters_format}"), {std::to_string(output + 1)}),
      {"Equalizer APO", "${cancel}", "REW"});
  if (format == kit::kResultCancel) return;
  auto path = window.Dialogs().GetSaveFileName("${export_filters}", kFilterFiles, "filters.txt");
  if (!path || path->empty()) return;
  if (std::filesystem::path(*path).extension().empty()) *path += ".txt";
  const model::ChannelSettings& channel = manager.LiveProfile().channels[output];
  const std::string text = model::WriteFilterText(
      format == kit::kResultThird ? model::FilterTextFormat::kRew : model::FilterTextFormat::kApo,
      model::ActiveBands(channel), model::CrossoverComments(channel.crossover),
      "Tolva DSP output " + std::to_string(output + 1));
  if (!model::WriteFileAtomically(*path, text)) {
    window.Dialogs().ShowMessageBox("${profile_create_error}", "${tips}");
  }
}

}  // namespace tolva::ui
