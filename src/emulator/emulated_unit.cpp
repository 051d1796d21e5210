#include "emulator/emulated_unit.h"

#include <algorithm>

#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"
#include "emulator/dsp_parameters.h"

namespace tolva::emulator {
namespace {

namespace cmd = device::cmd;
namespace op = device::op;
namespace dsp_sub = device::dsp_sub;
namespace scene_sub = device::scene_sub;
namespace mcu_sub = device::mcu_sub;
namespace karaoke_sub = device::karaoke_sub;

constexpr std::uint8_t kHandshakeNormal = 0x00;
constexpr std::uint8_t kHandshakeAbnormal = mcu_sub::kHandshakeAbnormal;
constexpr std::array<std::uint8_t, 4> kFlashVersion = {24, 5, 17, 1};
constexpr std::uint8_t kBootLoaderVersion = 2;

bool IsStoredScene(std::uint8_t s) {
  return s >= 1 && s <= kStoredScenes;
}

bool Matches(const std::optional<CommandKey>& key, std::uint8_t c, std::uint8_t s) {
  return key && key->Matches(c, s);
}

InputReport ToReport(std::span<const std::uint8_t> bytes) {
  InputReport r{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), r.size()), r.begin());
  return r;
}

}  // namespace

EmulatedUnit::EmulatedUnit(UnitState state, Faults faults)
    : state_(std::move(state)), faults_(faults) {}

UnitResponse EmulatedUnit::HandleOutputReport(std::span<const std::uint8_t> r) {
  ++received_;
  frames_.clear();
  then_ = BusEvent::kNone;
  flash_changed_ = false;
  UnitResponse out;
  // One frame per output report: 00 AA 55 L cmd sub op payload checksum. A report the firmware
  // cannot parse is dropped without an answer, as the link drops bad replies.
  const bool framed = r.size() == device::kFrameSize && r[0] == 0x00 && r[1] == 0xAA &&
                      r[2] == 0x55 && r[3] >= 3 && r[3] <= device::kMaxPayload + 3;
  if (framed && device::FrameChecksum(r.subspan(3, r[3] + 1u)) == r[4 + r[3]]) {
    const std::uint8_t c = r[4], s = r[5], o = r[6];
    if (Matches(faults_.not_ready, c, s)) {
      Ack(c, s, false);
    } else {
      Handle(c, s, o, r.subspan(7, r[3] - 3u));
    }
    if (Matches(faults_.no_reply, c, s)) frames_.clear();
    Package(c, s, out);
  }
  if (faults_.unsolicited_every > 0 && received_ % faults_.unsolicited_every == 0) {
    out.reports.push_back(ToReport(KaraokeReport(next_unsolicited_)));
    next_unsolicited_ = static_cast<std::uint8_t>(next_unsolicited_ % karaoke_sub::kLast + 1);
  }
  out.then = then_;
  if (faults_.unplug_after > 0 && received_ >= faults_.unplug_after) out.then = BusEvent::kUnplug;
  out.flash_changed = flash_changed_;
  return out;
}

void EmulatedUnit::Package(std::uint8_t c, std::uint8_t s, UnitResponse& out) {
  for (Frame& f : frames_) {
    if (Matches(faults_.bad_checksum, c, s)) f.back() = static_cast<std::uint8_t>(f.back() + 1);
  }
  if (Matches(faults_.split_reply, c, s)) {
    // Reports are always 64 bytes and the host parses the byte stream, so the first half ends
    // the first report (the zeros before it are skipped while the host looks for 0xAA) and the
    // second half opens the next.
    for (const Frame& f : frames_) {
      const std::size_t half = f.size() / 2;
      InputReport first{};
      std::copy_n(f.begin(), half, first.end() - half);
      out.reports.push_back(first);
      out.reports.push_back(ToReport(std::span(f).subspan(half)));
    }
    return;
  }
  for (const Frame& f : frames_) out.reports.push_back(ToReport(f));
  if (Matches(faults_.two_frames, c, s)) {
    // The unit's main-mute status rides behind the reply in the same report when it fits.
    const std::uint8_t mute[] = {state_.main_mute};
    const auto status = device::BuildReplyFrame(cmd::kDsp, dsp_sub::kMainMute, op::kData, mute);
    const std::size_t status_len = std::size(mute) + 7;
    if (!out.reports.empty() && frames_.back().size() + status_len <= InputReport{}.size()) {
      std::copy_n(status->begin(), status_len, out.reports.back().begin() + frames_.back().size());
    } else {
      out.reports.push_back(*status);
    }
  }
}

