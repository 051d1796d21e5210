#include "device/link/firmware_upgrade.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::device {
namespace {

constexpr int kEnterWaitMs = 8000;  // the unit re-enumerates in upgrade mode
constexpr int kReopenAttempts = 10;
constexpr int kReopenPauseMs = 500;
constexpr int kAckReadMs = 10000;
// A block's acknowledgement is given up on after this many reads that brought nothing (30 s of
// silence), or this many reads in all (a unit that answers "not ready" or other reports only).
constexpr int kAckSilentReads = 3;
constexpr int kAckReads = 64;
constexpr std::size_t kMcuBlockData = 32;
constexpr std::size_t kFlashBlockData = 50;

// (group, sub) of each target's commands.
struct Commands {
  std::uint8_t enter_cmd, enter_sub, cmd, start, block, finish;
};
Commands CommandsOf(UpgradeTarget target) {
  switch (target) {
    case UpgradeTarget::kDspFlash:
      return {cmd::kMcu,
              mcu_sub::kEnterUpgrade,
              cmd::kScene,
              upgrade_sub::kFlashStart,
              upgrade_sub::kFlashBlock,
              upgrade_sub::kFlashFinish};
    case UpgradeTarget::kBootLoader:
      return {cmd::kMcu,
              upgrade_sub::kSlaveEnter,
              cmd::kMcu,
              upgrade_sub::kSlaveStart,
              upgrade_sub::kSlaveBlock,
              upgrade_sub::kSlaveFinish};
    default:
      return {cmd::kMcu,
              mcu_sub::kEnterUpgrade,
              cmd::kMcu,
              upgrade_sub::kMcuStart,
              upgrade_sub::kMcuBlock,
              upgrade_sub::kMcuFinish};
  }
}

void AppendBigEndian32(std::vector<std::uint8_t>& out, std::size_t value) {
  for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

bool Ready(const ReplyFrame& f) {
  return f.op() == op::kAck && !f.data().empty() && f.data()[0] == op::kAckReady;
}
bool NotReady(const ReplyFrame& f) {
  return f.op() == op::kAck && !f.data().empty() && f.data()[0] == op::kAckNotReady;
}

}  // namespace

FirmwareUpgrade::FirmwareUpgrade(DspLink& link, Clock& clock) : link_(link), clock_(clock) {
  InstallAcknowledgements();
}

// The handlers run on whichever thread reads the report and change only the link's upgrade
// state, so an acknowledgement read by another reader still moves the transfer on.
void FirmwareUpgrade::InstallAcknowledgements() {
  const auto state_of = [](ReplyDecoder& d) -> std::atomic<int>& {
    return d.state().upgrade_state;
  };
  for (std::uint8_t enter : {mcu_sub::kEnterUpgrade, upgrade_sub::kSlaveEnter}) {
    link_.SetReplyHandler(cmd::kMcu, enter, [state_of](const ReplyFrame& f, ReplyDecoder& d) {
      if (Ready(f)) state_of(d) = UPG_START;
    });
  }
  for (std::uint8_t start : {upgrade_sub::kMcuStart, upgrade_sub::kSlaveStart}) {
    link_.SetReplyHandler(cmd::kMcu, start, [state_of](const ReplyFrame& f, ReplyDecoder& d) {
      if (f.op() != op::kAck) return;
      const bool ready = Ready(f);
      DebugPrint(ready ? L"MCU_UPG_START: ACK_READY\n" : L"MCU_UPG_START: ACK_NOT_READY\n");
      state_of(d) = ready ? UPG_READY : UPG_FAIL;
    });
  }
  link_.SetReplyHandler(cmd::kScene, upgrade_sub::kFlashStart,
                        [state_of](const ReplyFrame& f, ReplyDecoder& d) {
                          if (Ready(f) && state_of(d) == UPG_START) {
                            DebugPrint(L"FLASH UPG_START: ACK_READY\n");
                            state_of(d) = UPG_READY;
                          } else if (NotReady(f)) {
                            DebugPrint(L"FLASH UPG_START: ACK_NOT_READY\n");
                            state_of(d) = UPG_FAIL;
                          }
                        });
  // "Not ready" leaves the state waiting: the step reads again for the further acknowledgement.
  const auto block_ack = [state_of](const wchar_t* ready_line, const wchar_t* wait_line) {
    return [=](const ReplyFrame& f, ReplyDecoder& d) {
      if (state_of(d) != UPG_WAITING_BIN_DATA_ACK) return;
      if (Ready(f)) {
        DebugPrint(ready_line);
        state_of(d) = UPG_READY;
      } else if (NotReady(f)) {
        DebugPrint(wait_line);
      }
    };
  };
  for (std::uint8_t block : {upgrade_sub::kMcuBlock, upgrade_sub::kSlaveBlock}) {
    link_.SetReplyHandler(
        cmd::kMcu, block,
        block_ack(L"MCU UPG_WAITING_BIN_DATA_ACK: ACK_READY\n", L"MCU !!!!! NOT_READY !!!!!!\n"));
  }
  link_.SetReplyHandler(
      cmd::kScene, upgrade_sub::kFlashBlock,
      block_ack(L"UPG_WAITING_BIN_DATA_ACK: ACK_READY\n", L"!!!!! NOT_READY !!!!!!\n"));
  for (std::uint8_t finish : {upgrade_sub::kMcuFinish, upgrade_sub::kSlaveFinish}) {
    link_.SetReplyHandler(cmd::kMcu, finish, [state_of](const ReplyFrame& f, ReplyDecoder& d) {
      if (Ready(f) && state_of(d) == UPG_FINISH) DebugPrint(L"MCU UPG_FINISH: ACK_READY\n");
    });
  }
  link_.SetReplyHandler(cmd::kScene, upgrade_sub::kFlashFinish,
                        [state_of](const ReplyFrame& f, ReplyDecoder& d) {
                          if (Ready(f) && state_of(d) == UPG_FINISH)
                            DebugPrint(L"UPG_FINISH: ACK_READY\n");
                        });
}

int FirmwareUpgrade::ParseFile(const std::string& path) {
  const bool mcu = IsMcuImage();
  if (mcu) {
    DebugPrint(target_ == UpgradeTarget::kBootLoader ? L"MCUUpgBLParsingFile!\n"
                                                     : L"MCUUpgParsingFile!\n");
    SetState(UPG_ENTER);
    if (!link_.IsDeviceOpen()) return kNotConnected;
  } else {
    DebugPrint(L"FlashUpgParsingFile!\n");
    if (!link_.IsDeviceOpen()) {
      DebugPrint(L"USB disconnected!\n");
      return kNotConnected;
    }
    SetState(UPG_START);
  }
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return kCannotOpen;
  DebugPrint("Open file %s success!\n", path.c_str());
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxImageFileBytes) return kInvalidFile;
  if (!mcu) {
    link_.ClearReceiveRing();
    DebugPrint("%s file size is %ld\n", path.c_str(), static_cast<long>(size));
  }
  std::vector<std::uint8_t> file(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(file.data()), size)) return kCannotOpen;
  UpgradeImage image;
  const ImageCheck check = ParseUpgradeImage(file, target_, DspLink::kExpectedModel, image);
  DebugPrint(mcu ? L"cal MCU encrypt_checksum=0x%x!\n" : L"cal FLASH checksum=0x%x!\n",
             image.computed_checksum);
  DebugPrint(L"encrypt_checksum=0x%x!\n", image.stored_checksum);
  if (check != ImageCheck::kOk) {
    if (!mcu) DebugPrint(L"UPG_FILE_INVALIE!\n");
    return kInvalidFile;
  }
  image_ = std::move(image.data);
  start_header_ = image.start_header;
  return kStarted;
}

