#include "model/profile/profile.h"

#include <algorithm>

#include "model/profile/input_sources.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

constexpr std::array<int, kOutputChannels> kSixOutputRoles{6, 12, 15, 18, 22, 23};
constexpr std::array<int, kOutputChannels> kEightOutputRoles{6, 12, 15, 18, 19, 20};
constexpr int kDefaultTrim = 100;

void ResetBand(EqBand& band, int position) {
  band = EqBand{};
  band.freq = kBandCentres[position];
}

}  // namespace

const std::array<int, kOutputChannels>& DefaultRoles(bool six_outputs) {
  return six_outputs ? kSixOutputRoles : kEightOutputRoles;
}

void FilterSettings::StoreFs(int value) {
  fs = value >= kMinFrequency && value <= kMaxFrequency ? value : kMinFrequency;
}

void FilterSettings::StoreType(int value) {
  type = value >= 1 && value <= 3 ? value : 1;
}

void FilterSettings::StoreSlope(int value) {
  slope = value < 0 ? 0 : value;
  bypass = slope == 0 ? 1 : 0;
}

FilterSettings FilterSettings::Make(int fs, int type, int slope) {
  return {fs, type, slope, slope == 0 ? 1 : 0};
}

Crossover MakeCrossover(const FilterSettings& hp, const FilterSettings& lp) {
  const int bp_type = (hp.slope != 0 ? 1 : 0) | (lp.slope != 0 ? 2 : 0);
  return {bp_type, hp, lp};
}

Profile::Profile() {
  ResetProfile(*this);
}

void ResetProfile(Profile& p, bool six_outputs) {
  p.channelCount = six_outputs ? 6 : 8;
  p.modelId = kNoModel;
  p.deviceInfo[0] = -1;
  p.deviceInfo[1] = -1;
  p.noiseThreshold = -40;
  p.powerOffDelay = 0;
  p.howlingControl = 0;
  p.micVolume = 60;
  p.bgMusicVolume = 60;
  p.voiceChanger = 0;
  p.echoLevel = 0;
  p.echoDelay = 0;
  p.reverbLevel = 0;
  p.reverbTime = 0;
  p.outputs = six_outputs ? kSixOutputRoles : kEightOutputRoles;
  p.currChannel = 0;
  p.linkMode = 0;
  p.lockMode = 0;
  p.linkOutputs.fill(-1);
  p.source = 0;
  p.subVolume = 0;
  p.editScene = 0;
  p.mainVolumeMute = 0;
  p.mainVolume = -5;
  for (int s = 0; s < kInputSources; ++s) p.inputs[s] = SourceInfo(s).default_routing;
  for (auto& per_source : p.inputMixTrim) {
    for (auto& per_input : per_source) per_input.fill(kDefaultTrim);
  }
  p.showChEqualizer.fill(0);
  for (auto& table : p.spareBands) {
    for (int b = 0; b < kSpareBands; ++b) ResetBand(table[b], b);
  }
  // Last: the channels take their crossovers from the roles just stored.
  for (int c = 0; c < kOutputChannels; ++c) {
    ChannelSettings& ch = p.channels[c];
    for (int b = 0; b < kEqBands; ++b) ResetBand(ch.eqArray[b], b);
    ch.eqSize = kEqBands;
    ch.gain = 0;
    ch.delay = 0.0f;
    ch.mute = 0;
    ch.phase = kPhaseNormal;  // a fresh profile plays every output as it comes
    ch.bypass = 1;
    ch.crossover = DefaultCrossoverOfRole(p.outputs[c]);
  }
}

EqBand* BandTable(Profile& profile, int channel) {
  return channel >= 0 && channel < kOutputChannels ? profile.channels[channel].eqArray.data()
                                                   : nullptr;
}

const EqBand* BandTable(const Profile& profile, int channel) {
  return BandTable(const_cast<Profile&>(profile), channel);
}

int BandsInUse(const Profile& profile, int channel) {
  return channel >= 0 && channel < kOutputChannels ? profile.channels[channel].eqSize : 0;
}

void SetSceneName(SceneNameSlot& slot, std::u16string_view name) {
  slot.fill(0);
  const std::size_t chars = std::min<std::size_t>(name.size(), kSceneNameChars);
  for (std::size_t i = 0; i < chars; ++i) {
    slot[2 * i] = static_cast<std::uint8_t>(name[i] & 0xFF);
    slot[2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
  }
}

std::u16string SceneName(const SceneNameSlot& slot) {
  std::u16string name;
  for (std::size_t i = 0; i + 1 < slot.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(slot[i] | (slot[i + 1] << 8));
    if (c == 0) break;
    name.push_back(c);
  }
  return name;
}

Profile* UnitSettings::ProfileOfScene(int scene) {
  if (scene == 0) return &live;
  return scene >= 1 && scene <= kStoredScenes ? &scenes[scene - 1] : nullptr;
}

const Profile* UnitSettings::ProfileOfScene(int scene) const {
  return const_cast<UnitSettings*>(this)->ProfileOfScene(scene);
}

}  // namespace tolva::model
