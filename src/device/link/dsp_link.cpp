#include "device/link/dsp_link.h"

#include <algorithm>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/link/exchange_tally.h"
#include "device/link/link_log.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/records.h"

namespace tolva::device {

namespace {
// A unit that floods the link with other reports still ends the exchange.
constexpr int kMaxReportsPerExchange = 64;
}  // namespace

DspLink::DspLink(TransportFactory factory, Clock& clock)
    : factory_(std::move(factory)),
      clock_(clock),
      decoder_(state_, [this](TargetWindow target, Notification notification) {
        Deliver(target, std::move(notification));
      }) {
  thread_ = std::thread([this] { McuCmdThread(); });
}

DspLink::~DspLink() {
  {
    std::lock_guard<std::mutex> guard(queue_mutex_);
    running_ = false;
  }
  stopping_ = true;  // cuts the thread's current wait short
  queue_wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  if (transport_) transport_->Close();
  transport_.reset();
  open_ = false;
}

void DspLink::SetNotificationSink(TargetWindow target, NotificationSink* sink) {
  std::lock_guard<std::mutex> guard(sink_mutex_);
  sinks_[static_cast<std::size_t>(target)] = sink;
}

void DspLink::Deliver(TargetWindow target, Notification notification) {
  std::lock_guard<std::mutex> guard(sink_mutex_);
  const auto index = static_cast<std::size_t>(target);
  if (index < sinks_.size() && sinks_[index]) sinks_[index]->Post(std::move(notification));
  // Otherwise the notification dies here, and its record with it.
}

void DspLink::SetReplyHandler(std::uint8_t cmd, std::uint8_t sub, ReplyDecoder::Handler handler) {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  decoder_.SetHandler(cmd, sub, std::move(handler));
}

int DspLink::OpenHIDDevice() {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  if (transport_) return 0;
  std::unique_ptr<Transport> transport = factory_ ? factory_() : nullptr;
  if (!transport) {
    DebugPrint(L"unable to open device\n");
    return -1;
  }
  if (const int r = transport->Init(); r != 0) return r;
  if (!transport->Open(kUnitVendorId, kUnitProductId)) {
    DebugPrint(L"unable to open device\n");
    return -1;
  }

  const auto manufacturer = transport->ManufacturerString();
  if (!manufacturer) DebugPrint(L"Unable to read manufacturer string\n");
  DebugPrint(L"Manufacturer String: %ls\n", manufacturer.value_or(L"").c_str());
  const auto product = transport->ProductString();
  if (!product) DebugPrint(L"Unable to read product string\n");
  DebugPrint(L"Product String: %ls\n", product.value_or(L"").c_str());
  const auto serial_read = transport->SerialNumberString();
  if (!serial_read) DebugPrint(L"Unable to read serial number string\n");
  const std::wstring serial = serial_read.value_or(L"");
  DebugPrint(L"Serial Number String: (%d) %ls\n", serial.empty() ? 0 : static_cast<int>(serial[0]),
             serial.c_str());
  const auto indexed = transport->IndexedString(1);
  if (!indexed) DebugPrint(L"Unable to read indexed string 1\n");
  DebugPrint(L"Indexed String 1: %ls\n", indexed.value_or(L"").c_str());

  const int result = transport->SetNonBlocking(true);
  transport_ = std::move(transport);
  open_ = true;
  silent_ = false;
  return result;
}

void DspLink::CloseHIDDevice(bool say_goodbye) {
  if (!open_) return;
  ++close_requests_;  // a read in progress gives up within one slice
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  --close_requests_;
  if (!transport_) return;
  if (say_goodbye) {
    const std::uint8_t off = 0;
    DebugPrint(L"PC_Connect = %d\n", off);
    SendLocked(cmd::kMcu, mcu_sub::kPcConnect, op::kSet, std::span(&off, 1));
  }
  transport_->Close();
  transport_.reset();
  open_ = false;
  write_in_progress_ = false;
  DebugPrint(L"CloseHIDDevice!\n");
}

bool DspLink::SendCtrlCommand(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                              std::span<const std::uint8_t> payload) {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  return SendLocked(cmd, sub, op, payload);
}

bool DspLink::SendLocked(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                         std::span<const std::uint8_t> payload) {
  if (!transport_) {
    write_in_progress_ = false;
    return false;
  }
  LogTimeStamp();
  DebugPrint(L"SendCtrlCommand\n");
  const CommandFrame frame = CommandFrame::Build(cmd, sub, op, payload);
  DebugPrint(L"begain to write data to devices:");
  LogBytes(frame.bytes());
  DebugPrint(L"\n");
  write_in_progress_ = true;
  DebugPrint(L"set WRITE_ROPRT = TRUE\n");
  const int written = transport_->Write(frame.bytes());
  write_in_progress_ = false;
  last_write_failed_ = written < 0;
  if (written < 0) {
    DebugPrint(L"Write HidDeviceObject = %d errot = %ls\n", 1, transport_->LastError().c_str());
    return false;
  }
  DebugPrint(L"write data ok! HidDeviceObject = %d\n", 1);
  LogTimeStamp();
  return true;
}

bool DspLink::ReadHIDData(int timeout_ms) {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  return ReadLocked(timeout_ms);
}

bool DspLink::ReadLocked(int timeout_ms) {
  const std::int64_t start = clock_.NowMs();
  DebugPrint(L"ReadHIDData timestart = %ld\n", static_cast<long>(start));
  if (!transport_) {
    DebugPrint(L"mHidHandle is NULL\n");
    write_in_progress_ = false;
    bytes_read_ = 0;
    return false;
  }
  const auto buffer = std::span(receive_buffer_).first(kInputReportSize);
  int result = 0;
  int remaining = std::max(timeout_ms, 0);
  do {
    const int slice = std::min(remaining, kReadSliceMs);
    result = transport_->ReadTimeout(buffer, slice);
    remaining -= slice;
  } while (result == 0 && remaining > 0 && !AbortWaiting());
  DebugPrint(L"ReadHIDData done timeend-timestart = %ld\n",
             static_cast<long>(clock_.NowMs() - start));
  DebugPrint(L"ReadHIDData NumberOfBytesRead = %d\n", result);
  last_read_error_ = result < 0;
  if (result <= 0) {
    bytes_read_ = 0;
    return false;
  }
  const auto got =
      buffer.first(std::min<std::size_t>(static_cast<std::size_t>(result), buffer.size()));
  bytes_read_ = static_cast<int>(got.size());
  DebugPrint(L"read data:");
  LogBytes(got);
  DebugPrint(L"\n");
  reassembler_.Append(got);
  DrainRingLocked();
  return true;
}

void DspLink::DrainRingLocked() {
  reassembler_.Drain(
      [this](const ReplyFrame& frame) {
        SetSilent(false);
        decoder_.Decode(frame);
        if (awaited_.active && frame.cmd == awaited_.cmd && frame.HasHeader() &&
            frame.sub() == awaited_.sub) {
          awaited_.arrived = true;
          awaited_.not_ready = frame.op() == op::kAck && !frame.data().empty() &&
                               frame.data()[0] == op::kAckNotReady;
        }
      },
      [this] { return transport_ != nullptr; });
}

std::vector<std::uint8_t> DspLink::LastReport() const {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  const auto n = static_cast<std::size_t>(bytes_read_.load());
  return {receive_buffer_.begin(), receive_buffer_.begin() + static_cast<long>(n)};
}

void DspLink::ClearReceiveRing() {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  reassembler_.ClearRing();
}

bool DspLink::ParsePendingByte() {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  return reassembler_.DrainOne([this](const ReplyFrame& frame) { decoder_.Decode(frame); });
}

void DspLink::EnableCommandQueue() {
  queue_enabled_ = true;
}
void DspLink::DisableCommandQueue() {
  queue_enabled_ = false;
}

std::size_t DspLink::PendingCommandCount() const {
  std::lock_guard<std::mutex> guard(queue_mutex_);
  return queue_.size();
}

bool DspLink::WaitUntilQueueIdle(int timeout_ms) {
  std::unique_lock<std::mutex> guard(queue_mutex_);
  return idle_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                        [this] { return (queue_.empty() && !in_flight_) || !running_; });
}