int FirmwareUpgrade::UpgradeStart(const std::string& path) {
  DebugPrint("UpgradeStart %s\n", UpperFileName(path).c_str());
  target_ = TargetOfFileName(path);
  if (target_ == UpgradeTarget::kNone) {
    SetState(UPG_IDLE);
    return kInvalidFile;
  }
  sent_ = remaining_ = 0;
  image_.clear();
  if (const int parsed = ParseFile(path); parsed != kStarted) {
    SetState(UPG_IDLE);
    image_.clear();
    return parsed;
  }
  const Commands c = CommandsOf(target_);
  if (target_ == UpgradeTarget::kBootLoader) {
    link_.Exchange(c.enter_cmd, c.enter_sub, op::kSet, {});
  } else {
    link_.MCU_Enter_Upg_Mode();
  }
  if (State() != UPG_START) {
    SetState(UPG_IDLE);
    return kRefused;
  }
  if (link_.HandshakeOk() && target_ != UpgradeTarget::kBootLoader) {
    link_.CloseHIDDevice(false);
    clock_.SleepMs(kEnterWaitMs);
    for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
      link_.OpenHIDDevice();
      if (link_.IsDeviceOpen()) break;
      clock_.SleepMs(kReopenPauseMs);
    }
  }
  link_.SetBootLoaderVersion(0);
  if (!link_.IsDeviceOpen()) {
    image_.clear();
    SetState(UPG_IDLE);
    return kNotConnected;
  }
  link_.ClearReceiveRing();
  remaining_ = image_.size();
  link_.Exchange(c.cmd, c.start, op::kSet, start_header_);
  // A start nobody answered leaves the state at UPG_START, where the steps would wait forever.
  if (State() == UPG_START) SetState(UPG_FAIL);
  if (target_ != UpgradeTarget::kBootLoader && State() == UPG_FAIL) {
    image_.clear();
    SetState(UPG_IDLE);
    return kRefused;
  }
  step_status_ = kStepReady;
  return kStarted;
}

