#pragma once

// The one switch that picks the unit for the GUI, the CLI and the tests: "--device" on the
// command line, else TOLVA_DSP_DEVICE, else hid.

#include <optional>
#include <string>
#include <string_view>

#include "device/transport/transport.h"

namespace tolva::device {

struct DeviceTarget {
  enum class Kind { kHid, kEmulator, kSocket };
  Kind kind = Kind::kHid;
  std::string path;  // socket:PATH only
};

// "hid", "emulator" or "socket:PATH"; nullopt for anything else (an empty PATH included).
std::optional<DeviceTarget> ParseDeviceTarget(std::string_view text);

// The value given with "--device X" or "--device=X", if any.
std::optional<std::string> FindDeviceArgument(int argc, const char* const* argv);

// device_argument (from FindDeviceArgument) wins over the environment; nullopt when the chosen
// text is not a valid target.
std::optional<DeviceTarget> ChooseDevice(const std::optional<std::string>& device_argument);

// A factory for the chosen unit. The emulated unit lives in a layer above this one, so its
// factory is handed in; an empty factory comes back for kEmulator when none is given.
TransportFactory MakeTransportFactory(const DeviceTarget& target, TransportFactory emulator = {});

}  // namespace tolva::device
