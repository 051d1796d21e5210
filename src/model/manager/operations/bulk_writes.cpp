// Writing whole profiles to the unit: the live scene after a scene file, every stored scene and
// then the live one after a whole-unit file.
#include <string>

#include "base/debug_print.h"
#include "device/link/exchange_tally.h"
#include "device/protocol/scene_name_codec.h"
#include "model/edits/profile_transition.h"
#include "model/profile/scene_names.h"
#include "model/manager/operations/unit_operations.h"

namespace tolva::model {

namespace {

constexpr int kSource = 0;
constexpr int kLast = kOutputChannels - 1;

template <class F>
std::array<int, kOutputChannels> PerOutput(const Profile& p, F&& field) {
  std::array<int, kOutputChannels> values{};
  for (int ch = 0; ch < kOutputChannels; ++ch) values[ch] = field(p.channels[ch]);
  return values;
}


}  // namespace

// Everything of one scene but the unit-wide values (volume, mute, source). Written one by one,
// it stops once the unit has stopped answering (ExchangeTally::GoOn): otherwise it would wait
// out a time-out per command, over half an hour per scene.
void UnitOperations::WriteSceneValues(const Profile& p, int scene, bool sync) {
  device::DspLink& l = *ctx_.link;
  const device::ExchangeTally tally;
  for (int ch = 0; ch < kOutputChannels && tally.GoOn(); ++ch) {
    const ChannelSettings& c = p.channels[ch];
    const FilterSettings& lp = c.crossover.lp;
    const FilterSettings& hp = c.crossover.hp;
    l.Filter_Ctrl(scene, kSource, ch, kLowPassFilter, lp.type, lp.fs, lp.slope, sync);
    l.Filter_Ctrl(scene, kSource, ch, kHighPassFilter, hp.type, hp.fs, hp.slope, sync);
    // All 31: the unit plays every band, also one the file switched off or does not use.
    for (int band = 0; band < kEqBands && tally.GoOn(); ++band) {
      const BandOnUnit b = BandAsSent(c, band);
      l.EQ_Ctrl(scene, kSource, ch, band, b.freq, b.q, b.gain, sync);
    }
  }
  if (!tally.GoOn()) return;
  l.CH_Type_Ctrl(scene, kSource, 0, kLast, p.outputs, sync);
  // The link takes the gains and sends their attenuation.
  l.Trim_Ctrl(scene, kSource, 0, kLast, PerOutput(p, [](auto& c) { return c.gain; }), sync);
  l.Mute_Ch_Ctrl(scene, kSource, 0, kLast, PerOutput(p, [](auto& c) { return c.mute; }), sync);
  l.Phase_Ctrl(scene, kSource, 0, kLast, PerOutput(p, [](auto& c) { return c.phase; }), sync);
  std::array<float, kOutputChannels> delays{};
  for (int ch = 0; ch < kOutputChannels; ++ch) delays[ch] = p.channels[ch].delay;
  l.Delay_Ctrl(scene, kSource, 0, kLast, delays, sync);
  l.PEQ_Bypass_Ctrl(scene, kSource, 0, kLast,
                    PerOutput(p, [](auto& c) { return static_cast<int>(c.bypass); }), sync);
  for (int source = 0; source < kInputSources; ++source) {
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      DebugPrint(L"source = %d, out_ch=%d, in=0x%x\n", source, ch, p.inputs[source][ch]);
    }
    l.Mix_Ch_Ctrl(scene, source, 0, kLast, p.inputs[source], sync);
  }
}

UnitOutcome UnitOperations::SetReadCurProfileToMCU(const Profile& profile) {
  DebugPrint(L"EqualizerManager::SetReadCurProfileToMCU\n");
  device::ExchangeTally tally;
  ctx_.link->Main_Volume_Ctrl(profile.mainVolume, true);
  if (tally.GoOn()) ctx_.link->Mute_Ctrl(profile.mainVolumeMute, true);
  if (tally.GoOn()) WriteSceneValues(profile, 0, true);
  return OutcomeOf(tally);
}

UnitOutcome UnitOperations::SetReadWholeProfileToMCU(const UnitSettings& unit) {
  DebugPrint(L"EqualizerManager::SetReadWholeProfileToMCU\n");
  device::ExchangeTally tally;
  for (int k = 1; k <= kStoredScenes && tally.GoOn(); ++k) {
    DebugPrint(L"set scene(%d)\n", k);
    WriteSceneValues(unit.scenes[k - 1], k, true);
    if (!tally.GoOn()) break;
    const auto name = UnitNameOfSlot(unit.sceneName[k - 1]);
    ctx_.link->SetSceneName(k, name);
    ctx_.link->SaveScene(k, 1);
  }
  if (!tally.GoOn()) return OutcomeOf(tally);
  // The live part goes through the queue; it has completed when every queued command was
  // sent and acknowledged, none dropped.
  device::DspLink& l = *ctx_.link;
  const std::uint64_t lost_before = l.QueuedCommandsLost();
  const Profile& live = unit.live;
  l.Main_Volume_Ctrl(live.mainVolume, false);
  l.Mute_Ctrl(live.mainVolumeMute, false);
  WriteSceneValues(live, 0, false);
  ctx_.clock.SleepMs(kWholeWriteSettleMs);
  l.AwaitQueuedSince(lost_before, kQueueDrainLimitMs);
  return OutcomeOf(tally);
}

}  // namespace tolva::model
