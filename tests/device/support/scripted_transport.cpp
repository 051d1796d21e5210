#include "device/support/scripted_transport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "device/protocol/command_frame.h"

namespace tolva::device::testing {

void Script::Queue(Report report) {
  std::lock_guard<std::mutex> guard(mutex);
  reports.push_back(std::move(report));
  changed.notify_all();
}

void Script::QueueReply(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                        std::vector<std::uint8_t> data) {
  const auto frame = BuildReplyFrame(cmd, sub, op, data);
  Queue(Report(frame->begin(), frame->end()));
}

void Script::HoldReads() {
  std::lock_guard<std::mutex> guard(mutex);
  reads_held = true;
}

void Script::ReleaseReads() {
  std::lock_guard<std::mutex> guard(mutex);
  reads_held = false;
  changed.notify_all();
}

bool Script::WaitForHeldRead() {
  std::unique_lock<std::mutex> guard(mutex);
  return changed.wait_for(guard, std::chrono::seconds(10), [&] { return reads_waiting > 0; });
}

std::vector<Script::Report> Script::Writes() const {
  std::lock_guard<std::mutex> guard(mutex);
  return writes;
}

std::vector<std::string> Script::Events() const {
  std::lock_guard<std::mutex> guard(mutex);
  return events;
}

namespace {

class ScriptedTransport final : public Transport {
 public:
  explicit ScriptedTransport(std::shared_ptr<Script> script) : script_(std::move(script)) {}

  int Init() override {
    std::lock_guard<std::mutex> guard(script_->mutex);
    return script_->init_result;
  }
  bool Open(std::uint16_t vendor, std::uint16_t product) override {
    std::lock_guard<std::mutex> guard(script_->mutex);
    ++script_->opens;
    open_ = script_->open_succeeds && vendor == kUnitVendorId && product == kUnitProductId;
    return open_;
  }
  bool IsOpen() const override { return open_; }
  std::optional<std::wstring> ManufacturerString() override { return Text(L"Scripted"); }
  std::optional<std::wstring> ProductString() override { return Text(L"Unit"); }
  std::optional<std::wstring> SerialNumberString() override { return Text(L"S1"); }
  std::optional<std::wstring> IndexedString(int) override { return Text(L"Scripted"); }
  int SetNonBlocking(bool) override { return 0; }

  int Write(std::span<const std::uint8_t> report) override {
    std::lock_guard<std::mutex> guard(script_->mutex);
    if (script_->writes_fail || script_->unplugged) return -1;
    script_->writes.emplace_back(report.begin(), report.end());
    script_->events.push_back("W " + std::to_string(report.size() > 5 ? report[5] : -1));
    if (script_->responder) script_->responder(*script_, report);
    script_->changed.notify_all();
    return static_cast<int>(report.size());
  }

  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override {
    std::unique_lock<std::mutex> guard(script_->mutex);
    ++script_->reads_waiting;
    script_->changed.notify_all();
    script_->changed.wait(guard, [&] { return !script_->reads_held; });
    --script_->reads_waiting;
    if (script_->unplugged) return -1;
    if (script_->reports.empty()) {
      if (script_->clock) script_->clock->AdvanceMs(timeout_ms);
      script_->events.push_back("T");
      return 0;
    }
    Script::Report report = std::move(script_->reports.front());
    script_->reports.pop_front();
    script_->events.push_back("R");
    const std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<int>(n);
  }

  std::wstring LastError() override { return L"scripted failure"; }
  void Close() override {
    std::lock_guard<std::mutex> guard(script_->mutex);
    if (open_) ++script_->closes;
    open_ = false;
  }

 private:
  std::optional<std::wstring> Text(const wchar_t* text) {
    std::lock_guard<std::mutex> guard(script_->mutex);
    if (script_->strings_fail) return std::nullopt;
    return std::wstring(text);
  }

  std::shared_ptr<Script> script_;
  bool open_ = false;
};

}  // namespace

TransportFactory MakeScriptedFactory(std::shared_ptr<Script> script) {
  return [script] { return std::make_unique<ScriptedTransport>(script); };
}

std::string Hex(std::span<const std::uint8_t> bytes, std::size_t count) {
  if (count == 0 || count > bytes.size()) count = bytes.size();
  std::string out;
  char cell[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(cell, sizeof cell, i ? " %02x" : "%02x", bytes[i]);
    out += cell;
  }
  return out;
}

}  // namespace tolva::device::testing
