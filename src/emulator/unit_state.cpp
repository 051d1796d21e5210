#include "emulator/unit_state.h"

#include <cjson/cJSON.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <span>
#include <sstream>

namespace tolva::emulator {
namespace {

constexpr std::array<std::uint16_t, kBands> kIsoCentres = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr std::array<std::uint8_t, kOutputs> kFactoryRoles = {6, 12, 15, 18, 22, 23};
constexpr char kFormat[] = "tolva-dsp-emulator-state";
constexpr int kVersion = 1;

void ApplyRoleCrossover(OutputState& out) {
  const bool sub = out.role >= 22 && out.role <= 24;
  const std::uint8_t type = sub ? 1 : 3;
  out.hp = sub ? FilterState{type, 30, 4} : FilterState{type, 20, 0};
  out.lp = sub ? FilterState{type, 50, 2} : FilterState{type, 20000, 0};
}

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

cJSON* IntArray(std::span<const int> values) {
  cJSON* a = cJSON_CreateArray();
  for (int v : values) cJSON_AddItemToArray(a, cJSON_CreateNumber(v));
  return a;
}

template <typename T, std::size_t N>
cJSON* ByteArray(const std::array<T, N>& values) {
  std::array<int, N> ints{};
  for (std::size_t i = 0; i < N; ++i) ints[i] = values[i];
  return IntArray(ints);
}

cJSON* FilterJson(const FilterState& f) {
  const int v[] = {f.type, f.freq, f.slope};
  return IntArray(v);
}

cJSON* OutputJson(const OutputState& o) {
  cJSON* j = cJSON_CreateObject();
  cJSON_AddNumberToObject(j, "role", o.role);
  cJSON_AddItemToObject(j, "hp", FilterJson(o.hp));
  cJSON_AddItemToObject(j, "lp", FilterJson(o.lp));
  cJSON* bands = cJSON_AddArrayToObject(j, "bands");
  for (const BandState& b : o.bands) {
    const int v[] = {b.freq, b.q_hundredths, b.gain_tenths};
    cJSON_AddItemToArray(bands, IntArray(v));
  }
  cJSON_AddNumberToObject(j, "delayUs", o.delay_us);
  cJSON_AddNumberToObject(j, "trim", o.trim_db);
  cJSON_AddNumberToObject(j, "mute", o.mute);
  cJSON_AddNumberToObject(j, "phase", o.phase);
  cJSON_AddNumberToObject(j, "bypass", o.bypass);
  return j;
}

cJSON* SceneJson(const SceneState& s) {
  cJSON* j = cJSON_CreateObject();
  cJSON* outputs = cJSON_AddArrayToObject(j, "outputs");
  for (const OutputState& o : s.outputs) cJSON_AddItemToArray(outputs, OutputJson(o));
  cJSON* mix = cJSON_AddArrayToObject(j, "mix");
  for (const auto& row : s.mix) cJSON_AddItemToArray(mix, ByteArray(row));
  cJSON* trims = cJSON_AddArrayToObject(j, "mixTrim");
  for (const auto& source : s.mix_trim) {
    cJSON* per_input = cJSON_CreateArray();
    for (const auto& row : source) cJSON_AddItemToArray(per_input, ByteArray(row));
    cJSON_AddItemToArray(trims, per_input);
  }
  cJSON_AddNumberToObject(j, "link", s.link);
  cJSON_AddItemToObject(j, "linkData", ByteArray(s.link_data));
  cJSON_AddNumberToObject(j, "lock", s.lock);
  return j;
}

std::string NameHex(const SceneName& name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : name) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

// Reading: every member is optional, but a member that is there must be well formed, so a
// damaged file is reported instead of quietly becoming factory settings.
class Reader {
 public:
  std::string error;

  template <typename T>
  void Int(const cJSON* obj, const char* key, T& out, long lo, long hi) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(obj, key);
    if (item) Number(item, key, out, lo, hi);
  }

  template <typename T>
  void Number(const cJSON* item, const char* what, T& out, long lo, long hi) {
    if (!error.empty()) return;
    if (!cJSON_IsNumber(item) || item->valuedouble != static_cast<double>(item->valueint) ||
        item->valueint < lo || item->valueint > hi) {
      error = std::string("bad value for \"") + what + "\"";
      return;
    }
    out = static_cast<T>(item->valueint);
  }

  // The array at key (or item itself when key is null) must have exactly n entries.
  const cJSON* Array(const cJSON* obj, const char* key, int n) {
    const cJSON* a = key ? cJSON_GetObjectItemCaseSensitive(obj, key) : obj;
    if (!error.empty() || (key && !a)) return nullptr;
    if (!cJSON_IsArray(a) || cJSON_GetArraySize(a) != n) {
      error = std::string("bad array \"") + (key ? key : "entry") + "\"";
      return nullptr;
    }
    return a;
  }

