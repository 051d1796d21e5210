#include "model/manager/manager_context.h"

#include <algorithm>

#include "base/debug_print.h"
#include "model/profile/channel_curves.h"
#include "model/edits/eq_mode.h"
#include "model/profile/output_links.h"

namespace tolva::model {

ManagerContext::ManagerContext(device::TransportFactory factory, Clock& clock_in)
    : clock(clock_in),
      unit(std::make_unique<UnitSettings>()),
      link(std::make_unique<device::DspLink>(std::move(factory), clock_in)) {
  ResetProfile(unit->live, true);
  for (SceneNameSlot& slot : unit->sceneName) slot.fill(0);
  link->SetNotificationSink(device::TargetWindow::kMain, main_sink.load());
}

int ManagerContext::CurrentChannel() const {
  return std::clamp(unit->live.currChannel, 0, kOutputChannels - 1);
}

void ManagerContext::SelectOutput(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  unit->live.currChannel = channel;
  view->ShowCurrentStrip();
  UpdateEqualizer(-1);
}

int ManagerContext::Partner() const {
  return LinkedPartner(unit->live, unit->live.currChannel);
}

EqBandCounts ManagerContext::LiveEqBandCounts() const {
  EqBandCounts bands{};
  for (int ch = 0; ch < kOutputChannels; ++ch) bands[ch] = unit->live.channels[ch].eqSize;
  return bands;
}

void ManagerContext::PostMain(std::uint32_t message) {
  main_sink.load()->Post(device::Notification{message, 0, 0, nullptr});
}

void ManagerContext::NotifyPresence(bool present) {
  // A copy: a listener may remove itself.
  const auto listeners = presence_listeners;
  for (const auto& [id, listener] : listeners) listener(present);
}

void ManagerContext::PostFailure(UnitOperation operation, UnitOutcome outcome) {
  DebugPrint(L"operation %d not completed: %ls\n", static_cast<int>(operation),
             outcome == UnitOutcome::kUnitGone ? L"the unit is gone" : L"a request unanswered");
  main_sink.load()->Post(device::Notification{MSG_OPERATION_FAILED,
                                              static_cast<std::int64_t>(operation),
                                              static_cast<std::int64_t>(outcome), nullptr});
}

void ManagerContext::ComputeChannelResponse(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ComputeChannelCurves(unit->live, channel, curves[channel]);
}

void ManagerContext::ComputeCurrentResponses() {
  const int current = unit->live.currChannel;
  ComputeChannelResponse(current);
  if (current < 0 || current >= kOutputChannels) return;
  const int partner = unit->live.linkOutputs[current];
  if (partner != current) ComputeChannelResponse(partner);
}

void ManagerContext::ComputeAllResponses() {
  for (int c = 0; c < kOutputChannels; ++c) ComputeChannelResponse(c);
}

void ManagerContext::UpdateEqualizer(int band) {
  const std::int64_t start = clock.NowMs();
  ComputeCurrentResponses();
  DebugPrint(L"UpdateEqualizer 0 cost time %d ms\n", static_cast<int>(clock.NowMs() - start));
  view->UpdateEqualizer(band);
  DebugPrint(L"UpdateEqualizer 1 cost time %d ms\n", static_cast<int>(clock.NowMs() - start));
}

void ManagerContext::RefreshFromProfile() {
  Profile& p = unit->live;
  AdoptPeqModeOfValues(p);
  if (p.linkMode == 1) {
    p.lockMode = 1;
    RecomputeLinkOutputs(p);
  } else {
    p.linkOutputs.fill(-1);
  }
  ComputeAllResponses();
  view->RefreshFromProfile();
  UpdateEqualizer(-1);
}

}  // namespace tolva::model
