#pragma once

#include <memory>
#include <string>

#include "base/clock.h"
#include "device/transport/device_selection.h"
#include "device/transport/transport.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_options.h"

namespace tolva::emulator {

// The unit chosen by "--device" / TOLVA_DSP_DEVICE ("hid", "emulator" or "socket:PATH"), with
// the in-process unit made here, the layer that knows it.
struct DeviceSelection {
  device::TransportFactory factory;  // empty when the choice is not understood
  // The in-process unit for "emulator" (null otherwise): its presence listener stands in for
  // the plug events udev gives for a real unit.
  std::shared_ptr<EmulatedDevice> emulated_unit;
  bool is_emulated = false;  // the window says so plainly
  std::string error;
};

DeviceSelection SelectDevice(const device::DeviceTarget& target, const EmulatorOptions& options = {},
                             Clock& clock = SystemClock());
// `choice` as "--device" takes it; an unknown one gives an empty factory and an error.
DeviceSelection SelectDevice(const std::string& choice, const EmulatorOptions& options = {},
                             Clock& clock = SystemClock());
// "--device X" from the command line, else TOLVA_DSP_DEVICE, else hid.
DeviceSelection SelectDeviceFromCommandLine(int argc, const char* const* argv,
                                            const EmulatorOptions& options = {},
                                            Clock& clock = SystemClock());

// The factory alone; empty (and *error set) for an unknown choice.
device::TransportFactory SelectTransport(const std::string& choice,
                                         const EmulatorOptions& options = {},
                                         std::string* error = nullptr);

}  // namespace tolva::emulator
