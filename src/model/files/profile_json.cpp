#include "model/files/profile_json.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "base/debug_print.h"
#include "model/edits/edit_rules.h"
#include "model/files/base64.h"
#include "model/profile/control_ranges.h"

namespace tolva::model {
namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

// ---- reading -------------------------------------------------------------------------------

// cJSON looks members up without regard to case and returns the first match.
const cJSON* Member(const cJSON* object, const char* key) {
  return cJSON_GetObjectItem(object, key);
}

bool ReadNumber(const cJSON* object, const char* key, double& out) {
  const cJSON* item = Member(object, key);
  if (!cJSON_IsNumber(item)) return false;
  out = item->valuedouble;
  return true;
}

// cJSON saturates valueint at the int range, so huge numbers cannot overflow the conversion.
template <typename Int>
bool ReadInt(const cJSON* object, const char* key, Int& out) {
  const cJSON* item = Member(object, key);
  if (!cJSON_IsNumber(item)) return false;
  out = static_cast<Int>(item->valueint);
  return true;
}

// Saturates at the float range: the conversion would be undefined beyond it, and an infinity
// would be written back as null, making the saved file unreadable.
float ToFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::max();
  if (value < -kMax) return -std::numeric_limits<float>::max();
  return static_cast<float>(value);
}

bool ReadFloat(const cJSON* object, const char* key, float& out) {
  double value = 0.0;
  if (!ReadNumber(object, key, value)) return false;
  out = ToFloat(value);
  return true;
}

const cJSON* ArrayOfSize(const cJSON* object, const char* key, int size) {
  const cJSON* item = Member(object, key);
  return cJSON_IsArray(item) && cJSON_GetArraySize(item) == size ? item : nullptr;
}

// The member must be an array of exactly count items; read(item, index) takes each in turn.
template <typename Read>
bool ReadItems(const cJSON* object, const char* key, int count, Read read) {
  const cJSON* array = ArrayOfSize(object, key, count);
  if (array == nullptr) return false;
  std::size_t index = 0;
  for (const cJSON* item = array->child; item != nullptr; item = item->next) {
    if (!read(item, index++)) return false;
  }
  return true;
}

template <std::size_t N>
bool ReadIntArray(const cJSON* array, std::array<std::int32_t, N>& out) {
  if (!cJSON_IsArray(array) || cJSON_GetArraySize(array) != static_cast<int>(N)) return false;
  std::size_t i = 0;
  for (const cJSON* item = array->child; item != nullptr; item = item->next) {
    if (!cJSON_IsNumber(item)) return false;
    out[i++] = item->valueint;
  }
  return true;
}

bool ReadFilter(const cJSON* object, const char* key, FilterSettings& filter) {
  const cJSON* f = Member(object, key);
  // Stored as read, without the store rules: the next bulk write sends them to the unit.
  if (!cJSON_IsObject(f) || !ReadInt(f, "fs", filter.fs) || !ReadInt(f, "type", filter.type) ||
      !ReadInt(f, "slope", filter.slope) || !ReadInt(f, "bypass", filter.bypass)) {
    return false;
  }
  // Except an odd Linkwitz-Riley order, which the unit plays as the next one and the window
  // neither offers nor stores: held as it plays.
  if (filter.type == kLinkwitzRiley && filter.slope > 0 && filter.slope < kMaxSlope &&
      filter.slope % 2 == 1) {
    ++filter.slope;
  }
  return true;
}

// A value between the unit's steps is held at the nearest step, which is what is then sent and
// what the unit holds, so the screen, a saved file and the unit agree and play closest to what
// the file meant. A value beyond the unit's limits stays as written, for the limit check to
// name it.
float HeldQ(float q) {
  return q >= kMinQ && q <= kMaxQ ? NearestTenthStep(q) : q;
}

float HeldGain(float gain_db) {
  return gain_db >= kBandGainMinDb && gain_db <= kBandGainMaxDb
             ? NearestTenthStep(gain_db)
             : gain_db;
}

float HeldDelay(float ms) {
  return ms >= 0.0f && ms <= kMaxDelayMs ? NearestDelayStep(ms) : ms;
}

