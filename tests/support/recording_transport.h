#pragma once

// A transport that records every report written to the unit behind it, for tests and benchmarks
// that assert or count what reached the unit.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "device/transport/transport.h"

namespace tolva::model::testing {

// One command as the unit received it.
struct SentFrame {
  int cmd = 0, sub = 0, op = 0;
  std::vector<std::uint8_t> payload;
};

// "cmd sub op: payload" in lower-case hex, as the recorded frame tables write a frame.
inline std::string FrameHex(const SentFrame& f) {
  std::string s;
  char byte[4];
  for (int v : {f.cmd, f.sub, f.op}) {
    std::snprintf(byte, sizeof byte, "%02x ", v);
    s += byte;
  }
  s.back() = ':';
  for (std::uint8_t v : f.payload) {
    std::snprintf(byte, sizeof byte, " %02x", v);
    s += byte;
  }
  return s;
}

inline std::vector<std::string> FrameHex(const std::vector<SentFrame>& frames) {
  std::vector<std::string> lines;
  for (const SentFrame& f : frames) lines.push_back(FrameHex(f));
  return lines;
}

class FrameLog {
 public:
  void Add(std::span<const std::uint8_t> report) {
    if (report.size() < 8 || report[1] != 0xAA || report[2] != 0x55) return;
    SentFrame f{report[4], report[5], report[6], {}};
    const std::size_t n = report[3] >= 3 ? report[3] - 3u : 0u;
    for (std::size_t i = 0; i < n && 7 + i < report.size(); ++i) f.payload.push_back(report[7 + i]);
    std::unique_lock lock(mutex_);
    const bool hold = hold_ && (hold_->first < 0 || *hold_ == std::pair{f.cmd, f.sub});
    frames_.push_back(std::move(f));
    ++total_;
    added_.notify_all();
    if (!hold) return;
    held_ = true;
    added_.wait_for(lock, std::chrono::seconds(20), [&] { return !hold_; });
  }
  // The writer of the next frame of group cmd and sub (a worker thread, mid-operation) waits
  // there until Release.
  void HoldAt(int cmd, int sub) {
    std::lock_guard lock(mutex_);
    hold_ = std::pair{cmd, sub};
    held_ = false;
  }
  // The writer of the next frame, whatever it is, waits there until Release.
  void HoldNext() { HoldAt(-1, -1); }
  bool WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, std::chrono::seconds(5), [&] { return held_; });
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      hold_.reset();
    }
    added_.notify_all();
  }
  std::vector<SentFrame> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(frames_, {});
  }
  // Every frame recorded so far, taken or not.
  std::size_t Total() {
    std::lock_guard lock(mutex_);
    return total_;
  }
  // For frames sent by the link's own thread (queued commands): real time, bounded.
  bool WaitForCount(std::size_t count) {
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, std::chrono::seconds(5), [&] { return frames_.size() >= count; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable added_;
  std::vector<SentFrame> frames_;
  std::optional<std::pair<int, int>> hold_;
  bool held_ = false;
  std::size_t total_ = 0;
};

class RecordingTransport final : public device::Transport {
 public:
  RecordingTransport(std::unique_ptr<device::Transport> inner, std::shared_ptr<FrameLog> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}
  bool Open(std::uint16_t v, std::uint16_t p) override { return inner_->Open(v, p); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  std::optional<std::wstring> ManufacturerString() override { return inner_->ManufacturerString(); }
  std::optional<std::wstring> ProductString() override { return inner_->ProductString(); }
  std::optional<std::wstring> SerialNumberString() override { return inner_->SerialNumberString(); }
  std::optional<std::wstring> IndexedString(int i) override { return inner_->IndexedString(i); }
  int SetNonBlocking(bool on) override { return inner_->SetNonBlocking(on); }
  int Write(std::span<const std::uint8_t> report) override {
    log_->Add(report);
    return inner_->Write(report);
  }
  int ReadTimeout(std::span<std::uint8_t> buffer, int ms) override {
    return inner_->ReadTimeout(buffer, ms);
  }
  std::wstring LastError() override { return inner_->LastError(); }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<device::Transport> inner_;
  std::shared_ptr<FrameLog> log_;
};

}  // namespace tolva::model::testing
