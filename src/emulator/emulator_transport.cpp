#include "emulator/emulator_transport.h"

#include <algorithm>
#include <chrono>

namespace tolva::emulator {

EmulatorTransport::EmulatorTransport(std::shared_ptr<EmulatedDevice> device)
    : device_(std::move(device)), clock_(device_->clock()) {}

EmulatorTransport::~EmulatorTransport() {
  Close();
}

bool EmulatorTransport::Open(std::uint16_t vendor_id, std::uint16_t product_id) {
  std::lock_guard lock(mutex_);
  queue_.clear();
  open_ = false;
  if (vendor_id != device::kUnitVendorId || product_id != device::kUnitProductId ||
      !device_->IsPresent()) {
    last_error_ = L"no such device";
    return false;
  }
  generation_ = device_->generation();
  open_ = true;
  return true;
}

bool EmulatorTransport::IsOpenLocked() const {
  return open_ && device_->generation() == generation_ && device_->IsPresent();
}

bool EmulatorTransport::IsOpen() const {
  std::lock_guard lock(mutex_);
  return IsOpenLocked();
}

std::optional<std::wstring> EmulatorTransport::Descriptor(const wchar_t* text) const {
  std::lock_guard lock(mutex_);
  if (!IsOpenLocked()) return std::nullopt;
  return std::wstring(text);
}

std::optional<std::wstring> EmulatorTransport::ManufacturerString() {
  return Descriptor(L"Tolva");
}
std::optional<std::wstring> EmulatorTransport::ProductString() {
  return Descriptor(L"DSP emulator");
}
std::optional<std::wstring> EmulatorTransport::SerialNumberString() {
  return Descriptor(L"");
}
std::optional<std::wstring> EmulatorTransport::IndexedString(int index) {
  // String descriptor 1 is the manufacturer's on this unit.
  if (index != 1) return std::nullopt;
  return Descriptor(L"Tolva");
}

int EmulatorTransport::SetNonBlocking(bool) {
  return IsOpen() ? 0 : -1;
}

int EmulatorTransport::Write(std::span<const std::uint8_t> report) {
  BusEvent leave_now = BusEvent::kNone;
  {
    std::lock_guard lock(mutex_);
    if (!IsOpenLocked()) {
      last_error_ = L"device not open";
      return -1;
    }
    if (report.size() != device::kOutputReportSize) {
      last_error_ = L"an output report is 65 bytes";
      return -1;
    }
    UnitResponse response = device_->Handle(report);
    const int latency = device_->latency_ms();
    std::int64_t at = clock_.NowMs();
    if (!queue_.empty()) at = std::max(at, queue_.back().ready_at_ms);
    for (const InputReport& r : response.reports) {
      at += latency;
      queue_.push_back({r, at});
    }
    if (response.then != BusEvent::kNone) leave_when_read_ = response.then;
    if (queue_.empty()) std::swap(leave_now, leave_when_read_);
  }
  arrived_.notify_all();
  device_->LeaveBus(leave_now);
  return static_cast<int>(report.size());
}

void EmulatorTransport::Wait(std::unique_lock<std::mutex>& lock, std::int64_t ms) {
  // The system clock is waited on so that Write and Close wake the reader at once; any other
  // clock is a test clock whose sleep passes the time.
  if (&clock_ == &SystemClock()) {
    arrived_.wait_for(lock, std::chrono::milliseconds(ms));
  } else {
    lock.unlock();
    clock_.SleepMs(ms);
    lock.lock();
  }
}

int EmulatorTransport::ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) {
  BusEvent leave_now = BusEvent::kNone;
  int result = 0;
  {
    std::unique_lock lock(mutex_);
    const bool forever = timeout_ms < 0;
    const std::int64_t deadline = clock_.NowMs() + std::max(timeout_ms, 0);
    for (;;) {
      if (!IsOpenLocked()) {
        last_error_ = L"device removed";
        return -1;
      }
      const std::int64_t now = clock_.NowMs();
      if (!queue_.empty() && queue_.front().ready_at_ms <= now) {
        const InputReport& r = queue_.front().report;
        const std::size_t n = std::min(buffer.size(), r.size());
        std::copy_n(r.begin(), n, buffer.begin());
        queue_.pop_front();
        result = static_cast<int>(n);
        if (queue_.empty()) std::swap(leave_now, leave_when_read_);
        break;
      }
      if (!forever && now >= deadline) return 0;
      if (forever && queue_.empty()) {
        arrived_.wait(lock);
        continue;
      }
      std::int64_t wake = forever ? queue_.front().ready_at_ms : deadline;
      if (!queue_.empty()) wake = std::min(wake, queue_.front().ready_at_ms);
      Wait(lock, wake - now);
    }
  }
  device_->LeaveBus(leave_now);
  return result;
}

std::wstring EmulatorTransport::LastError() {
  std::lock_guard lock(mutex_);
  return last_error_;
}

void EmulatorTransport::Close() {
  BusEvent leave_now = BusEvent::kNone;
  {
    std::lock_guard lock(mutex_);
    if (!open_) return;
    open_ = false;
    queue_.clear();
    // A unit told to reboot does so whether or not its acknowledgement was read.
    std::swap(leave_now, leave_when_read_);
  }
  arrived_.notify_all();
  device_->LeaveBus(leave_now);
}

device::TransportFactory MakeEmulatorTransportFactory(std::shared_ptr<EmulatedDevice> device) {
  return [device]() -> std::unique_ptr<device::Transport> {
    return std::make_unique<EmulatorTransport>(device);
  };
}

}  // namespace tolva::emulator