  template <typename T, std::size_t N>
  void Bytes(const cJSON* obj, const char* key, std::array<T, N>& out, long lo, long hi) {
    const cJSON* a = Array(obj, key, static_cast<int>(N));
    for (std::size_t i = 0; a && i < N; ++i)
      Number(cJSON_GetArrayItem(a, static_cast<int>(i)), key, out[i], lo, hi);
  }

  void Filter(const cJSON* obj, const char* key, FilterState& f) {
    const cJSON* a = Array(obj, key, 3);
    if (!a) return;
    Number(cJSON_GetArrayItem(a, 0), key, f.type, 0, 255);
    Number(cJSON_GetArrayItem(a, 1), key, f.freq, 0, 65535);
    Number(cJSON_GetArrayItem(a, 2), key, f.slope, 0, 255);
  }

  void Output(const cJSON* j, OutputState& o) {
    Int(j, "role", o.role, 0, 255);
    Filter(j, "hp", o.hp);
    Filter(j, "lp", o.lp);
    if (const cJSON* bands = Array(j, "bands", kBands)) {
      for (int i = 0; i < kBands; ++i) {
        const cJSON* b = Array(cJSON_GetArrayItem(bands, i), nullptr, 3);
        if (!b) return;
        Number(cJSON_GetArrayItem(b, 0), "bands", o.bands[i].freq, 0, 65535);
        Number(cJSON_GetArrayItem(b, 1), "bands", o.bands[i].q_hundredths, 0, 65535);
        Number(cJSON_GetArrayItem(b, 2), "bands", o.bands[i].gain_tenths, -32768, 32767);
      }
    }
    Int(j, "delayUs", o.delay_us, 0, 320535);
    Int(j, "trim", o.trim_db, -128, 127);
    Int(j, "mute", o.mute, 0, 255);
    Int(j, "phase", o.phase, 0, 255);
    Int(j, "bypass", o.bypass, 0, 255);
  }

  void Scene(const cJSON* j, SceneState& s) {
    if (!cJSON_IsObject(j)) {
      error = "bad scene";
      return;
    }
    if (const cJSON* outputs = Array(j, "outputs", kOutputs)) {
      for (int i = 0; i < kOutputs; ++i) Output(cJSON_GetArrayItem(outputs, i), s.outputs[i]);
    }
    if (const cJSON* mix = Array(j, "mix", kSources)) {
      for (int i = 0; i < kSources; ++i)
        Bytes(cJSON_GetArrayItem(mix, i), nullptr, s.mix[i], 0, 255);
    }
    if (const cJSON* trims = Array(j, "mixTrim", kSources)) {
      for (int src = 0; src < kSources; ++src) {
        const cJSON* per_input = Array(cJSON_GetArrayItem(trims, src), nullptr, kMixerInputs);
        for (int in = 0; per_input && in < kMixerInputs; ++in)
          Bytes(cJSON_GetArrayItem(per_input, in), nullptr, s.mix_trim[src][in], 0, 255);
      }
    }
    Int(j, "link", s.link, 0, 255);
    if (cJSON_GetObjectItemCaseSensitive(j, "linkData")) Bytes(j, "linkData", s.link_data, 0, 255);
    Int(j, "lock", s.lock, 0, 255);
  }

  void Name(const cJSON* item, SceneName& name) {
    if (!error.empty()) return;
    const char* s = cJSON_GetStringValue(item);
    if (!s || std::string_view(s).size() != 2 * kSceneNameSize) {
      error = "bad scene name";
      return;
    }
    for (int i = 0; i < kSceneNameSize; ++i) {
      unsigned v = 0;
      if (std::sscanf(s + 2 * i, "%2x", &v) != 1) {
        error = "bad scene name";
        return;
      }
      name[i] = static_cast<std::uint8_t>(v);
    }
  }
};

}  // namespace

void ResetBands(OutputState& output) {
  for (int i = 0; i < kBands; ++i) output.bands[i] = BandState{kIsoCentres[i], 580, 180};
}

SceneState FactoryScene() {
  SceneState s;
  for (int i = 0; i < kOutputs; ++i) {
    OutputState& o = s.outputs[i];
    o.role = kFactoryRoles[i];
    ApplyRoleCrossover(o);
    ResetBands(o);
  }
  for (int src = 0; src < kSources; ++src) {
    const bool four_inputs = src == 4 || src == 5;
    s.mix[src] = four_inputs ? std::array<std::uint8_t, kOutputs>{1, 2, 4, 8, 3, 3}
                             : std::array<std::uint8_t, kOutputs>{1, 2, 1, 2, 3, 3};
    for (auto& row : s.mix_trim[src]) row.fill(100);
  }
  return s;
}

