// Imported filters onto an output: its whole band table at once, the equalizer in use.
#include "base/debug_print.h"
#include "model/channel_editor.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::model {
namespace {

// What the unit holds of a band: a disabled band is sent as 0 dB.
bool SameOnUnit(const EqBand& a, const EqBand& b) {
  const auto gain = [](const EqBand& x) { return x.enable == 1 ? GainStepOf(x.eqGain) : 0; };
  return a.freq == b.freq && QStepOf(a.eqFactor) == QStepOf(b.eqFactor) && gain(a) == gain(b);
}

}  // namespace

void ChannelEditor::ApplyChannelBands(int channel, const std::array<EqBand, kEqBands>& bands) {
  DebugPrint(L"ApplyChannelBands channel %d\n", channel);
  if (channel < 0 || channel >= kOutputChannels) return;
  // As on the window: the output becomes current, and a linked partner follows it.
  if (ctx_.unit->live.currChannel != channel) SetCurChannelChange(channel);
  std::vector<int> targets{channel};
  if (const int partner = ctx_.Partner(); partner >= 0) targets.push_back(partner);
  for (int target : targets) {
    ChannelSettings& ch = ctx_.unit->live.channels[target];
    const int count = std::min(ch.eqSize, kEqBands);
    // Only what the unit would hold differently is sent.
    for (int b = 0; b < count; ++b) {
      const bool send = !SameOnUnit(ch.eqArray[b], bands[b]);
      ch.eqArray[b] = bands[b];
      if (send) SendBand(target, b, ch.eqArray[b].enable == 1 ? ch.eqArray[b].eqGain : 0.0f);
    }
    if (ch.bypass != 0) {
      ch.bypass = 0;
      SendBypass(target);
    }
  }
  RefreshBandRows(channel);
  ShowBypassButtonFromBands();
  ctx_.UpdateEqualizer(-1);
}

}  // namespace tolva::model
