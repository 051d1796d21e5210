// Renders the main window's equalizer graph while an import of an AutoEq file with shelves waits
// for confirmation: the file's curve, what the output would play and their deviation, against the
// in-process emulated unit: ui_controls_import_preview_snapshot FILE.png [SCALE_PERCENT]
#include <QImage>

#include "model/manager/equalizer_manager.h"
#include "model/interchange/filter_exchange.h"
#include "model/interchange/filter_exchange_import.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/screen/filter_exchange_actions.h"
#include "ui_controls/snapshot_window.h"

namespace {

using tolva::curves::UIEqualizer;

constexpr const char* kAutoEq =
    "Preamp: -6.9 dB\nFilter 1: ON LSC Fc 105 Hz Gain 6.2 dB Q 0.70\n"
    "Filter 2: ON PK Fc 182 Hz Gain -3.4 dB Q 0.43\nFilter 3: ON PK Fc 1458 Hz Gain 2.9 dB Q 1.62\n"
    "Filter 4: ON PK Fc 3024 Hz Gain -4.7 dB Q 3.02\nFilter 5: ON PK Fc 5190 Hz Gain 5.8 dB Q 4.41\n"
    "Filter 6: ON PK Fc 7322 Hz Gain -3.9 dB Q 2.95\nFilter 7: ON HSC Fc 10000 Hz Gain -4.3 dB Q 0.70\n";

bool Render(tolva::testing::SnapshotWindow& snapshot, const QString& file) {
  CMainWnd& window = snapshot.Window();
  tolva::model::EqualizerManager& m = snapshot.Manager();
  tolva::model::ChannelSettings& ch = m.LiveProfile().channels[0];
  ch.bypass = 0;
  ch.eqArray[4] = {-3.0f, 2.0f, 400, 1};  // what the output plays before the import
  m.RefreshFromProfile();
  window.show();
  QCoreApplication::processEvents();

  const tolva::model::FilterText text = tolva::model::ParseFilterText(kAutoEq);
  const auto lines = tolva::model::FiltersForChannel(text, "", nullptr);
  if (!lines) return false;
  const tolva::model::FilterImportPlan plan = tolva::model::PlanFilterImport(*lines, ch);
  tolva::ui::ShowImportPreview(window, &plan, 0);
  QCoreApplication::processEvents();
  auto* graph = window.findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  return graph->grab().toImage().save(file);
}

}  // namespace

int main(int argc, char** argv) {
  return tolva::testing::RunSnapshot(argc, argv, Render);
}
