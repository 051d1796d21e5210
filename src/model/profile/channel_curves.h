#pragma once

#include <array>

#include "dsp_math/channel_response.h"
#include "model/profile/profile.h"

// The response curves of a profile's channels, fed from the settings model.
namespace tolva::model {

// Computes one channel's curves (the channel's first eqSize bands, its crossover and bypass
// flags). Channels outside 0 … 5 give flat curves.
void ComputeChannelCurves(const Profile& profile, int channel, dsp::ChannelCurves& out);

}  // namespace tolva::model