void EmulatedUnit::Send(std::uint8_t c, std::uint8_t s, std::uint8_t o,
                        std::span<const std::uint8_t> data) {
  const auto report = device::BuildReplyFrame(c, s, o, data);
  if (!report) return;  // the callers cut their lists to fit
  frames_.emplace_back(report->begin(), report->begin() + data.size() + 7);
}

void EmulatedUnit::Ack(std::uint8_t c, std::uint8_t s, bool ready, int scene) {
  std::vector<std::uint8_t> data{ready ? op::kAckReady : op::kAckNotReady};
  if (scene >= 0) data.push_back(static_cast<std::uint8_t>(scene));
  Send(c, s, op::kAck, data);
}

EmulatedUnit::Frame EmulatedUnit::KaraokeReport(std::uint8_t sub) const {
  const std::uint16_t v = state_.karaoke[sub - karaoke_sub::kFirst];
  std::vector<std::uint8_t> data{0,
                                 static_cast<std::uint8_t>(state_.source_code - kFirstSourceCode)};
  // The echo delay is 16 bits.
  if (sub == karaoke_sub::kEchoDelay) data.push_back(static_cast<std::uint8_t>(v >> 8));
  data.push_back(static_cast<std::uint8_t>(v));
  const auto report = device::BuildReplyFrame(cmd::kKaraoke, sub, op::kData, data);
  return Frame(report->begin(), report->begin() + data.size() + 7);
}

void EmulatedUnit::Handle(std::uint8_t c, std::uint8_t s, std::uint8_t o,
                          std::span<const std::uint8_t> p) {
  if (o == op::kSet) {
    const auto answer = upgrade_.Handle(c, s, p, faults_.upgrade_not_ready_every);
    if (answer == UpgradeReceiver::Answer::kNotReadyThenReady) Ack(c, s, false);
    if (answer != UpgradeReceiver::Answer::kNotMine) {
      Ack(c, s, true);
      // An MCU image restarts the unit once it is complete.
      if (upgrade_.received().finished && upgrade_.received().target != 1)
        then_ = BusEvent::kReboot;
      return;
    }
  }
  switch (c) {
    case cmd::kDsp:
      HandleDsp(s, o, p);
      break;
    case cmd::kScene:
      HandleScene(s, o, p);
      break;
    case cmd::kMcu:
      HandleMcu(s, o, p);
      break;
    case cmd::kKaraoke:
      HandleKaraoke(s, o, p);
      break;
    default:
      break;  // no such group on this unit
  }
}

void EmulatedUnit::HandleDsp(std::uint8_t s, std::uint8_t o, std::span<const std::uint8_t> p) {
  if (const auto irc = irc_.Handle(s, o, p, state_, faults_.irc_fail_code)) {
    if (irc->acknowledge) return Ack(cmd::kDsp, s, irc->ready);
    return Send(cmd::kDsp, s, op::kData, irc->data);
  }
  if (o == op::kSet) {
    Ack(cmd::kDsp, s, ApplyDspSet(state_, s, p) != SetResult::kRejected);
  } else if (o == op::kGet && KnowsDspRequest(s)) {
    if (const auto data = AnswerDspGet(state_, s, p)) {
      Send(cmd::kDsp, s, op::kData, *data);
    } else {
      Ack(cmd::kDsp, s, false);
    }
  }
}

