#pragma once

#include <vector>

#include "device/link/dsp_link.h"
#include "model/edits/profile_transition.h"

// Where parameter commands meet the link: the settings describe what to send, this sends it.
namespace tolva::model {

// Hands each command to its builder: synchronous exchanges (workers, the CLI) or queued (the
// window thread).
void SendCommands(device::DspLink& link, const std::vector<ParameterCommand>& commands, bool sync);

}  // namespace tolva::model