void FirmwareUpgrade::SendNextBlock() {
  const Commands c = CommandsOf(target_);
  if (IsMcuImage()) {
    if (remaining_ == 0) {
      // A finish that never reached the unit leaves it half-written: not "finished".
      if (!link_.SendCtrlCommand(c.cmd, c.finish, op::kSet)) return Fail();
      step_status_ = kStepDone;
      SetState(UPG_FINISH);
      DebugPrint(target_ == UpgradeTarget::kBootLoader ? L"%lld upgrade mcu bootloader finished!\n"
                                                       : L"%lld upgrade mcu finished!\n",
                 static_cast<long long>(clock_.NowMs()));
      return;
    }
    if (!link_.IsDeviceOpen()) return Fail();
    const bool first = remaining_ == image_.size();
    const std::size_t length =
        first && image_.size() % kMcuBlockData != 0 ? image_.size() % kMcuBlockData : kMcuBlockData;
    remaining_ -= length;
    std::vector<std::uint8_t> block;
    AppendBigEndian32(block, remaining_);
    block.insert(block.end(), image_.begin() + static_cast<std::ptrdiff_t>(remaining_),
                 image_.begin() + static_cast<std::ptrdiff_t>(remaining_ + length));
    block.resize(4 + kMcuBlockData, 0);
    link_.SendCtrlCommand(c.cmd, c.block, op::kSet, block);
  } else {
    if (sent_ >= image_.size()) {
      if (!link_.SendCtrlCommand(c.cmd, c.finish, op::kSet)) return Fail();
      step_status_ = kStepDone;
      SetState(UPG_FINISH);
      DebugPrint(L"%lld upgrade dsp finished!\n", static_cast<long long>(clock_.NowMs()));
      return;
    }
    const std::size_t length = std::min(kFlashBlockData, image_.size() - sent_);
    const std::size_t offset = sent_;
    sent_ += length;
    DebugPrint(L"%lld Total file len %ld; current read pos: %ld;  has read len %ld.\n",
               static_cast<long long>(clock_.NowMs()), static_cast<long>(image_.size()),
               static_cast<long>(length), static_cast<long>(sent_));
    if (!link_.IsDeviceOpen()) return Fail();
    std::vector<std::uint8_t> block;
    AppendBigEndian32(block, offset);
    block.push_back(static_cast<std::uint8_t>(length));
    block.insert(block.end(), image_.begin() + static_cast<std::ptrdiff_t>(offset),
                 image_.begin() + static_cast<std::ptrdiff_t>(sent_));
    link_.SendCtrlCommand(c.cmd, c.block, op::kSet, block);
  }
  SetState(UPG_WAITING_BIN_DATA_ACK);
  step_status_ = kStepBlockSent;
  ack_reads_ = silent_reads_ = 0;
}

