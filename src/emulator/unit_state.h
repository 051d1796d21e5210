#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tolva::emulator {

constexpr int kOutputs = 6;         // outputs the unit holds; requests beyond them answer zeros
constexpr int kBands = 31;          // EQ bands per output
constexpr int kSources = 7;         // input sources, codes 0x51 to 0x57
constexpr int kMixerInputs = 8;     // mixer input channels per source
constexpr int kStoredScenes = 10;   // scenes 1 to 10; scene 0 is the working set
constexpr int kSceneNameSize = 16;  // bytes on the wire, no terminator when full
constexpr int kLinkDataSize = 8;    // link pairs as the link reply carries them
constexpr std::uint8_t kFirstSourceCode = 0x51;
constexpr std::uint8_t kErasedByte = 0xFF;  // erased flash

// Values are held in the unit's own units, chosen so that every command value survives a
// round trip and every reply can be produced exactly.
struct FilterState {
  std::uint8_t type = 1;
  std::uint16_t freq = 20;
  std::uint8_t slope = 0;
};

struct BandState {
  std::uint16_t freq = 1000;
  std::uint16_t q_hundredths = 580;  // Q 5.8
  std::int16_t gain_tenths = 180;    // (gain + 18 dB) in tenths: 180 is 0 dB
};

struct OutputState {
  std::uint8_t role = 0;
  FilterState hp;
  FilterState lp;
  std::array<BandState, kBands> bands{};
  std::uint32_t delay_us = 0;
  std::int8_t trim_db = 0;  // 0 or below
  std::uint8_t mute = 0;
  std::uint8_t phase = 0;  // 0 plays as it comes, any other value inverts
  std::uint8_t bypass = 1;
};

// Everything a scene holds. Source, volumes and main mute are the unit's, not a scene's.
struct SceneState {
  std::array<OutputState, kOutputs> outputs{};
  std::array<std::array<std::uint8_t, kOutputs>, kSources> mix{};  // routing masks
  std::array<std::array<std::array<std::uint8_t, kOutputs>, kMixerInputs>, kSources> mix_trim{};
  std::uint8_t link = 0;
  std::array<std::uint8_t, kLinkDataSize> link_data{};
  std::uint8_t lock = 0;
};

using SceneName = std::array<std::uint8_t, kSceneNameSize>;

// The unit's memory: what its flash keeps across power cycles (see --state FILE).
struct UnitState {
  std::uint8_t source_code = kFirstSourceCode;
  std::int8_t main_volume_db = -5;
  std::int8_t sub_volume = 0;
  std::uint8_t main_mute = 0;
  std::int8_t input_threshold_db = -40;
  std::uint16_t power_off_delay_ms = 0;
  std::array<std::uint16_t, 8> karaoke{};  // group 7, subs 1 to 8 (5 is the echo delay)
  std::uint8_t current_scene = 0;
  std::array<SceneState, kStoredScenes + 1> scenes{};  // [0] is the working set
  std::array<SceneName, kStoredScenes> names{};
};

// Factory settings: roles 6, 12, 15, 18, 22, 23 with their crossovers, flat EQ at the ISO
// centres, default routing, mixer trims 100, every stored scene a copy of the working set and
// every name erased.
UnitState FactoryState();
SceneState FactoryScene();
// EQ bands of one output back to flat at their centre frequencies.
void ResetBands(OutputState& output);

// JSON text of the whole memory; FromJson fills `state` and returns false with a reason for text
// that is not a state file. Missing members keep their factory values.
std::string ToJson(const UnitState& state);
bool FromJson(const std::string& text, UnitState& state, std::string* error);

// --state FILE. Saving writes a temporary file and renames it, so a crash never leaves half a
// file. Loading a missing file is not an error: `found` tells.
bool SaveStateFile(const std::string& path, const UnitState& state, std::string* error);
bool LoadStateFile(const std::string& path, UnitState& state, bool* found, std::string* error);

}  // namespace tolva::emulator
