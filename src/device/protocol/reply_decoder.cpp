#include "device/protocol/reply_decoder.h"

#include <algorithm>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/records.h"

namespace tolva::device {

namespace {
std::uint16_t Key(std::uint8_t cmd, std::uint8_t sub) {
  return static_cast<std::uint16_t>(cmd << 8 | sub);
}
}  // namespace

ReplyDecoder::ReplyDecoder(LinkState& state, PostFn post) : state_(state), post_(std::move(post)) {}

void ReplyDecoder::SetHandler(std::uint8_t cmd, std::uint8_t sub, Handler handler) {
  if (handler) {
    handlers_[Key(cmd, sub)] = std::move(handler);
  } else {
    handlers_.erase(Key(cmd, sub));
  }
}

void ReplyDecoder::Post(TargetWindow target, std::uint32_t message, std::int64_t param,
                        std::int64_t value, std::unique_ptr<NotificationRecord> record) {
  if (!post_) return;
  post_(target, Notification{message, param, value, std::move(record)});
}

void ReplyDecoder::Decode(const ReplyFrame& frame) {
  // Every decoder needs sub and op; a frame of length 1 or 2 carries neither.
  if (!frame.HasHeader()) return;
  if (auto it = handlers_.find(Key(frame.cmd, frame.sub())); it != handlers_.end()) {
    it->second(frame, *this);
    return;
  }
  switch (frame.cmd) {
    case cmd::kDsp:
      DecodeDsp(frame);
      break;
    case cmd::kScene:
      DecodeScene(frame);
      break;
    case cmd::kMcu:
      DecodeMcu(frame);
      break;
    case cmd::kKaraoke:
      DecodeKaraoke(frame);
      break;
    default:
      break;  // other groups are not the unit's replies to us
  }
}

void ReplyDecoder::DecodeScene(const ReplyFrame& frame) {
  const auto d = frame.data();
  const std::uint8_t op = frame.op();
  switch (frame.sub()) {
    // Only the first byte decides; a reply without the scene byte carries scene 0.
    case scene_sub::kSave:  // SaveScene acknowledged
      if (op == op::kAck && !d.empty() && d[0] == op::kAckReady) {
        Post(TargetWindow::kScene, MSG_SCENE_VALUE, d.size() >= 2 ? d[1] : 0, 0);
      }
      break;
    case scene_sub::kDelete:  // DeleteScene acknowledged
      if (op == op::kAck && !d.empty() && d[0] == op::kAckReady) {
        Post(TargetWindow::kScene, MSG_SCENE_DELETED, d.size() >= 2 ? d[1] : 0, 0);
      }
      break;
    case scene_sub::kName: {  // scene name
      // A truncated name would be posted as a corrupted one: drop it.
      if (op != op::kData || d.size() < 17) break;
      auto record = std::make_unique<SceneNameReply>();
      record->index = d[0] - 1;
      std::copy_n(d.begin() + 1, 16, record->name.begin());
      DebugPrint(L"scene_name->index(%d), name -->> ", record->index);
      for (std::uint8_t b : record->name) DebugPrint(L"0x%02x, ", b);
      // Erased storage reads back with the lowest bit set in every byte.
      const bool erased =
          std::all_of(record->name.begin(), record->name.end(), [](auto b) { return b & 1; });
      if (erased) record->name.fill(0);
      DebugPrint(L"\n m_payload: ");
      for (std::uint8_t b : record->name) DebugPrint(L"0x%02x, ", b);
      DebugPrint(L"\n");
      Post(TargetWindow::kMain, MSG_SCENE_VALUE, kSceneName, 0, std::move(record));
      break;
    }
    case scene_sub::kCurrent:
      if (op == op::kData && !d.empty()) DebugPrint(L"current scene id = %d, \n", d[0]);
      break;
    default:
      break;  // the flash upgrade's, installed as handlers
  }
}

void ReplyDecoder::DecodeMcu(const ReplyFrame& frame) {
  const auto d = frame.data();
  const std::uint8_t op = frame.op();
  switch (frame.sub()) {
    case mcu_sub::kHandshake:
      DebugPrint(L"MCU_HANDSHAKE\n");
      if (op != op::kData || d.empty()) break;
      if (d[0] == mcu_sub::kHandshakeAbnormal) {
        state_.handshake_ok = false;
        Post(TargetWindow::kMain, MSG_DEVICE_ABNORMAL, 0, 0);
        break;
      }
      if (d.size() < 4) break;
      state_.handshake_ok = true;
      state_.model = d[1];
      DebugPrint(L"model = %d, master verion = %d, slave verion = %d\n", d[1], d[2], d[3]);
      {
        auto record = std::make_unique<DeviceInfoReply>();
        record->model = d[1];
        record->master_version = d[2];
        record->slave_version = d[3];
        Post(TargetWindow::kMain, MSG_MCU_VALUE, kMcuHandshake, 0, std::move(record));
      }
      break;
    case mcu_sub::kFlashVersion:
      DebugPrint(L"MCU_GET_DSPFLASH_VER\n");
      if (op != op::kData || d.size() < 4) break;
      DebugPrint(L"flashver = %02d%02d%02d%02d\n", d[0], d[1], d[2], d[3]);
      {
        auto record = std::make_unique<FlashVersionReply>();
        for (std::size_t i = 0; i < 4; ++i) record->version[i] = d[i];
        Post(TargetWindow::kMain, MSG_MCU_VALUE, kMcuFlashVersion, 0, std::move(record));
      }
      break;
    case mcu_sub::kBootloaderVersion:
      if (op == op::kData && !d.empty()) state_.bootloader_version = d[0];
      break;
    case mcu_sub::kInit:
      DebugPrint(L"MCU INIT\n");
      break;
    case mcu_sub::kPowerOffDelay:
      if (op == op::kData && d.size() >= 2) {
        Post(TargetWindow::kMain, MSG_MCU_VALUE, kMcuPowerOffDelay, d[0] * 256 + d[1]);
      }
      break;
    default:
      break;  // the upgrade acknowledgements are installed as handlers
  }
}

void ReplyDecoder::DecodeKaraoke(const ReplyFrame& frame) {
  static constexpr const wchar_t* kLines[] = {
      L"KTV MIC VOL OP=0x%x, scene=%d, src = %d, mic vol=%d\n",
      L"KTV MUSIC_VOL OP=0x%x, scene=%d, src = %d, music vol=%d\n",
      L"KTV HOWLING OP=0x%x, scene=%d, src = %d, howling=%d\n",
      L"KTV ECHO LEVEL OP=0x%x, scene=%d, src = %d, level=%d\n",
      L"KTV ECHO_DELAY OP=0x%x, scene=%d, src = %d, delay=%d\n",
      L"KTV REVERB_LEVEL OP=0x%x, scene=%d, src = %d, REVERB_LEVEL=%d\n",
      L"KTV REVERB_TIME OP=0x%x, scene=%d, src = %d, time=%d\n",
      L"KTV VOICE_CHANGER OP=0x%x, scene=%d, src = %d, voice=%d\n",
  };
  const auto d = frame.data();
  const std::uint8_t sub = frame.sub();
  if (frame.op() != op::kData || sub < karaoke_sub::kFirst || sub > karaoke_sub::kLast) return;
  const bool echo_delay = sub == karaoke_sub::kEchoDelay;
  if (d.size() < (echo_delay ? 4u : 3u)) return;
  const int value = echo_delay ? d[2] * 256 + d[3] : d[2];
  DebugPrint(kLines[sub - karaoke_sub::kFirst], frame.op(), d[0], d[1], value);
  Post(TargetWindow::kMain, MSG_KTV_VALUE, sub, value);
}

}  // namespace tolva::device
