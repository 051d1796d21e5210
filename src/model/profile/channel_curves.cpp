#include "model/profile/channel_curves.h"

#include <algorithm>

namespace tolva::model {
namespace {

dsp::CrossoverFilterInput FilterInput(const FilterSettings& f) {
  return {f.fs, f.type, f.slope, f.bypass};
}

}  // namespace

void ComputeChannelCurves(const Profile& profile, int channel, dsp::ChannelCurves& out) {
  if (channel < 0 || channel >= kOutputChannels) {
    out = dsp::ChannelCurves{};
    return;
  }
  const ChannelSettings& ch = profile.channels[channel];
  std::array<dsp::PeakingBandInput, kEqBands> bands;
  const int in_use = std::clamp(ch.eqSize, 0, kEqBands);
  for (int b = 0; b < in_use; ++b) {
    const EqBand& band = ch.eqArray[b];
    bands[b] = {static_cast<double>(band.freq), static_cast<double>(band.eqGain),
                static_cast<double>(band.eqFactor), band.enable == 1};
  }
  const dsp::ChannelResponseInput input{FilterInput(ch.crossover.hp), FilterInput(ch.crossover.lp),
                                        std::span(bands.data(), static_cast<std::size_t>(in_use)),
                                        ch.bypass == 1};
  dsp::StandardEvaluator().Compute(input, out);
}

}  // namespace tolva::model
