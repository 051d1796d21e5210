#pragma once

// The decoders of the four reply groups (DSP 1, scene/flash 2, MCU 3, karaoke 7). Pure: a frame
// in, link state changes and notifications out, so they are fuzzed without a transport.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "device/protocol/frame_reassembler.h"
#include "device/protocol/notifications.h"

namespace tolva::device {

// Upgrade states; the names are the log's.
constexpr int UPG_IDLE = 0;
constexpr int UPG_ENTER = 16;
constexpr int UPG_START = 32;
constexpr int UPG_READY = 48;
constexpr int UPG_WAITING_BIN_DATA_ACK = 49;
constexpr int UPG_FINISH = 64;
constexpr int UPG_FAIL = 80;

// Link fields a reply may change. Atomic: worker threads and the window thread read them.
struct LinkState {
  std::atomic<int> model{-1};
  std::atomic<bool> handshake_ok{false};
  std::atomic<int> bootloader_version{0};
  std::atomic<int> upgrade_state{UPG_IDLE};  // changed by the upgrade acknowledgements
};

class ReplyDecoder {
 public:
  using PostFn = std::function<void(TargetWindow, Notification)>;
  // A decoder for one (cmd, sub) that the upgrade and room-correction code install; it runs
  // instead of the built-in handling of that pair, on the reading thread.
  using Handler = std::function<void(const ReplyFrame&, ReplyDecoder&)>;

  ReplyDecoder(LinkState& state, PostFn post);

  void Decode(const ReplyFrame& frame);
  void SetHandler(std::uint8_t cmd, std::uint8_t sub, Handler handler);

  void Post(TargetWindow target, std::uint32_t message, std::int64_t param, std::int64_t value,
            std::unique_ptr<NotificationRecord> record = {});
  LinkState& state() { return state_; }

 private:
  void DecodeDsp(const ReplyFrame& frame);
  void DecodeIrc(const ReplyFrame& frame);
  void DecodeScene(const ReplyFrame& frame);
  void DecodeMcu(const ReplyFrame& frame);
  void DecodeKaraoke(const ReplyFrame& frame);

  LinkState& state_;
  PostFn post_;
  std::map<std::uint16_t, Handler> handlers_;
};

}  // namespace tolva::device
