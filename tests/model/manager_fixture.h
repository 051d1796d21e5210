#pragma once

// The manager against the in-process emulated unit, with every written report recorded and a
// view that notes what the screen was asked to do.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "emulator/emulator_transport.h"
#include "model/equalizer_manager.h"

namespace tolva::model::testing {

// One command as the unit received it.
struct SentFrame {
  int cmd = 0, sub = 0, op = 0;
  std::vector<std::uint8_t> payload;
};

class FrameLog {
 public:
  void Add(std::span<const std::uint8_t> report) {
    if (report.size() < 8 || report[1] != 0xAA || report[2] != 0x55) return;
    SentFrame f{report[4], report[5], report[6], {}};
    const std::size_t n = report[3] >= 3 ? report[3] - 3u : 0u;
    for (std::size_t i = 0; i < n && 7 + i < report.size(); ++i) f.payload.push_back(report[7 + i]);
    std::unique_lock lock(mutex_);
    const bool hold = hold_ && *hold_ == std::pair{f.cmd, f.sub};
    frames_.push_back(std::move(f));
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
};

struct Expected {
  int cmd, sub, op;
  std::vector<std::uint8_t> prefix;  // the payload starts with these
};

inline constexpr int kOpSet = 0xBB, kOpGet = 0x66;

inline void ExpectFrames(const std::vector<SentFrame>& sent,
                         const std::vector<Expected>& expected) {
  ASSERT_EQ(sent.size(), expected.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    EXPECT_EQ(sent[i].cmd, expected[i].cmd);
    EXPECT_EQ(sent[i].sub, expected[i].sub);
    EXPECT_EQ(sent[i].op, expected[i].op);
    ASSERT_GE(sent[i].payload.size(), expected[i].prefix.size());
    EXPECT_TRUE(
        std::equal(expected[i].prefix.begin(), expected[i].prefix.end(), sent[i].payload.begin()));
  }
}

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

class SpyView final : public ManagerView {
 public:
  void ShowConnectState(ConnectState s) override { states.push_back(s); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowPlugOutNotice() override { ++plug_out_notices; }
  bool Confirm(const std::string& text) override {
    messages.push_back(text);
    return confirm;
  }
  void OpenBusy() override { ++busy_depth; }
  void CloseBusy() override { --busy_depth; }
  void OpenUpdateWindow() override { ++update_windows; }
  void UpdateEqualizer(int) override { ++graph_updates; }
  void RefreshFromProfile() override { ++refreshes; }

  std::vector<ConnectState> states;
  std::vector<std::string> messages;
  int plug_out_notices = 0, busy_depth = 0, update_windows = 0, graph_updates = 0, refreshes = 0;
  bool confirm = true;
};

class ManagerOnEmulator : public ::testing::Test {
 protected:
  void Start(emulator::Faults faults = {}) {
    manager_.reset();
    emulator::EmulatorOptions options;
    options.faults = faults;
    unit_ = std::make_shared<emulator::EmulatedDevice>(options, clock_);
    auto inner = emulator::MakeEmulatorTransportFactory(unit_);
    auto log = log_;
    manager_ = std::make_unique<EqualizerManager>(
        [inner, log] { return std::make_unique<RecordingTransport>(inner(), log); }, clock_);
    manager_->SetView(&view_);
  }
  void SetUp() override { Start(); }
  void TearDown() override { manager_.reset(); }

  // Connect, then apply everything the read posts until it has ended.
  void ConnectAndSettle(bool show_failure = false) {
    manager_->Connect(show_failure);
    Settle();
  }
  void Settle() {
    for (int guard = 0; guard < 100000 && manager_->IsReading(); ++guard) {
      manager_->ProcessPendingNotifications(10);
    }
    manager_->JoinWorkers();
    while (manager_->ProcessPendingNotifications() > 0) {
    }
  }
  template <class Fn>
  void Edit(Fn&& fn) {
    unit_->WithUnit([&](emulator::EmulatedUnit& u) {
      fn(u.state());
      return 0;
    });
  }
  Profile& Live() { return manager_->LiveProfile(); }

  FakeClock clock_;
  std::shared_ptr<FrameLog> log_ = std::make_shared<FrameLog>();
  std::shared_ptr<emulator::EmulatedDevice> unit_;
  SpyView view_;
  std::unique_ptr<EqualizerManager> manager_;
};

}  // namespace tolva::model::testing