void DspLink::AwaitQueuedSince(std::uint64_t lost_before, int timeout_ms) {
  const bool drained = WaitUntilQueueIdle(timeout_ms);
  const auto lost = static_cast<int>(queued_lost_.load() - lost_before) + (drained ? 0 : 1);
  ExchangeTally::RecordLost(lost, !IsDeviceOpen() || LastReadFailed());
}

bool DspLink::Exchange(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                       std::span<const std::uint8_t> payload, int timeout_ms) {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  return ExchangeLocked(cmd, sub, op, payload, timeout_ms, true);
}

bool DspLink::ExchangeAnswerOptional(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                                     std::span<const std::uint8_t> payload, int timeout_ms) {
  std::unique_lock<ExchangeLock> exchange(exchange_lock_);
  return ExchangeLocked(cmd, sub, op, payload, timeout_ms, false);
}

bool DspLink::ExchangeLocked(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                             std::span<const std::uint8_t> payload, int timeout_ms,
                             bool answer_promised) {
  // The wait follows even when the write failed: it returns at once on a closed link.
  last_write_failed_ = false;
  const bool written = SendLocked(cmd, sub, op, payload);
  // "Not ready" answers but changes nothing: the command was not carried out.
  const bool answered =
      AwaitReplyLocked(cmd, sub, timeout_ms, answer_promised) && !last_not_ready_;
  if (last_not_ready_) DebugPrint(L"the unit is not ready: cmd 0x%02x sub 0x%02x\n", cmd, sub);
  if (answer_promised) {
    ExchangeTally::Record(answered, !transport_ || last_write_failed_ || last_read_error_.load());
  } else {
    // What the unit does after taking the command (a restart, leaving the bus) is the next
    // exchange's concern; a refusal is not.
    ExchangeTally::Record(written && !last_not_ready_, !written);
  }
  return answered;
}

