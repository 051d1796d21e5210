#include "emulator/device_selection.h"

#include "emulator/emulator_transport.h"

namespace tolva::emulator {
namespace {

DeviceSelection Unknown(const std::string& what) {
  DeviceSelection s;
  s.error = "unknown device \"" + what + "\" (use hid, emulator or socket:PATH)";
  return s;
}

}  // namespace

DeviceSelection SelectDevice(const device::DeviceSpec& spec, const EmulatorOptions& options,
                             Clock& clock) {
  DeviceSelection s;
  device::TransportFactory emulator;
  if (spec.kind == device::DeviceSpec::Kind::kEmulator) {
    s.emulated_unit = std::make_shared<EmulatedDevice>(options, clock);
    if (!s.emulated_unit->LoadState(&s.error)) return DeviceSelection{{}, {}, false, s.error};
    emulator = MakeEmulatorTransportFactory(s.emulated_unit);
    s.is_emulated = true;
  }
  s.factory = device::MakeTransportFactory(spec, emulator);
  return s;
}

DeviceSelection SelectDevice(const std::string& choice, const EmulatorOptions& options,
                             Clock& clock) {
  const auto spec = device::ParseDeviceSpec(choice);
  return spec ? SelectDevice(*spec, options, clock) : Unknown(choice);
}

DeviceSelection SelectDeviceFromCommandLine(int argc, const char* const* argv,
                                            const EmulatorOptions& options, Clock& clock) {
  const auto argument = device::FindDeviceArgument(argc, argv);
  const auto spec = device::ChooseDevice(argument);
  if (spec) return SelectDevice(*spec, options, clock);
  return Unknown(argument.value_or("TOLVA_DSP_DEVICE"));
}

device::TransportFactory SelectTransport(const std::string& choice, const EmulatorOptions& options,
                                         std::string* error) {
  DeviceSelection s = SelectDevice(choice, options);
  if (error) *error = s.error;
  return s.factory;
}

}  // namespace tolva::emulator
