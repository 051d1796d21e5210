#include "base/debug_print.h"
#include "model/equalizer_manager.h"
#include "model/output_links.h"

namespace tolva::model {

void EqualizerManager::RefreshFromProfile() {
  Profile& p = unit_->live;
  if (p.linkMode == 1) {
    p.lockMode = 1;
    RecomputeLinkOutputs(p);
  } else {
    p.linkOutputs.fill(-1);
  }
  ComputeAllResponses();
  view_->RefreshFromProfile();
  UpdateEqualizer(-1);
}

void EqualizerManager::UpdateAllVolumeEdit() {
  DebugPrint(L"EqualizerManager::UpdateAllVolumeEdit\n");
  view_->UpdateAllVolumeEdit();
}

void EqualizerManager::UpdateEqualizer(int band) {
  const std::int64_t start = clock_.NowMs();
  ComputeCurrentResponses();
  DebugPrint(L"UpdateEqualizer 0 cost time %d ms\n", static_cast<int>(clock_.NowMs() - start));
  view_->UpdateEqualizer(band);
  DebugPrint(L"UpdateEqualizer 1 cost time %d ms\n", static_cast<int>(clock_.NowMs() - start));
}

}  // namespace tolva::model
