// Arbitrary reports through reassembly and every decoder. The first byte picks the model the
// link believes in (12 copies link data), the rest is cut into reports of up to 64 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/protocol/frame_reassembler.h"
#include "device/protocol/notifications.h"
#include "device/protocol/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolva::device;
  if (size == 0) return 0;
  LinkState state;
  state.model = data[0] & 1 ? 12 : 19;
  std::size_t posted = 0;
  ReplyDecoder decoder(state, [&](TargetWindow, Notification n) {
    posted += n.record ? 2 : 1;  // the record dies with n, as at an unset window
  });
  FrameReassembler reassembler;
  std::span<const std::uint8_t> rest(data + 1, size - 1);
  while (!rest.empty()) {
    const std::size_t n = std::min<std::size_t>(64, 1 + rest[0] % 64);
    const auto report = rest.first(std::min(n, rest.size()));
    reassembler.Append(report);
    reassembler.Drain([&](const ReplyFrame& frame) { decoder.Decode(frame); });
    rest = rest.subspan(report.size());
  }
  return posted > 1000000 ? 1 : 0;
}
