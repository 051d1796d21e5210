// Untrusted bytes into the emulated unit: each 65-byte slice as an output report (the first
// byte of the input picks the faults), and the whole input as a state file.
#include <cstdint>
#include <string>

#include "emulator/emulated_unit.h"
#include "emulator/unit_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolva::emulator;
  UnitState state = FactoryState();
  FromJson(std::string(reinterpret_cast<const char*>(data), size), state, nullptr);
  if (size == 0) return 0;
  Faults faults;
  const std::uint8_t pick = data[0];
  if (pick & 1) faults.split_reply = CommandKey{1, CommandKey::kAnySub};
  if (pick & 2) faults.two_frames = CommandKey{1, CommandKey::kAnySub};
  if (pick & 4) faults.bad_checksum = CommandKey{2, CommandKey::kAnySub};
  if (pick & 8) faults.unsolicited_every = 2;
  EmulatedUnit unit(state, faults);
  for (std::size_t at = 1; at < size; at += 65) {
    std::uint8_t report[65] = {};
    for (std::size_t i = 0; i < 65 && at + i < size; ++i) report[i] = data[at + i];
    // Most slices should reach the firmware, so the frame header is supplied.
    if (pick & 16) {
      report[0] = 0;
      report[1] = 0xAA;
      report[2] = 0x55;
    }
    const UnitResponse r = unit.HandleOutputReport(report);
    for (const InputReport& in : r.reports) {
      if (in[0] != 0xAA && in[0] != 0 && !(pick & 1)) __builtin_trap();  // a frame or fill
    }
  }
  return 0;
}
