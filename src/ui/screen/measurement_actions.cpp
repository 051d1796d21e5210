#include "ui/screen/measurement_actions.h"

#include <string>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/manager/equalizer_manager.h"
#include "model/interchange/measurement.h"
#include "model/files/profile_files.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/dialogs.h"
#include "ui/main/main_wnd.h"

namespace tolva::ui {
namespace {

constexpr const char* kMeasurementFiles = "${measurement_files_filter}";

curves::UIEqualizer* Graph(CMainWnd& window) {
  return window.findChild<curves::UIEqualizer*>(QStringLiteral("equalizer"));
}

void Refuse(CMainWnd& window, const std::string& detail) {
  window.Dialogs().ShowMessageBox(Languages().Resolve("${measurement_file_error}") + "\n" + detail,
                                  "${tips}");
}

}  // namespace

void OverlayMeasurementOnCurrentOutput(CMainWnd& window, model::EqualizerManager& manager) {
  curves::UIEqualizer* graph = Graph(window);
  if (graph == nullptr) return;
  const auto path = window.Dialogs().GetOpenFileName("${overlay_measurement}", kMeasurementFiles);
  if (!path || path->empty()) return;
  DebugPrint("overlay measurement %s\n", path->c_str());
  const auto content = model::ReadFileText(*path);
  if (!content) return Refuse(window, *path);
  const model::MeasurementText text = model::ParseMeasurementText(*content);
  if (!text.error.empty()) {
    return Refuse(window, *path + "\n" + model::InCurrentLanguage(text.error));
  }
  const dsp::Curve levels = model::MeasurementAtGraphLevel(text.measurement, manager.Grid());
  graph->SetMeasurement(manager.CurrentChannel(), levels);
}

void ClearMeasurementOfCurrentOutput(CMainWnd& window, model::EqualizerManager& manager) {
  if (curves::UIEqualizer* graph = Graph(window))
    graph->SetMeasurement(manager.CurrentChannel(), {});
}

bool CurrentOutputHasMeasurement(CMainWnd& window, const model::EqualizerManager& manager) {
  const curves::UIEqualizer* graph = Graph(window);
  return graph != nullptr && graph->Overlay().Has(manager.CurrentChannel());
}

}  // namespace tolva::ui
