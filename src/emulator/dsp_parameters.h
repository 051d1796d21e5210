#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "emulator/unit_state.h"

namespace tolva::emulator {

// Group 1 (DSP parameters) as the unit's firmware sees it: commands change the memory, requests
// are answered from it. Pure functions over UnitState; framing and faults are EmulatedUnit's.

enum class SetResult {
  kApplied,   // acknowledged ready
  kRejected,  // malformed or out of range: acknowledged not ready, nothing changed
  kIgnored,   // a sub this unit does not model: acknowledged ready, nothing changed
};

SetResult ApplyDspSet(UnitState& unit, std::uint8_t sub, std::span<const std::uint8_t> payload);

// True for the requests this unit answers; others get no reply at all.
bool KnowsDspRequest(std::uint8_t sub);

// The reply data (after sub and op) for a request, or nullopt when the request is malformed or
// unknown. Lists that would not fit one frame are cut short, and the reply's range says so.
std::optional<std::vector<std::uint8_t>> AnswerDspGet(const UnitState& unit, std::uint8_t sub,
                                                      std::span<const std::uint8_t> payload);

}  // namespace tolva::emulator
