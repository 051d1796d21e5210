#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tolva::device {

constexpr std::uint16_t kUnitVendorId = 0x0483;
constexpr std::uint16_t kUnitProductId = 0x5750;
constexpr std::size_t kOutputReportSize = 65;  // report number 0, then 64 bytes
constexpr std::size_t kInputReportSize = 64;   // hidraw returns the report without its number

// The byte pipe to one unit. Implementations do I/O and nothing else: hidapi, the report bridge
// (socket:PATH) and the in-process emulated unit.
class Transport {
 public:
  virtual ~Transport() = default;

  // hid_init; non-zero means the library could not start.
  virtual int Init() { return 0; }
  // Opens the first unit with this vendor and product; false when there is none.
  virtual bool Open(std::uint16_t vendor_id, std::uint16_t product_id) = 0;
  virtual bool IsOpen() const = 0;
  // Descriptor strings; nullopt when the read fails.
  virtual std::optional<std::wstring> ManufacturerString() = 0;
  virtual std::optional<std::wstring> ProductString() = 0;
  virtual std::optional<std::wstring> SerialNumberString() = 0;
  virtual std::optional<std::wstring> IndexedString(int index) = 0;
  virtual int SetNonBlocking(bool nonblocking) = 0;
  // Writes one 65-byte output report; the byte count, or -1 on error.
  virtual int Write(std::span<const std::uint8_t> report) = 0;
  // Reads one input report into buffer, waiting up to timeout_ms: its length, 0 on time-out,
  // -1 on error or when the unit has gone.
  virtual int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) = 0;
  virtual std::wstring LastError() = 0;
  virtual void Close() = 0;
};

// Makes a fresh, closed transport each time the link opens the unit.
using TransportFactory = std::function<std::unique_ptr<Transport>()>;

}  // namespace tolva::device
