#include "device/device_selection.h"

#include <cstdlib>

#include "device/bridge_transport.h"
#include "device/hid_transport.h"

namespace tolva::device {

std::optional<DeviceSpec> ParseDeviceSpec(std::string_view text) {
  constexpr std::string_view kSocket = "socket:";
  if (text == "hid") return DeviceSpec{DeviceSpec::Kind::kHid, {}};
  if (text == "emulator") return DeviceSpec{DeviceSpec::Kind::kEmulator, {}};
  if (text.starts_with(kSocket) && text.size() > kSocket.size()) {
    return DeviceSpec{DeviceSpec::Kind::kSocket, std::string(text.substr(kSocket.size()))};
  }
  return std::nullopt;
}

std::optional<std::string> FindDeviceArgument(int argc, const char* const* argv) {
  constexpr std::string_view kFlag = "--device";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (arg == kFlag && i + 1 < argc && argv[i + 1]) return std::string(argv[i + 1]);
    if (arg.starts_with(kFlag) && arg.size() > kFlag.size() && arg[kFlag.size()] == '=') {
      return std::string(arg.substr(kFlag.size() + 1));
    }
  }
  return std::nullopt;
}

std::optional<DeviceSpec> ChooseDevice(const std::optional<std::string>& device_argument) {
  if (device_argument) return ParseDeviceSpec(*device_argument);
  if (const char* env = std::getenv("TOLVA_DSP_DEVICE"); env && *env) return ParseDeviceSpec(env);
  return DeviceSpec{};
}

TransportFactory MakeTransportFactory(const DeviceSpec& spec, TransportFactory emulator) {
  switch (spec.kind) {
    case DeviceSpec::Kind::kHid:
      return [] { return MakeHidTransport(); };
    case DeviceSpec::Kind::kSocket:
      return [path = spec.path] { return MakeBridgeTransport(path); };
    case DeviceSpec::Kind::kEmulator:
      return emulator;
  }
  return {};
}

}  // namespace tolva::device
