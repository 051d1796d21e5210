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
#include "model/manager/equalizer_manager.h"
#include "support/recording_transport.h"

namespace tolva::model::testing {

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

class SpyView final : public ManagerView {
 public:
  void ShowConnectState(ConnectState s) override { states.push_back(s); }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowPlugOutNotice(const std::string& text) override {
    ++plug_out_notices;
    plug_out_text = text;
  }
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
  std::string plug_out_text;
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
