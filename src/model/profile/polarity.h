#pragma once

// The unit's phase byte per output: 0 plays the output as it comes, any other value inverts it.
// A fresh profile and the emulated unit's factory state hold 0, so nothing starts inverted.
namespace tolva::model {

inline constexpr int kPhaseNormal = 0;
inline constexpr int kPhaseInverted = 1;

constexpr bool PolarityInverted(int phase) {
  return phase != kPhaseNormal;
}
constexpr int PhaseValue(bool inverted) {
  return inverted ? kPhaseInverted : kPhaseNormal;
}

}  // namespace tolva::model
