#include "device/link/pending_queue.h"

#include <algorithm>

#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::device {

std::uint8_t TargetBytes(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                         std::span<const std::uint8_t> payload) {
  if (cmd != cmd::kDsp || op != op::kSet) return 0;
  // Payloads start with scene, source, then the output (and band or filter), or an output range
  // that names one output when both ends agree.
  const auto one_output = [&](std::size_t first, std::size_t last) -> std::uint8_t {
    if (payload.size() <= last || payload[first] != payload[last]) return 0;
    return static_cast<std::uint8_t>(last + 1);
  };
  switch (sub) {
    case dsp_sub::kFilter:  // Filter_Ctrl: scene, source, channel, filter
    case dsp_sub::kBand:    // EQ_Ctrl: scene, source, channel, band
      return payload.size() > 4 ? 4 : 0;
    case dsp_sub::kDelay:        // Delay_Ctrl
    case dsp_sub::kTrim:         // Trim_Ctrl
    case dsp_sub::kChannelMute:  // Mute_Ch_Ctrl
    case dsp_sub::kPhase:        // Phase_Ctrl
    case dsp_sub::kMix:          // Mix_Ch_Ctrl
    case dsp_sub::kBypass:       // PEQ_Bypass_Ctrl
      return one_output(2, 3);
    case dsp_sub::kInputMixTrim:  // Input_Mix_Trim_Ctrl: scene, source, input, output range
      return one_output(3, 4);
    default:
      return 0;
  }
}

bool SameTarget(const PendingCommand& a, const PendingCommand& b) {
  const std::size_t n = a.target_bytes;
  return n > 0 && a.cmd == b.cmd && a.sub == b.sub && a.op == b.op && n == b.target_bytes &&
         a.payload.size() >= n && b.payload.size() >= n &&
         std::equal(a.payload.begin(), a.payload.begin() + static_cast<std::ptrdiff_t>(n),
                    b.payload.begin());
}

}  // namespace tolva::device
