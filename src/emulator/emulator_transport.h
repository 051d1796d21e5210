#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "device/transport/transport.h"
#include "emulator/emulated_device.h"

namespace tolva::emulator {

// The emulated unit behind the transport interface, in-process: Write runs the unit's firmware,
// ReadTimeout hands out its reports, each after the configured latency, waiting through the
// device's clock (a fake clock makes every wait instant).
class EmulatorTransport final : public device::Transport {
 public:
  explicit EmulatorTransport(std::shared_ptr<EmulatedDevice> device);
  ~EmulatorTransport() override;

  bool Open(std::uint16_t vendor_id, std::uint16_t product_id) override;
  bool IsOpen() const override;
  std::optional<std::wstring> ManufacturerString() override;
  std::optional<std::wstring> ProductString() override;
  std::optional<std::wstring> SerialNumberString() override;
  std::optional<std::wstring> IndexedString(int index) override;
  int SetNonBlocking(bool nonblocking) override;
  int Write(std::span<const std::uint8_t> report) override;
  // A negative time-out waits until a report comes or the transport closes.
  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override;
  std::wstring LastError() override;
  void Close() override;

 private:
  struct Pending {
    InputReport report;
    std::int64_t ready_at_ms;
  };
  bool IsOpenLocked() const;
  std::optional<std::wstring> Descriptor(const wchar_t* text) const;
  void Wait(std::unique_lock<std::mutex>& lock, std::int64_t ms);

  const std::shared_ptr<EmulatedDevice> device_;
  Clock& clock_;
  mutable std::mutex mutex_;  // guards everything below; taken before the device's lock
  std::condition_variable arrived_;
  bool open_ = false;
  std::uint64_t generation_ = 0;
  std::deque<Pending> queue_;
  BusEvent leave_when_read_ = BusEvent::kNone;
  std::wstring last_error_;
};

// A factory for DspLink: every transport it makes talks to the same unit.
device::TransportFactory MakeEmulatorTransportFactory(std::shared_ptr<EmulatedDevice> device);

}  // namespace tolva::emulator
