#pragma once

// The unit's phase byte per output. 1 is the unit's factory value and every fresh profile's, so
// it is the polarity the output plays as it comes; 0 inverts it. (Read the other way round, a
// factory reset would show every output inverted.)
namespace tolva::model {

inline constexpr int kPhaseNormal = 1;
inline constexpr int kPhaseInverted = 0;

constexpr bool PolarityInverted(int phase) {
  return phase == kPhaseInverted;
}
constexpr int PhaseValue(bool inverted) {
  return inverted ? kPhaseInverted : kPhaseNormal;
}

}  // namespace tolva::model
