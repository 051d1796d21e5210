#pragma once

// The editing operations by value against the in-process emulated unit, connected, with a view
// that answers the dialogs as the test says.
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "manager_fixture.h"
#include "model/edits/screen_text.h"

namespace tolva::model::testing {

constexpr int kSet = 0xBB;
// Sub-commands of the parameter commands.
constexpr int kSource = 0x01, kFilter = 0x05, kEq = 0x06, kDelay = 0x07, kTrim = 0x08, kMute = 0x09,
              kMix = 0x0B, kRole = 0x0D, kLink = 0x0E, kLock = 0x0F, kEqReset = 0x11,
              kBypass = 0x12, kMixTrim = 0x24;

// A view (the silent one, or the screen) answering the dialogs as the test says.
template <class View>
class Scripted final : public View {
 public:
  using View::View;
  bool Confirm(const std::string& text) override {
    asked.push_back(text);
    return confirm;
  }
  int AskCheck(const std::string& text, const std::string&, const std::string&) override {
    asked.push_back(text);
    return check;
  }
  int AskChoice(const std::string& text, const std::vector<std::string>&) override {
    asked.push_back(text);
    return choice;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  bool confirm = true;
  int check = 0, choice = 0;
  std::vector<std::string> asked, messages;
};

// Connected, with `screen_` as the manager's view.
template <class Screen>
class EditingWith : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    screen_ = MakeScreen();
    manager_->SetView(screen_.get());
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    log_->Take();
  }
  void TearDown() override {
    manager_->SetView(nullptr);
    screen_.reset();
    ManagerOnEmulator::TearDown();
  }
  virtual std::unique_ptr<Screen> MakeScreen() = 0;

  // Every command the edits queued, once the link has written them all.
  std::vector<SentFrame> Sent() {
    EXPECT_TRUE(manager_->Link().WaitUntilQueueIdle(5000));
    while (manager_->ProcessPendingNotifications() > 0) {
    }
    return log_->Take();
  }
  // The frames one edit sends, as "cmd sub op: payload". The link's thread is held on a frame of
  // its own while the edit queues its commands, so the queue merges exactly the commands the
  // edit pushed for one setting, whatever the pace.
  std::vector<std::string> FramesOf(const std::function<void()>& edit) {
    log_->HoldNext();
    manager_->Link().Main_Volume_Ctrl(Live().mainVolume, false);
    EXPECT_TRUE(log_->WaitUntilHeld());
    edit();
    log_->Release();
    const std::vector<SentFrame> sent = Sent();
    EXPECT_FALSE(sent.empty());
    std::vector<std::string> frames;
    for (std::size_t i = 1; i < sent.size(); ++i) frames.push_back(FrameHex(sent[i]));
    return frames;
  }
  static std::vector<int> Subs(const std::vector<SentFrame>& frames) {
    std::vector<int> subs;
    for (const SentFrame& f : frames) {
      EXPECT_EQ(f.op, kSet);
      subs.push_back(f.sub);
    }
    return subs;
  }
  emulator::UnitState Unit() { return unit_->Snapshot(); }
  EqBand& Band(int ch, int b) { return Live().channels[ch].eqArray[b]; }
  void Link0And1() {
    Live().linkMode = 1;
    Live().lockMode = 1;
    Live().linkOutputs = {1, 0, -1, -1, -1, -1};
  }

  std::unique_ptr<Screen> screen_;
};

class Editing : public EditingWith<Scripted<ManagerView>> {
 protected:
  std::unique_ptr<Scripted<ManagerView>> MakeScreen() override {
    return std::make_unique<Scripted<ManagerView>>();
  }
};

}  // namespace tolva::model::testing
