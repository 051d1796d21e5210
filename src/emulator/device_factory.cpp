#include "emulator/device_factory.h"

#include "emulator/emulator_transport.h"

namespace tolva::emulator {
namespace {

DeviceSelection Unknown(const std::string& what) {
  DeviceSelection s;
  s.error = "unknown device \"" + what + "\" (use hid, emulator or socket:PATH)";
  return s;
}

}  // namespace

DeviceSelection SelectDevice(const device::DeviceTarget& target, const EmulatorOptions& options,
                             Clock& clock) {
  DeviceSelection s;
  device::TransportFactory emulator;
  if (target.kind == device::DeviceTarget::Kind::kEmulator) {
    s.emulated_unit = std::make_shared<EmulatedDevice>(options, clock);
    if (!s.emulated_unit->LoadState(&s.error)) return DeviceSelection{{}, {}, false, s.error};
    emulator = MakeEmulatorTransportFactory(s.emulated_unit);
    s.is_emulated = true;
  }
  s.factory = device::MakeTransportFactory(target, emulator);
  return s;
}

DeviceSelection SelectDevice(const std::string& choice, const EmulatorOptions& options,
                             Clock& clock) {
  const auto target = device::ParseDeviceTarget(choice);
  return target ? SelectDevice(*target, options, clock) : Unknown(choice);
}

DeviceSelection SelectDeviceFromCommandLine(int argc, const char* const* argv,
                                            const EmulatorOptions& options, Clock& clock) {
  const auto argument = device::FindDeviceArgument(argc, argv);
  const auto target = device::ChooseDevice(argument);
  if (target) return SelectDevice(*target, options, clock);
  return Unknown(argument.value_or("TOLVA_DSP_DEVICE"));
}

device::TransportFactory SelectTransport(const std::string& choice, const EmulatorOptions& options,
                                         std::string* error) {
  DeviceSelection s = SelectDevice(choice, options);
  if (error) *error = s.error;
  return s.factory;
}

}  // namespace tolva::emulator
