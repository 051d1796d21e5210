#include "device/transport/hid_transport.h"

#include <hidapi.h>

namespace tolva::device {

namespace {

constexpr std::size_t kStringChars = 255;

class HidTransport final : public Transport {
 public:
  ~HidTransport() override { Close(); }

  int Init() override { return hid_init(); }

  bool Open(std::uint16_t vendor_id, std::uint16_t product_id) override {
    Close();
    device_ = hid_open(vendor_id, product_id, nullptr);
    return device_ != nullptr;
  }
  bool IsOpen() const override { return device_ != nullptr; }

  std::optional<std::wstring> ManufacturerString() override {
    return ReadString([](hid_device* d, wchar_t* s, std::size_t n) {
      return hid_get_manufacturer_string(d, s, n);
    });
  }
  std::optional<std::wstring> ProductString() override {
    return ReadString(
        [](hid_device* d, wchar_t* s, std::size_t n) { return hid_get_product_string(d, s, n); });
  }
  std::optional<std::wstring> SerialNumberString() override {
    return ReadString([](hid_device* d, wchar_t* s, std::size_t n) {
      return hid_get_serial_number_string(d, s, n);
    });
  }
  std::optional<std::wstring> IndexedString(int index) override {
    return ReadString([index](hid_device* d, wchar_t* s, std::size_t n) {
      return hid_get_indexed_string(d, index, s, n);
    });
  }

  int SetNonBlocking(bool nonblocking) override {
    return device_ ? hid_set_nonblocking(device_, nonblocking ? 1 : 0) : -1;
  }

  int Write(std::span<const std::uint8_t> report) override {
    return device_ ? hid_write(device_, report.data(), report.size()) : -1;
  }

  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override {
    if (!device_) return -1;
    return hid_read_timeout(device_, buffer.data(), buffer.size(), timeout_ms);
  }

  std::wstring LastError() override {
    const wchar_t* text = hid_error(device_);
    return text ? std::wstring(text) : std::wstring();
  }

  void Close() override {
    if (device_) hid_close(device_);
    device_ = nullptr;
  }

 private:
  template <class Read>
  std::optional<std::wstring> ReadString(Read read) {
    if (!device_) return std::nullopt;
    wchar_t text[kStringChars + 1] = {};
    if (read(device_, text, kStringChars) < 0) return std::nullopt;
    text[kStringChars] = L'\0';
    return std::wstring(text);
  }

  hid_device* device_ = nullptr;
};

}  // namespace

std::unique_ptr<Transport> MakeHidTransport() {
  return std::make_unique<HidTransport>();
}

}  // namespace tolva::device
