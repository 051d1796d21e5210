#pragma once

class CMainWnd;
namespace tolva::model {
class EqualizerManager;
}

// The Options menu's measurement overlay: a REW or FRD measurement text laid over the current
// output's curve on the equalizer graph, with the result its settings predict.
namespace tolva::ui {

void OverlayMeasurementOnCurrentOutput(CMainWnd& window, model::EqualizerManager& manager);
void ClearMeasurementOfCurrentOutput(CMainWnd& window, model::EqualizerManager& manager);
bool CurrentOutputHasMeasurement(CMainWnd& window, const model::EqualizerManager& manager);

}  // namespace tolva::ui