std::uint8_t FirmwareUpgrade::End() {
  if (target_ == UpgradeTarget::kDspFlash) link_.MCU_Reboot_Ctrl();
  image_.clear();
  const std::uint8_t result = State() == UPG_FINISH ? kFinished : kFailed;
  SetState(UPG_IDLE);
  step_status_ = kStepDone;
  return result;
}

int FirmwareUpgrade::Progress() const {
  if (image_.empty()) return 0;
  const std::size_t done = IsMcuImage() ? image_.size() - remaining_ : sent_;
  return static_cast<int>(done * 100 / image_.size());
}

void FirmwareUpgrade::Fail() {
  step_status_ = kStepDone;
  SetState(UPG_FAIL);
}

void FirmwareUpgrade::ReadAcknowledgement() {
  if (!link_.IsDeviceOpen()) return Fail();
  // Another reader may have taken the acknowledgement already; its decoding moved the state on.
  if (State() != UPG_WAITING_BIN_DATA_ACK) {
    step_status_ = kStepReady;
    return;
  }
  if (silent_reads_ >= kAckSilentReads || ack_reads_ >= kAckReads) {
    DebugPrint(L"%lld no acknowledgement from the unit, upgrade failed\n",
               static_cast<long long>(clock_.NowMs()));
    return Fail();
  }
  ++ack_reads_;
  DebugPrint(L"%lld begain to read data...\n", static_cast<long long>(clock_.NowMs()));
  if (link_.ReadHIDData(kAckReadMs)) {
    DebugPrint(L"has send out %d dtata... data return from devices is:", link_.BytesRead());
    for (std::uint8_t b : link_.LastReport()) DebugPrint(L"0x%02X ", b);
    DebugPrint(L"\n\r");
    // Whatever the report held (ready, not ready, both, something else), the state says what
    // comes next: the next block, or another read.
    step_status_ = kStepReady;
    return;
  }
  DebugPrint(L"%lld read data error! %d\n", static_cast<long long>(clock_.NowMs()), errno);
  ++silent_reads_;
  // A unit that has gone answers every read at once: end instead of spinning.
  if (link_.LastReadFailed()) Fail();
}

std::uint8_t FirmwareUpgrade::UpgradeStep() {
  if (step_status_ == kStepBlockSent) {
    step_status_ = kStepReadAck;
    return static_cast<std::uint8_t>(Progress());
  }
  if (step_status_ == kStepReadAck) {
    ReadAcknowledgement();
    return static_cast<std::uint8_t>(Progress());
  }
  const int state = State();
  if (state == UPG_READY && step_status_ != kStepDone) {
    SendNextBlock();
  } else if (state == UPG_FINISH || state == UPG_FAIL) {
    return End();
  } else if (state == UPG_WAITING_BIN_DATA_ACK) {
    step_status_ = kStepReadAck;  // not acknowledged yet: read again
  } else if (!link_.ParsePendingByte()) {
    // No state here moves on by itself: nothing is sent and nothing is awaited.
    Fail();
  }
  return static_cast<std::uint8_t>(Progress());
}

}  // namespace tolva::device
