// Both profile readers on arbitrary text: no crash, a rejected file leaves the model
// byte-identical, and an accepted one writes back to text that reads to the same model.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "model/files/profile_json.h"

namespace {

using namespace tolva::model;

const UnitSettings& Base() {
  static const UnitSettings base = [] {
    UnitSettings u;
    u.live.mainVolume = -17;
    u.live.channels[3].eqArray[20].eqGain = 4.5f;
    u.scenes[6].channels[1].delay = 3.25f;
    SetSceneName(u.sceneName[2], u"base");
    return u;
  }();
  return base;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

template <typename T, typename Parse, typename Print>
void Check(std::string_view text, T& target, Parse parse, Print print) {
  static_assert(std::is_trivially_copyable_v<T>);
  auto before = std::make_unique<unsigned char[]>(sizeof(T));
  std::memcpy(before.get(), &target, sizeof(T));
  if (parse(text, target) != ProfileReadResult::kOk) {
    Require(std::memcmp(before.get(), &target, sizeof(T)) == 0);
    return;
  }
  auto again = std::make_unique<T>(target);
  Require(parse(print(target), *again) == ProfileReadResult::kOk);
  Require(*again == target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto unit = std::make_unique<UnitSettings>(Base());
  Check(text, *unit, ParseWholeProfile, WholeProfileText);
  auto live = std::make_unique<Profile>(Base().live);
  Check(text, *live, ParseSceneProfile, SceneProfileText);
  return 0;
}
