#include "model/edits/unit_limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"

namespace tolva::model {
namespace {

// Collects the first value outside its range, keyed as in the file.
class LimitCheck {
 public:
  explicit LimitCheck(const std::string& where) : where_(where) {}
  // True when the value is outside low … high (the problem is noted); later calls then pass.
  bool Outside(const std::string& key, double value, double low, double high) {
    if (!problem_.empty()) return true;
    if (std::isfinite(value) && value >= low && value <= high) return false;
    char text[160];
    std::snprintf(text, sizeof text, "%s%s %g is outside %g … %g", where_.c_str(), key.c_str(),
                  value, low, high);
    problem_ = text;
    return true;
  }
  // A flag the unit and the window know as 0 or 1 only.
  bool NotFlag(const std::string& key, double value) { return Outside(key, value, 0, 1); }
  const std::string& Problem() const { return problem_; }

 private:
  const std::string& where_;
  std::string problem_;
};

bool ChannelBeyond(LimitCheck& check, const ChannelSettings& ch, const std::string& at) {
  if (check.Outside(at + "gain", ch.gain, kChannelVolumeSliderMin, kChannelVolumeSliderMax) ||
      check.Outside(at + "delay", ch.delay, 0, kMaxDelayMs) || check.NotFlag(at + "mute", ch.mute) ||
      check.NotFlag(at + "phase", ch.phase) || check.NotFlag(at + "bypass", ch.bypass)) {
    return true;
  }
  for (const auto& [name, f] : {std::pair{"hp", ch.crossover.hp}, std::pair{"lp", ch.crossover.lp}}) {
    const std::string corner = at + "crossover/" + name + "/";
    if (check.Outside(corner + "fs", f.fs, kMinFrequency, kMaxFrequency) ||
        check.Outside(corner + "type", f.type, 1, 3) ||
        check.Outside(corner + "slope", f.slope, 0, kMaxSlope)) {
      return true;
    }
  }
  for (int b = 0; b < std::clamp(ch.eqSize, 0, kEqBands); ++b) {
    const EqBand& band = ch.eqArray[b];
    const std::string key = at + "eqArray/" + std::to_string(b) + "/";
    if (check.Outside(key + "freq", band.freq, kMinFrequency, kMaxFrequency) ||
        check.Outside(key + "eqFactor", band.eqFactor, kMinQ, kMaxQ) ||
        check.Outside(key + "eqGain", band.eqGain, kBandGainMinDb, kBandGainMaxDb)) {
      return true;
    }
  }
  return false;
}

// Roles and link partners are codes the unit and the window know (a partner is
// recomputed from the roles when linked, but a code beyond the outputs is no file of ours); a
// routing mask is one byte on the wire.
bool OutputSetBeyond(LimitCheck& check, const Profile& p) {
  if (check.NotFlag("linkMode", p.linkMode) || check.NotFlag("lockMode", p.lockMode)) {
    return true;
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    const std::string n = std::to_string(c);
    if (check.Outside("outputs/" + n, p.outputs[c], 0, kSpeakerRoles - 1) ||
        check.Outside("linkOutputs/" + n, p.linkOutputs[c], -1, kOutputChannels - 1)) {
      return true;
    }
  }
  for (int s = 0; s < kInputSources; ++s) {
    for (int c = 0; c < kOutputChannels; ++c) {
      if (check.Outside("inputs/" + std::to_string(s) + "/" + std::to_string(c), p.inputs[s][c], 0,
                        255)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::string FirstValueBeyondUnitLimits(const Profile& p, const std::string& where) {
  LimitCheck check(where);
  if (check.Outside("mainVolume", p.mainVolume, kMainVolumeSliderMin, kMainVolumeSliderMax) ||
      check.NotFlag("mainVolumeMute", p.mainVolumeMute)) {
    return check.Problem();
  }
  for (int c = 0; c < kOutputChannels; ++c) {
    if (ChannelBeyond(check, p.channels[c], "channels/" + std::to_string(c) + "/")) {
      return check.Problem();
    }
  }
  OutputSetBeyond(check, p);
  return check.Problem();
}

std::string FirstValueBeyondUnitLimits(const UnitSettings& unit, bool whole) {
  std::string problem = FirstValueBeyondUnitLimits(unit.live, whole ? "currentProfile: " : "");
  for (int k = 0; whole && problem.empty() && k < kStoredScenes; ++k) {
    problem = FirstValueBeyondUnitLimits(unit.scenes[k], "sceneArray/" + std::to_string(k) + "/");
  }
  return problem;
}

}  // namespace tolva::model