UnitState FactoryState() {
  UnitState u;
  u.karaoke = {60, 60, 0, 0, 0, 0, 0, 0};
  u.scenes.fill(FactoryScene());
  for (SceneName& n : u.names) n.fill(kErasedByte);
  return u;
}

std::string ToJson(const UnitState& u) {
  JsonPtr root(cJSON_CreateObject(), cJSON_Delete);
  cJSON* j = root.get();
  cJSON_AddStringToObject(j, "format", kFormat);
  cJSON_AddNumberToObject(j, "version", kVersion);
  cJSON_AddNumberToObject(j, "sourceCode", u.source_code);
  cJSON_AddNumberToObject(j, "mainVolume", u.main_volume_db);
  cJSON_AddNumberToObject(j, "subVolume", u.sub_volume);
  cJSON_AddNumberToObject(j, "mainMute", u.main_mute);
  cJSON_AddNumberToObject(j, "inputThreshold", u.input_threshold_db);
  cJSON_AddNumberToObject(j, "powerOffDelay", u.power_off_delay_ms);
  cJSON_AddItemToObject(j, "karaoke", ByteArray(u.karaoke));
  cJSON_AddNumberToObject(j, "currentScene", u.current_scene);
  cJSON* scenes = cJSON_AddArrayToObject(j, "scenes");
  for (const SceneState& s : u.scenes) cJSON_AddItemToArray(scenes, SceneJson(s));
  cJSON* names = cJSON_AddArrayToObject(j, "names");
  for (const SceneName& n : u.names)
    cJSON_AddItemToArray(names, cJSON_CreateString(NameHex(n).c_str()));
  std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_Print(j), cJSON_free);
  return text ? std::string(text.get()) + "\n" : std::string();
}

bool FromJson(const std::string& text, UnitState& state, std::string* error) {
  JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()), cJSON_Delete);
  const cJSON* j = root.get();
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!cJSON_IsObject(j)) return fail("not a JSON object");
  const char* format = cJSON_GetStringValue(cJSON_GetObjectItemCaseSensitive(j, "format"));
  if (!format || std::string_view(format) != kFormat) return fail("not an emulator state file");
  UnitState u = FactoryState();
  Reader r;
  int version = 0;
  r.Int(j, "version", version, kVersion, kVersion);
  if (version != kVersion && r.error.empty()) r.error = "unknown version";
  r.Int(j, "sourceCode", u.source_code, 0, 255);
  r.Int(j, "mainVolume", u.main_volume_db, -128, 127);
  r.Int(j, "subVolume", u.sub_volume, -128, 127);
  r.Int(j, "mainMute", u.main_mute, 0, 255);
  r.Int(j, "inputThreshold", u.input_threshold_db, -128, 127);
  r.Int(j, "powerOffDelay", u.power_off_delay_ms, 0, 65535);
  if (cJSON_GetObjectItemCaseSensitive(j, "karaoke")) r.Bytes(j, "karaoke", u.karaoke, 0, 65535);
  r.Int(j, "currentScene", u.current_scene, 0, kStoredScenes);
  if (const cJSON* scenes = r.Array(j, "scenes", kStoredScenes + 1)) {
    for (int i = 0; i <= kStoredScenes; ++i) r.Scene(cJSON_GetArrayItem(scenes, i), u.scenes[i]);
  }
  if (const cJSON* names = r.Array(j, "names", kStoredScenes)) {
    for (int i = 0; i < kStoredScenes; ++i) r.Name(cJSON_GetArrayItem(names, i), u.names[i]);
  }
  if (!r.error.empty()) return fail(r.error);
  state = u;
  return true;
}

bool SaveStateFile(const std::string& path, const UnitState& state, std::string* error) {
  const std::string tmp = path + ".tmp";
  const std::string text = ToJson(state);
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (text.empty() || !out) {
      if (error) *error = "cannot write " + tmp;
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    if (error) *error = "cannot replace " + path;
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

bool LoadStateFile(const std::string& path, UnitState& state, bool* found, std::string* error) {
  if (found) *found = false;
  if (::access(path.c_str(), F_OK) != 0) return true;
  if (found) *found = true;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in.is_open()) text << in.rdbuf();
  if (!in.is_open() || in.bad()) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::string why;
  if (!FromJson(text.str(), state, &why)) {
    if (error) *error = path + ": " + why;
    return false;
  }
  return true;
}

}  // namespace tolva::emulator