bool DspLink::AwaitReplyLocked(std::uint8_t cmd, std::uint8_t sub, int timeout_ms,
                               bool answer_promised) {
  awaited_ = Awaited{true, cmd, sub, false, false};
  const std::int64_t deadline = clock_.NowMs() + std::max(timeout_ms, 0);
  int budget = std::max(timeout_ms, 0);
  for (int reads = 0; reads < kMaxReportsPerExchange && !awaited_.arrived; ++reads) {
    // A false read has waited its whole budget or met a closed link.
    if (!ReadLocked(budget) || AbortWaiting()) break;
    budget = static_cast<int>(deadline - clock_.NowMs());
    if (budget <= 0) break;
  }
  const bool arrived = awaited_.arrived;
  last_not_ready_ = arrived && awaited_.not_ready;
  awaited_ = Awaited{};
  // A unit that has gone or a wait cut short is not a silent unit.
  if (!arrived && answer_promised && transport_ && !last_read_error_ && !AbortWaiting()) {
    SetSilent(true);
  }
  return arrived;
}

void DspLink::SetSilent(bool silent) {
  if (silent_.exchange(silent) == silent) return;
  DebugPrint(silent ? L"the unit does not answer\n" : L"the unit answers again\n");
  Deliver(TargetWindow::kMain, Notification{MSG_UNIT_SILENT, silent ? 1 : 0, 0, nullptr});
}