void EmulatedUnit::HandleScene(std::uint8_t s, std::uint8_t o, std::span<const std::uint8_t> p) {
  if (o == op::kGet) {
    if (s == scene_sub::kName) {  // Get_Scene_Name: scene, then its 16 bytes as stored
      if (p.empty() || !IsStoredScene(p[0])) return Ack(cmd::kScene, s, false);
      std::vector<std::uint8_t> data{p[0]};
      const SceneName& name = state_.names[p[0] - 1];
      data.insert(data.end(), name.begin(), name.end());
      Send(cmd::kScene, s, op::kData, data);
    } else if (s == scene_sub::kCurrent) {
      const std::uint8_t data[] = {state_.current_scene};
      Send(cmd::kScene, s, op::kData, data);
    }
    return;
  }
  if (o != op::kSet) return;
  switch (s) {
    case scene_sub::kSave: {  // SaveScene: scene, immediately
      if (p.size() < 2 || !IsStoredScene(p[0])) return Ack(cmd::kScene, s, false);
      // Immediately 0 stores the working set; 1 keeps what was written with scene byte k.
      if (p[1] == 0) state_.scenes[p[0]] = state_.scenes[0];
      state_.current_scene = p[0];
      flash_changed_ = true;
      return Ack(cmd::kScene, s, true, p[0]);
    }
    case scene_sub::kRead: {  // ReadScene: from, to (255: make the scene readable with its own
                              // number)
      if (p.size() < 2 || p[0] > kStoredScenes ||
          (p[1] > kStoredScenes && p[1] != scene_sub::kReadInPlace))
        return Ack(cmd::kScene, s, false);
      if (p[1] != scene_sub::kReadInPlace && p[1] != p[0]) {
        state_.scenes[p[1]] = state_.scenes[p[0]];
        flash_changed_ = p[1] != 0;
        if (p[1] == 0) state_.current_scene = p[0];
      }
      return Ack(cmd::kScene, s, true, p[0]);
    }
    case scene_sub::kDelete:  // DeleteScene
      if (p.empty() || !IsStoredScene(p[0])) return Ack(cmd::kScene, s, false);
      state_.scenes[p[0]] = FactoryScene();
      state_.names[p[0] - 1].fill(kErasedByte);
      flash_changed_ = true;
      return Ack(cmd::kScene, s, true, p[0]);
    case scene_sub::kName: {  // SetSceneName: scene, length n, n bytes; the slot keeps 16
      if (p.size() < 2 || !IsStoredScene(p[0])) return Ack(cmd::kScene, s, false);
      const std::size_t n = std::min<std::size_t>(p[1], kSceneNameSize);
      if (p.size() < 2 + n) return Ack(cmd::kScene, s, false);
      SceneName& name = state_.names[p[0] - 1];
      name.fill(0);
      std::copy_n(p.begin() + 2, n, name.begin());
      flash_changed_ = true;
      return Ack(cmd::kScene, s, true, p[0]);
    }
    default:
      return Ack(cmd::kScene, s, true);
  }
}

void EmulatedUnit::HandleMcu(std::uint8_t s, std::uint8_t o, std::span<const std::uint8_t> p) {
  if (o == op::kGet) {
    if (s == mcu_sub::kFlashVersion) Send(cmd::kMcu, s, op::kData, kFlashVersion);
    if (s == mcu_sub::kBootloaderVersion)
      Send(cmd::kMcu, s, op::kData, std::array{kBootLoaderVersion});
    if (s == mcu_sub::kPowerOffDelay) {
      const std::uint16_t d = state_.power_off_delay_ms;
      Send(cmd::kMcu, s, op::kData,
           std::array{static_cast<std::uint8_t>(d >> 8), static_cast<std::uint8_t>(d)});
    }
    return;
  }
  if (o != op::kSet) return;
  switch (s) {
    case mcu_sub::kHandshake: {  // Hand_Connect: status, model, master version, slave version
      const std::uint8_t data[] = {
          faults_.abnormal_handshake ? kHandshakeAbnormal : kHandshakeNormal,
          static_cast<std::uint8_t>(faults_.model),
          static_cast<std::uint8_t>(faults_.master_version),
          static_cast<std::uint8_t>(faults_.slave_version)};
      return Send(cmd::kMcu, s, op::kData, data);
    }
    case mcu_sub::kPcConnect:  // PC_Connect: never answered, a stray reply would pass for the
                               // handshake's
      pc_connected_ = !p.empty() && p[0] != 0;
      return;
    case mcu_sub::kFactoryDefault:  // Factory_Default_Ctrl: acknowledge, restore, then reboot off
                                    // the bus
      state_ = FactoryState();
      flash_changed_ = true;
      then_ = BusEvent::kReboot;
      return Ack(cmd::kMcu, s, true);
    case mcu_sub::kReboot:  // MCU_Reboot_Ctrl
      then_ = BusEvent::kReboot;
      return Ack(cmd::kMcu, s, true);
    case mcu_sub::kPowerOffDelay:
      if (p.size() < 2) return Ack(cmd::kMcu, s, false);
      state_.power_off_delay_ms = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
      return Ack(cmd::kMcu, s, true);
    default:
      return Ack(cmd::kMcu, s, true);
  }
}

void EmulatedUnit::HandleKaraoke(std::uint8_t s, std::uint8_t o, std::span<const std::uint8_t> p) {
  if (s < karaoke_sub::kFirst || s > karaoke_sub::kLast) return;
  if (o == op::kGet) {
    frames_.push_back(KaraokeReport(s));
  } else if (o == op::kSet) {
    // scene, source, value; the echo delay (sub 5) is two bytes
    const std::size_t need = s == karaoke_sub::kEchoDelay ? 4 : 3;
    if (p.size() < need) return Ack(cmd::kKaraoke, s, false);
    state_.karaoke[s - karaoke_sub::kFirst] =
        s == karaoke_sub::kEchoDelay ? static_cast<std::uint16_t>(p[2] << 8 | p[3]) : p[2];
    Ack(cmd::kKaraoke, s, true);
  }
}

}  // namespace tolva::emulator
