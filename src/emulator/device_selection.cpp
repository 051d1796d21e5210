#include "emulator/device_selection.h"

#include <cstdlib>
#include <string_view>

#include "device/bridge_transport.h"
#include "device/hid_transport.h"
#include "emulator/emulator_transport.h"

namespace tolva::emulator {

DeviceSelection SelectDevice(const std::string& choice, const EmulatorOptions& options,
                             Clock& clock) {
  constexpr std::string_view kSocket = "socket:";
  DeviceSelection s;
  if (choice == "hid") {
    s.factory = [] { return device::MakeHidTransport(); };
  } else if (choice == "emulator") {
    s.emulated_unit = std::make_shared<EmulatedDevice>(options, clock);
    if (!s.emulated_unit->LoadState(&s.error)) return DeviceSelection{{}, {}, false, s.error};
    s.factory = MakeEmulatorTransportFactory(s.emulated_unit);
    s.is_emulated = true;
  } else if (std::string_view(choice).starts_with(kSocket) && choice.size() > kSocket.size()) {
    s.factory = [path = choice.substr(kSocket.size())] {
      return device::MakeBridgeTransport(path);
    };
  } else {
    s.error = "unknown device \"" + choice + "\" (use hid, emulator or socket:PATH)";
  }
  return s;
}

device::TransportFactory SelectTransport(const std::string& choice, const EmulatorOptions& options,
                                         std::string* error) {
  DeviceSelection s = SelectDevice(choice, options);
  if (error) *error = s.error;
  return s.factory;
}

std::string DeviceChoice(int argc, const char* const* argv) {
  constexpr std::string_view kFlag = "--device";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (arg == kFlag && i + 1 < argc && argv[i + 1]) return argv[i + 1];
    if (arg.starts_with("--device=")) return std::string(arg.substr(kFlag.size() + 1));
  }
  const char* env = std::getenv("TOLVA_DSP_DEVICE");
  return env && *env ? env : "hid";
}

}  // namespace tolva::emulator