void DspLink::Issue(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                    std::vector<std::uint8_t> payload, bool sync, int timeout_ms) {
  if (sync) {
    Exchange(cmd, sub, op, payload, timeout_ms);
    return;
  }
  const std::uint8_t target = TargetBytes(cmd, sub, op, payload);
  bool replaced = false;
  {
    std::lock_guard<std::mutex> guard(queue_mutex_);
    if (!queue_enabled_ || !running_) {  // dropped: edits during a connect read are lost
      ++queued_lost_;
      return;
    }
    PendingCommand command{cmd, sub, op, std::move(payload), target};
    if (holding_) {
      held_.push_back(std::move(command));
      return;
    }
    replaced = queue_.Push(std::move(command));
  }
  if (replaced) {
    DebugPrint(L"replaced waiting mcmd 0x%02x subcmd 0x%02x\n", cmd, sub);
    return;  // the thread already knows of the waiting command
  }
  queue_wake_.notify_one();
}

void DspLink::HoldQueuedCommands() {
  std::lock_guard<std::mutex> guard(queue_mutex_);
  holding_ = true;
}

void DspLink::ReleaseHeldCommands(bool send) {
  {
    std::lock_guard<std::mutex> guard(queue_mutex_);
    holding_ = false;
    if (send && queue_enabled_ && running_) {
      for (PendingCommand& command : held_) queue_.Push(std::move(command));
    } else if (send) {
      queued_lost_ += held_.size();
    }
    held_.clear();
  }
  queue_wake_.notify_one();
}

void DspLink::LogPending(const PendingCommand& command) {
  DebugPrint(L"get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x", command.cmd, command.sub,
             command.op, static_cast<unsigned>(command.payload.size()));
  for (std::size_t i = 0; i < command.payload.size(); ++i) {
    DebugPrint(L"cmd_data[%d](0x%02x)", static_cast<int>(i), command.payload[i]);
  }
  DebugPrint(L"\n");
}

void DspLink::McuCmdThread() {
  DebugPrint(L"McuCmdThread start\n");
  for (;;) {
    PendingCommand command;
    {
      std::unique_lock<std::mutex> guard(queue_mutex_);
      queue_wake_.wait(guard, [this] { return !running_ || !queue_.empty(); });
      if (!running_) break;
      command = std::move(*queue_.Pop());
      in_flight_ = true;
    }
    LogPending(command);
    // A queued command always waits the full 10000 ms, whatever its synchronous time-out.
    if (!Exchange(command.cmd, command.sub, command.op, command.payload, kDefaultTimeoutMs)) {
      ++queued_lost_;
    }
    {
      std::lock_guard<std::mutex> guard(queue_mutex_);
      in_flight_ = false;
    }
    idle_.notify_all();
  }
  std::lock_guard<std::mutex> guard(queue_mutex_);
  while (auto left = queue_.Pop()) LogPending(*left);  // freed unsent
  DebugPrint(L"McuCmdThread end\n");
}

// --- Group 3 ---

void DspLink::PC_Connect(std::uint8_t on) {
  DebugPrint(L"PC_Connect = %d\n", on);
  SendCtrlCommand(cmd::kMcu, mcu_sub::kPcConnect, op::kSet, std::span(&on, 1));
}

bool DspLink::Hand_Connect() {
  DebugPrint(L"Hand_Connect\n");
  return Exchange(cmd::kMcu, mcu_sub::kHandshake, op::kSet, {});
}

bool DspLink::MCU_Enter_Upg_Mode() {
  DebugPrint(L"MCU_Enter_Upg_Mode\n");
  return Exchange(cmd::kMcu, mcu_sub::kEnterUpgrade, op::kSet, {});
}

bool DspLink::MCU_Reboot_Ctrl() {
  DebugPrint(L"MCU_Reboot_Ctrl\n");
  return Exchange(cmd::kMcu, mcu_sub::kReboot, op::kSet, {});
}

bool DspLink::Factory_Default_Ctrl() {
  DebugPrint(L"Factory_Default_Ctrl\n");
  return ExchangeAnswerOptional(cmd::kMcu, mcu_sub::kFactoryDefault, op::kSet, {},
                                kFactoryDefaultTimeoutMs);
}

}  // namespace tolva::device
