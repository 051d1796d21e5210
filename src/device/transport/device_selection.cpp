#include "device/transport/device_selection.h"

#include <cstdlib>

#include "device/transport/bridge_transport.h"
#include "device/transport/hid_transport.h"

namespace tolva::device {

std::optional<DeviceTarget> ParseDeviceTarget(std::string_view text) {
  constexpr std::string_view kSocket = "socket:";
  if (text == "hid") return DeviceTarget{DeviceTarget::Kind::kHid, {}};
  if (text == "emulator") return DeviceTarget{DeviceTarget::Kind::kEmulator, {}};
  if (text.starts_with(kSocket) && text.size() > kSocket.size()) {
    return DeviceTarget{DeviceTarget::Kind::kSocket, std::string(text.substr(kSocket.size()))};
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

std::optional<DeviceTarget> ChooseDevice(const std::optional<std::string>& device_argument) {
  if (device_argument) return ParseDeviceTarget(*device_argument);
  if (const char* env = std::getenv("TOLVA_DSP_DEVICE"); env && *env) return ParseDeviceTarget(env);
  return DeviceTarget{};
}

TransportFactory MakeTransportFactory(const DeviceTarget& target, TransportFactory emulator) {
  switch (target.kind) {
    case DeviceTarget::Kind::kHid:
      return [] { return MakeHidTransport(); };
    case DeviceTarget::Kind::kSocket:
      return [path = target.path] { return MakeBridgeTransport(path); };
    case DeviceTarget::Kind::kEmulator:
      return emulator;
  }
  return {};
}

}  // namespace tolva::device