bool ReadBand(const cJSON* object, EqBand& band) {
  double enable = 0.0;
  if (!cJSON_IsObject(object) || !ReadInt(object, "freq", band.freq) ||
      !ReadFloat(object, "eqFactor", band.eqFactor) || !ReadFloat(object, "eqGain", band.eqGain) ||
      !ReadNumber(object, "enable", enable)) {
    return false;
  }
  band.eqFactor = HeldQ(band.eqFactor);
  band.eqGain = HeldGain(band.eqGain);
  band.enable = enable != 0.0 ? 1 : 0;
  return true;
}

bool ReadChannel(const cJSON* object, ChannelSettings& ch) {
  std::int32_t bypass = 0;
  if (!cJSON_IsObject(object) || !ReadInt(object, "eqSize", ch.eqSize) ||
      !ReadInt(object, "gain", ch.gain) || !ReadInt(object, "mute", ch.mute) ||
      !ReadFloat(object, "delay", ch.delay) || !ReadInt(object, "phase", ch.phase) ||
      !ReadInt(object, "bypass", bypass) || bypass < 0 || bypass > 255) {
    return false;  // the model keeps a byte: 256 would be read as 0 and sent so
  }
  ch.bypass = static_cast<std::uint8_t>(bypass);
  ch.delay = HeldDelay(ch.delay);
  const cJSON* crossover = Member(object, "crossover");
  std::int32_t bp_type = 0;
  if (!cJSON_IsObject(crossover) || !ReadInt(crossover, "bpType", bp_type) ||
      !ReadFilter(crossover, "hp", ch.crossover.hp) ||
      !ReadFilter(crossover, "lp", ch.crossover.lp)) {
    return false;
  }
  // The slopes written beside it win: a stale bpType would contradict them once saved again.
  ch.crossover = MakeCrossover(ch.crossover.hp, ch.crossover.lp);
  if (ch.eqSize < 0 || ch.eqSize > kEqBands) return false;
  return ReadItems(object, "eqArray", ch.eqSize, [&ch](const cJSON* band, std::size_t i) {
    return ReadBand(band, ch.eqArray[i]);
  });
}

// The members every profile object carries, in the order the readers have always taken them.
bool ReadProfileMembers(const cJSON* object, Profile& p) {
  const bool inputs =
      ReadItems(object, "inputs", kInputSources,
                [&p](const cJSON* row, std::size_t i) { return ReadIntArray(row, p.inputs[i]); });
  if (!inputs || !ReadIntArray(Member(object, "outputs"), p.outputs) ||
      !ReadIntArray(Member(object, "linkOutputs"), p.linkOutputs) ||
      !ReadIntArray(Member(object, "showChEqualizer"), p.showChEqualizer) ||
      !ReadInt(object, "currChannel", p.currChannel) || !ReadInt(object, "linkMode", p.linkMode) ||
      !ReadInt(object, "lockMode", p.lockMode)) {
    return false;
  }
  return ReadItems(object, "channels", kOutputChannels,
                   [&p](const cJSON* ch, std::size_t i) { return ReadChannel(ch, p.channels[i]); });
}

bool ReadVolumes(const cJSON* root, Profile& p) {
  return ReadInt(root, "mainVolume", p.mainVolume) && ReadInt(root, "subVolume", p.subVolume) &&
         ReadInt(root, "mainVolumeMute", p.mainVolumeMute);
}

// Checks "model"; kOk when it is 19.
ProfileReadResult CheckModel(const cJSON* root) {
  double model = 0.0;
  if (!ReadNumber(root, "model", model)) return ProfileReadResult::kLoadError;
  if (model != kModelNumber) {
    DebugPrint("read profile file error! error1\n");
    return ProfileReadResult::kModelMismatch;
  }
  return ProfileReadResult::kOk;
}

ProfileReadResult LoadFailed() {
  DebugPrint("read profile file error! error\n");
  DebugPrint("read profile file error! error1\n");
  return ProfileReadResult::kLoadError;
}

