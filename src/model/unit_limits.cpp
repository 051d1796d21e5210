#include "model/unit_limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "model/control_ranges.h"
#include "model/edit_rules.h"

namespace tolva::model {

std::string FirstValueBeyondUnitLimits(const Profile& p, const std::string& where) {
  char text[160] = "";
  const auto outside = [&](const std::string& key, double value, double low, double high) {
    if (std::isfinite(value) && value >= low && value <= high) return false;
    std::snprintf(text, sizeof text, "%s%s %g is outside %g … %g", where.c_str(), key.c_str(),
                  value, low, high);
    return true;
  };
  if (outside("mainVolume", p.mainVolume, kMainVolumeSliderMin,
              kMainVolumeSliderMax)) {
    return text;
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    const ChannelSettings& ch = p.channels[c];
    const std::string at = "channels/" + std::to_string(c) + "/";
    if (outside(at + "gain", ch.gain, kChannelVolumeSliderMin,
                kChannelVolumeSliderMax) ||
        outside(at + "delay", ch.delay, 0, kMaxDelayMs)) {
      return text;
    }
    for (const auto& [name, f] : {std::pair{"hp", ch.crossover.hp}, std::pair{"lp", ch.crossover.lp}}) {
      const std::string corner = at + "crossover/" + name + "/";
      if (outside(corner + "fs", f.fs, kMinFrequency, kMaxFrequency) ||
          outside(corner + "type", f.type, 1, 3) || outside(corner + "slope", f.slope, 0, kMaxSlope)) {
        return text;
      }
    }
    for (int b = 0; b < std::clamp(ch.eqSize, 0, kEqBands); ++b) {
      const EqBand& band = ch.eqArray[b];
      const std::string key = at + "eqArray/" + std::to_string(b) + "/";
      if (outside(key + "freq", band.freq, kMinFrequency, kMaxFrequency) ||
          outside(key + "eqFactor", band.eqFactor, kMinQ, kMaxQ) ||
          outside(key + "eqGain", band.eqGain, kBandGainMinDb, kBandGainMaxDb)) {
        return text;
      }
    }
  }
  return {};
}

std::string FirstValueBeyondUnitLimits(const UnitSettings& unit, bool whole) {
  std::string problem = FirstValueBeyondUnitLimits(unit.live, whole ? "currentProfile: " : "");
  for (int k = 0; whole && problem.empty() && k < kStoredScenes; ++k) {
    problem = FirstValueBeyondUnitLimits(unit.scenes[k], "sceneArray/" + std::to_string(k) + "/");
  }
  return problem;
}

}  // namespace tolva::model
