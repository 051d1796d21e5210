#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "model/profile/polarity.h"

// The settings model: one record shape for the live settings and each stored scene. Field names
// are the profile-file keys. Plain values throughout, so a profile copies deeply and a scratch
// copy can be committed with one assignment.
namespace tolva::model {

inline constexpr int kOutputChannels = 6;
inline constexpr int kEqBands = 31;
inline constexpr int kInputSources = 7;
inline constexpr int kMixerInputs = 8;
inline constexpr int kSpeakerRoles = 25;
inline constexpr int kStoredScenes = 10;
inline constexpr int kSceneNameBytes = 16;
// Characters of a name a slot holds: UTF-16 with its terminating zero.
inline constexpr int kSceneNameChars = kSceneNameBytes / 2 - 1;
inline constexpr int kSpareBandTables = 2;
inline constexpr int kSpareBands = 11;
// The only model number this program serves.
inline constexpr int kModelNumber = 19;
inline constexpr int kNoModel = -1;

inline constexpr int kMinFrequency = 20;
inline constexpr int kMaxFrequency = 20000;
inline constexpr int kMaxSlope = 8;
// The crossover type whose orders are even only (an odd slope plays as the next order).
inline constexpr int kLinkwitzRiley = 2;
// The filter field of a crossover command.
inline constexpr int kLowPassFilter = 1;
inline constexpr int kHighPassFilter = 2;

// The 31 ISO one-third-octave centres, the default frequency of band i.
inline constexpr std::array<int, kEqBands> kBandCentres{
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

struct EqBand {
  float eqGain = 0.0f;    // dB
  float eqFactor = 5.8f;  // Q
  std::int32_t freq = 1000;
  std::uint8_t enable = 1;  // 0: the band counts as flat

  bool operator==(const EqBand&) const = default;
};

struct FilterSettings {
  std::int32_t fs = 20;
  std::int32_t type = 1;
  std::int32_t slope = 0;   // 0: off; 1 … 8 = order, 6 dB per octave per step
  std::int32_t bypass = 1;  // 1 exactly when the slope is 0

  // Store rules: an fs outside 20 … 20000 becomes 20 (not the nearer bound), a type outside
  // 1 … 3 becomes 1, a negative slope 0; storing a slope recomputes bypass.
  void StoreFs(int value);
  void StoreType(int value);
  void StoreSlope(int value);
  // Built from table values as they are; bypass follows the slope.
  static FilterSettings Make(int fs, int type, int slope);

  bool operator==(const FilterSettings&) const = default;
};

struct Crossover {
  std::int32_t bpType = 0;  // 0 none, 1 high-pass only, 2 low-pass only, 3 both
  FilterSettings hp{20, 1, 0, 1};
  FilterSettings lp{20000, 1, 0, 1};

  bool operator==(const Crossover&) const = default;
};
// bpType derived from the two slopes.
Crossover MakeCrossover(const FilterSettings& hp, const FilterSettings& lp);

struct ChannelSettings {
  std::array<EqBand, kEqBands> eqArray{};  // this channel's band table
  std::int32_t eqSize = kEqBands;          // bands in use
  std::int32_t gain = 0;                   // dB, 0 or below
  std::int32_t mute = 0;
  float delay = 0.0f;  // ms, 0 … 15
  std::int32_t phase = kPhaseNormal;
  std::uint8_t bypass = 1;  // 1: every band flat (EQ bypassed)
  Crossover crossover;

  bool operator==(const ChannelSettings&) const = default;
};

struct Profile {
  Profile();  // built, then reset to the 6-output defaults

  std::int32_t modelId = kNoModel;
  // Master and slave version of the handshake, then the four numbers of the MCU record.
  std::array<std::int32_t, 6> deviceInfo{};
  std::array<std::uint8_t, 16> reserved{};
  std::int32_t source = 0;
  std::int32_t mainVolume = -5;
  std::int32_t subVolume = 0;
  std::int32_t editScene = 0;
  std::int32_t mainVolumeMute = 0;
  std::int32_t channelCount = kOutputChannels;
  std::array<ChannelSettings, kOutputChannels> channels{};
  // Routing mask per source and output: bit k = input k+1 feeds the output.
  std::array<std::array<std::int32_t, kOutputChannels>, kInputSources> inputs{};
  std::array<std::array<std::array<std::int32_t, kOutputChannels>, kMixerInputs>, kInputSources>
      inputMixTrim{};
  std::array<std::int32_t, kOutputChannels> outputs{};  // speaker role per output
  std::array<std::int32_t, kOutputChannels> linkOutputs{};
  std::array<std::int32_t, kOutputChannels> showChEqualizer{};
  std::int32_t currChannel = 0;
  std::int32_t linkMode = 0;
  std::int32_t lockMode = 0;
  std::int32_t noiseThreshold = -40;
  std::int32_t powerOffDelay = 0;
  std::int32_t howlingControl = 0;
  std::int32_t micVolume = 60;
  std::int32_t bgMusicVolume = 60;
  std::int32_t voiceChanger = 0;
  std::int32_t echoLevel = 0;
  std::int32_t echoDelay = 0;
  std::int32_t reverbLevel = 0;
  std::int32_t reverbTime = 0;
  // Two 11-band tables that belong to no channel in this build.
  std::array<std::array<EqBand, kSpareBands>, kSpareBandTables> spareBands{};
  // The band editor's mode, 1 parametric (frequency and Q editable), 0 graphic. The program's
  // own, like currChannel: neither sent to the unit nor kept in the files.
  std::int32_t peqMode = 0;

  bool operator==(const Profile&) const = default;
};
static_assert(std::is_trivially_copyable_v<Profile>);

// Every field to its default; the last four deviceInfo numbers are kept. six_outputs clear
// selects the 8-output role list, which this build never uses.
void ResetProfile(Profile& profile, bool six_outputs = true);
// The roles outputs 0 … 5 start with (and the output reset's "default").
const std::array<int, kOutputChannels>& DefaultRoles(bool six_outputs = true);

// The channel's band table for 0 … 5, nullptr for any other index.
EqBand* BandTable(Profile& profile, int channel);
const EqBand* BandTable(const Profile& profile, int channel);
// The channel's eqSize, 0 for an index outside 0 … 5.
int BandsInUse(const Profile& profile, int channel);

// One scene name as the unit's slots hold it: UTF-16LE, zero-terminated inside 16 bytes.
using SceneNameSlot = std::array<std::uint8_t, kSceneNameBytes>;
// Stores at most 7 characters and the terminating zero; the rest of the slot is cleared.
void SetSceneName(SceneNameSlot& slot, std::u16string_view name);
std::u16string SceneName(const SceneNameSlot& slot);

// Everything the unit holds: the live settings, the ten stored scenes and their names.
struct UnitSettings {
  Profile live;
  std::array<Profile, kStoredScenes> scenes;
  std::array<SceneNameSlot, kStoredScenes> sceneName{};

  // 0: the live profile; 1 … 10: stored scene k; nullptr otherwise.
  Profile* ProfileOfScene(int scene);
  const Profile* ProfileOfScene(int scene) const;

  bool operator==(const UnitSettings&) const = default;
};

}  // namespace tolva::model
