#pragma once

class CMainWnd;
namespace tolva::model {
class EqualizerManager;
struct FilterImportPlan;
}

// The Options menu's filter exchange for the current output: Equalizer APO or REW text read
// onto its bands (after a preview of what had to be adapted) or written from them.
namespace tolva::ui {

void ImportFiltersForCurrentOutput(CMainWnd& window, model::EqualizerManager& manager);
void ExportFiltersOfCurrentOutput(CMainWnd& window, model::EqualizerManager& manager);

// The plan's file curve, result and deviation over the graph (output counted from 0); null
// takes them away.
void ShowImportPreview(CMainWnd& window, const model::FilterImportPlan* plan, int output);

}  // namespace tolva::ui
