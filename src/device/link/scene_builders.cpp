// Group 2 builders: scene storage on the unit.
#include <algorithm>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/link/dsp_link.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/scene_name_codec.h"

namespace tolva::device {

namespace {
std::uint8_t Low8(int v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}
}  // namespace

bool DspLink::SaveScene(int scene, int immediately) {
  DebugPrint(L"SaveScene scene(%d) immediately=%d\n", scene, immediately);
  const std::uint8_t p[] = {Low8(scene), Low8(immediately)};
  return Exchange(cmd::kScene, scene_sub::kSave, op::kSet, p);
}

bool DspLink::ReadScene(int from_scene, int to_scene) {
  DebugPrint(L"ReadScene from scene(%d) to scene(%d)\n", from_scene, to_scene);
  const std::uint8_t p[] = {Low8(from_scene), Low8(to_scene)};
  return ExchangeAnswerOptional(cmd::kScene, scene_sub::kRead, op::kSet, p);
}

bool DspLink::DeleteScene(int scene) {
  DebugPrint(L"DeleteScene scene(%d)\n", scene);
  const std::uint8_t p[] = {Low8(scene)};
  return Exchange(cmd::kScene, scene_sub::kDelete, op::kSet, p);
}

bool DspLink::SetSceneName(int scene, std::span<const std::uint8_t> name) {
  name = name.first(std::min(name.size(), kSceneNameBytes));
  DebugPrint(L"SetSceneName scene(%d), len(%d), (name)%ls\n", scene, static_cast<int>(name.size()),
             DecodeSceneName(name).c_str());
  std::vector<std::uint8_t> p{Low8(scene), Low8(static_cast<int>(name.size()))};
  p.insert(p.end(), name.begin(), name.end());
  return ExchangeAnswerOptional(cmd::kScene, scene_sub::kName, op::kSet, p);
}

bool DspLink::Get_Scene_Name(int scene) {
  DebugPrint(L"Get_Scene_Name: scene(%d)\n", scene);
  const std::uint8_t p[] = {Low8(scene)};
  return Exchange(cmd::kScene, scene_sub::kName, op::kGet, p);
}

}  // namespace tolva::device