ProfileReadResult Accepted() {
  DebugPrint("read profile file ok\n");
  return ProfileReadResult::kOk;
}

Json Parse(std::string_view text) {
  return Json(cJSON_ParseWithLength(text.data(), text.size()));
}

// ---- writing -------------------------------------------------------------------------------

void AddInt(cJSON* object, const char* key, std::int64_t value) {
  cJSON_AddItemToObject(object, key, cJSON_CreateNumber(static_cast<double>(value)));
}

// Float fields are widened to double first: 5.8f is written as 5.8000001907348633.
void AddFloat(cJSON* object, const char* key, float value) {
  cJSON_AddItemToObject(object, key, cJSON_CreateNumber(static_cast<double>(value)));
}

template <std::size_t N>
cJSON* IntArray(const std::array<std::int32_t, N>& values) {
  cJSON* array = cJSON_CreateArray();
  for (std::int32_t v : values) cJSON_AddItemToArray(array, cJSON_CreateNumber(v));
  return array;
}

cJSON* FilterObject(const FilterSettings& f) {
  cJSON* o = cJSON_CreateObject();
  AddInt(o, "fs", f.fs);
  AddInt(o, "type", f.type);
  AddInt(o, "slope", f.slope);
  AddInt(o, "bypass", f.bypass);
  return o;
}

cJSON* ChannelObject(const ChannelSettings& ch) {
  cJSON* o = cJSON_CreateObject();
  AddInt(o, "eqSize", ch.eqSize);
  AddInt(o, "gain", ch.gain);
  AddInt(o, "mute", ch.mute);
  AddFloat(o, "delay", ch.delay);
  AddInt(o, "phase", ch.phase);
  AddInt(o, "bypass", ch.bypass);
  cJSON* crossover = cJSON_CreateObject();
  AddInt(crossover, "bpType", ch.crossover.bpType);
  cJSON_AddItemToObject(crossover, "hp", FilterObject(ch.crossover.hp));
  cJSON_AddItemToObject(crossover, "lp", FilterObject(ch.crossover.lp));
  cJSON_AddItemToObject(o, "crossover", crossover);
  cJSON* bands = cJSON_CreateArray();
  const int in_use = std::clamp(ch.eqSize, 0, kEqBands);
  for (int b = 0; b < in_use; ++b) {
    const EqBand& band = ch.eqArray[b];
    cJSON* item = cJSON_CreateObject();
    AddInt(item, "freq", band.freq);
    AddFloat(item, "eqFactor", band.eqFactor);
    AddFloat(item, "eqGain", band.eqGain);
    AddInt(item, "enable", band.enable);
    cJSON_AddItemToArray(bands, item);
  }
  cJSON_AddItemToObject(o, "eqArray", bands);
  return o;
}

void AddProfileMembers(cJSON* o, const Profile& p) {
  cJSON* channels = cJSON_CreateArray();
  for (const ChannelSettings& ch : p.channels) cJSON_AddItemToArray(channels, ChannelObject(ch));
  cJSON_AddItemToObject(o, "channels", channels);
  cJSON* inputs = cJSON_CreateArray();
  for (const auto& row : p.inputs) cJSON_AddItemToArray(inputs, IntArray(row));
  cJSON_AddItemToObject(o, "inputs", inputs);
  cJSON_AddItemToObject(o, "outputs", IntArray(p.outputs));
  cJSON_AddItemToObject(o, "linkOutputs", IntArray(p.linkOutputs));
  cJSON_AddItemToObject(o, "showChEqualizer", IntArray(p.showChEqualizer));
  AddInt(o, "currChannel", p.currChannel);
  AddInt(o, "linkMode", p.linkMode);
  AddInt(o, "lockMode", p.lockMode);
}

void AddHeader(cJSON* root, const Profile& live, bool with_model_name) {
  AddInt(root, "model", kModelNumber);
  if (with_model_name) {
    cJSON_AddItemToObject(root, "model_name", cJSON_CreateString(std::string(kModelName).c_str()));
  }
  AddInt(root, "mainVolume", live.mainVolume);
  AddInt(root, "subVolume", live.subVolume);
  AddInt(root, "mainVolumeMute", live.mainVolumeMute);
}

