#pragma once

#include <memory>

#include "device/transport/transport.h"

namespace tolva::testing {

// A transport that hands everything to another one; a test overrides the calls it watches or
// changes.
class ForwardingTransport : public device::Transport {
 public:
  explicit ForwardingTransport(std::unique_ptr<device::Transport> inner)
      : inner_(std::move(inner)) {}

  int Init() override { return inner_->Init(); }
  bool Open(std::uint16_t vendor, std::uint16_t product) override {
    return inner_->Open(vendor, product);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  std::optional<std::wstring> ManufacturerString() override { return inner_->ManufacturerString(); }
  std::optional<std::wstring> ProductString() override { return inner_->ProductString(); }
  std::optional<std::wstring> SerialNumberString() override {
    return inner_->SerialNumberString();
  }
  std::optional<std::wstring> IndexedString(int index) override {
    return inner_->IndexedString(index);
  }
  int SetNonBlocking(bool on) override { return inner_->SetNonBlocking(on); }
  int Write(std::span<const std::uint8_t> report) override { return inner_->Write(report); }
  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override {
    return inner_->ReadTimeout(buffer, timeout_ms);
  }
  std::wstring LastError() override { return inner_->LastError(); }
  void Close() override { inner_->Close(); }

 protected:
  device::Transport& inner() { return *inner_; }

 private:
  std::unique_ptr<device::Transport> inner_;
};

}  // namespace tolva::testing