std::string Print(const cJSON* root) {
  char* text = cJSON_PrintUnformatted(root);
  if (text == nullptr) return {};
  std::string out(text);
  cJSON_free(text);
  return out;
}

}  // namespace

std::string_view MessageOf(ProfileReadResult result) {
  switch (result) {
    case ProfileReadResult::kOpenError:
      return "${profile_open_error}";
    case ProfileReadResult::kLoadError:
      return "${profile_load_error}";
    case ProfileReadResult::kModelMismatch:
      return "${software_not_match}";
    case ProfileReadResult::kOk:
      break;
  }
  return {};
}

ProfileReadResult ParseSceneProfile(std::string_view text, Profile& target) {
  if (text.empty()) return ProfileReadResult::kOpenError;
  const Json root = Parse(text);
  if (root == nullptr) return ProfileReadResult::kOpenError;
  const ProfileReadResult model = CheckModel(root.get());
  if (model == ProfileReadResult::kModelMismatch) return model;
  Profile scratch = target;
  if (model != ProfileReadResult::kOk || !ReadVolumes(root.get(), scratch) ||
      !ReadProfileMembers(root.get(), scratch)) {
    return LoadFailed();
  }
  target = scratch;
  return Accepted();
}

ProfileReadResult ParseWholeProfile(std::string_view text, UnitSettings& target) {
  if (text.empty()) return ProfileReadResult::kOpenError;
  const Json root = Parse(text);
  if (root == nullptr) return ProfileReadResult::kLoadError;
  const ProfileReadResult model = CheckModel(root.get());
  if (model == ProfileReadResult::kModelMismatch) return model;
  // About 60 KB: on the heap, not on a worker's stack.
  auto scratch = std::make_unique<UnitSettings>(target);
  if (model != ProfileReadResult::kOk || !ReadVolumes(root.get(), scratch->live)) {
    return LoadFailed();
  }
  UnitSettings& unit = *scratch;
  const bool names =
      ReadItems(root.get(), "sceneName", kStoredScenes, [&unit](const cJSON* name, std::size_t i) {
        if (!cJSON_IsString(name) || name->valuestring == nullptr) {
          return false;
        }
        Base64DecodeInto(name->valuestring, unit.sceneName[i]);
        return true;
      });
  const cJSON* current = Member(root.get(), "currentProfile");
  if (!names || !cJSON_IsObject(current) || !ReadProfileMembers(current, unit.live)) {
    return LoadFailed();
  }
  const bool scenes = ReadItems(
      root.get(), "sceneArray", kStoredScenes, [&unit](const cJSON* scene, std::size_t i) {
        return cJSON_IsObject(scene) && ReadProfileMembers(scene, unit.scenes[i]);
      });
  if (!scenes) return LoadFailed();
  target = unit;
  return Accepted();
}

std::string SceneProfileText(const Profile& live) {
  const Json root(cJSON_CreateObject());
  AddHeader(root.get(), live, false);
  AddProfileMembers(root.get(), live);
  return Print(root.get());
}

std::string WholeProfileText(const UnitSettings& unit) {
  const Json root(cJSON_CreateObject());
  AddHeader(root.get(), unit.live, true);
  cJSON* names = cJSON_CreateArray();
  for (const SceneNameSlot& slot : unit.sceneName) {
    cJSON_AddItemToArray(names, cJSON_CreateString(Base64Encode(slot).c_str()));
  }
  cJSON_AddItemToObject(root.get(), "sceneName", names);
  cJSON* current = cJSON_CreateObject();
  AddProfileMembers(current, unit.live);
  cJSON_AddItemToObject(root.get(), "currentProfile", current);
  cJSON* scenes = cJSON_CreateArray();
  for (const Profile& p : unit.scenes) {
    cJSON* o = cJSON_CreateObject();
    AddProfileMembers(o, p);
    cJSON_AddItemToArray(scenes, o);
  }
  cJSON_AddItemToObject(root.get(), "sceneArray", scenes);
  return Print(root.get());
}

}  // namespace tolva::model
