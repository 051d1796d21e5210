// Scenes stored on the unit through the scene window's operations: the questions asked, the
// name rules, what the unit receives and where its acknowledgements go.
#include "base/language_tables.h"
#include "device/protocol/records.h"
#include "manager_fixture.h"
#include "model/profile/scene_names.h"
#include "model/manager/scene_view.h"

namespace tolva::model::testing {
namespace {

constexpr const char* kTexts = R"xml(<Language name="test">
  <Text id="${load_scene_tips1}" value="Load %d (%s)?"/>
  <Text id="${load_scene_tips2}" value="Load empty %d?"/>
  <Text id="${save_scene_overwrite}" value="Overwrite %d?"/>
  <Text id="${same_name_tips}" value="%s is scene %d (%s)"/>
  <Text id="${delete_scene_tips1}" value="Delete %d (%s)?"/>
  <Text id="${delete_scene_tips2}" value="Delete empty %d?"/>
</Language>)xml";

class FakeSceneWindow final : public SceneView {
 public:
  bool Confirm(const std::string& text) override {
    asked.push_back(text);
    return confirm;
  }
  bool AskName(std::string& name) override {
    shown_name = name;
    ++name_dialogs;
    if (!name_answer) return false;
    name = *name_answer;
    return true;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void RefreshRows() override { ++refreshes; }
  std::shared_ptr<device::NotificationSink> Sink() override { return queue; }

  std::vector<std::uint32_t> Messages() {
    std::vector<std::uint32_t> numbers;
    for (const device::Notification& n : queue->TakeAll()) numbers.push_back(n.message);
    return numbers;
  }

  bool confirm = true;
  std::optional<std::string> name_answer;
  std::string shown_name;
  int name_dialogs = 0, refreshes = 0;
  std::vector<std::string> asked, messages;
  std::shared_ptr<NotificationQueue> queue = std::make_shared<NotificationQueue>();
};

class Scenes : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    ASSERT_TRUE(Languages().LoadXml(kTexts, "test"));
    Languages().Select("test");
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    log_->Take();
  }
  void TearDown() override {
    ManagerOnEmulator::TearDown();
    Languages().Clear();
  }
  void Name(int slot, std::u16string name) { SetSceneName(*manager_->SceneNameSlotAt(slot), name); }
  std::u16string NameOf(int slot) { return SceneName(*manager_->SceneNameSlotAt(slot)); }
  void Finish() {
    manager_->JoinWorkers();
    while (manager_->ProcessPendingNotifications() > 0) {
    }
  }

  FakeSceneWindow window_;
};

TEST_F(Scenes, LoadAsksByTheSlotThenReadsTheSceneIntoTheWorkingSet) {
  manager_->LoadSence(window_, 3);  // slot 2 is empty
  EXPECT_EQ(window_.asked, std::vector<std::string>{"Load empty 3?"});
  Finish();
  Name(4, u"夜间");
  window_.confirm = false;
  manager_->LoadSence(window_, 5);
  EXPECT_EQ(window_.asked.back(), "Load 5 (夜间)?");
  Finish();
  EXPECT_EQ(manager_->SelectedScene(), 3);

  // Scene 3 on the unit differs from the working set; loading it brings its values in.
  Edit([](emulator::UnitState& u) { u.scenes[3].outputs[1].delay_us = 4321; });
  log_->Take();
  window_.confirm = true;
  window_.queue->TakeAll();
  manager_->LoadSence(window_, 3);
  manager_->JoinWorkers();
  EXPECT_FALSE(manager_->Link().IsCommandQueueEnabled());  // until the replies are applied
  Finish();
  EXPECT_NEAR(Live().channels[1].delay, 4.321f, 1e-4);
  EXPECT_TRUE(manager_->Link().IsCommandQueueEnabled());
  EXPECT_EQ(window_.Messages(), (std::vector<std::uint32_t>{MSG_BUSY_OPEN, MSG_BUSY_CLOSE}));
  const auto sent = log_->Take();
  ASSERT_GT(sent.size(), 2u);
  EXPECT_EQ(sent[0].cmd, 2);  // ReadScene 3 → 0, then the connect read
  EXPECT_EQ(sent[0].sub, 0x09);
  EXPECT_EQ(sent[0].payload, (std::vector<std::uint8_t>{3, 0}));
  EXPECT_EQ(sent[1].sub, 0x1F);
}

TEST_F(Scenes, SavingAsksForANameAndTheUnitsAcknowledgementReachesTheWindow) {
  window_.name_answer = "Bass";
  manager_->SaveSence(window_, 6);  // empty: no overwrite question
  EXPECT_TRUE(window_.asked.empty());
  EXPECT_EQ(window_.name_dialogs, 1);
  Finish();
  EXPECT_EQ(NameOf(5), u"Bass");
  const auto sent = log_->Take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].sub, 0x0B);  // the name, then the save
  EXPECT_EQ(sent[1].sub, 0x08);
  EXPECT_EQ(sent[1].payload, (std::vector<std::uint8_t>{6, 0}));
  EXPECT_EQ(window_.Messages(),
            (std::vector<std::uint32_t>{MSG_BUSY_OPEN, device::MSG_SCENE_VALUE}));
  const auto on_unit = unit_->Snapshot().names[5];
  EXPECT_EQ(std::string(on_unit.begin(), on_unit.begin() + 4), "Bass");

  // Overwriting asks first, and the dialog starts from the old name.
  window_.name_answer = "Bass 2";
  manager_->SaveSence(window_, 6);
  EXPECT_EQ(window_.asked, std::vector<std::string>{"Overwrite 6?"});
  EXPECT_EQ(window_.shown_name, "Bass");
  Finish();
  EXPECT_EQ(NameOf(5), u"Bass 2");
}

TEST_F(Scenes, RefusedEmptyOrTakenNamesChangeNothing) {
  Name(1, u"Club");
  Name(4, u"Old");
  window_.name_answer = "Club";
  manager_->SaveSence(window_, 5);
  EXPECT_EQ(window_.messages, std::vector<std::string>{"Club is scene 2 (Club)"});
  EXPECT_EQ(NameOf(4), u"Old");  // the stored scene keeps its name
  window_.name_answer = "";
  manager_->SaveSence(window_, 5);
  EXPECT_EQ(NameOf(4), u"Old");
  window_.name_answer.reset();
  manager_->SaveSence(window_, 5);
  window_.confirm = false;
  window_.name_answer = "New";
  manager_->SaveSence(window_, 5);
  EXPECT_EQ(window_.name_dialogs, 3);  // the refused overwrite asked for no name
  Finish();
  EXPECT_TRUE(log_->Take().empty());
  EXPECT_TRUE(window_.queue->TakeAll().empty());

  // Names are cut to what a slot holds.
  window_.confirm = true;
  window_.name_answer = "Eight ch";
  manager_->SaveSence(window_, 8);
  Finish();
  EXPECT_EQ(NameOf(7), u"Eight c");
}

TEST_F(Scenes, DeletingAsksNamingTheSceneAndOnceConfirmedEmptiesTheRowAtOnce) {
  Name(9, u"Last");
  window_.confirm = false;
  manager_->DeleteSence(window_, 10);
  Finish();
  EXPECT_EQ(window_.asked, std::vector<std::string>{"Delete 10 (Last)?"});
  EXPECT_EQ(NameOf(9), u"Last");
  EXPECT_TRUE(log_->Take().empty()) << "a refused delete sends nothing";
  EXPECT_TRUE(window_.Messages().empty());

  window_.confirm = true;
  manager_->DeleteSence(window_, 10);
  EXPECT_TRUE(NameOf(9).empty());
  EXPECT_EQ(window_.refreshes, 1);
  EXPECT_EQ(window_.asked.size(), 2u);
  Finish();
  const auto sent = log_->Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].sub, 0x0A);
  EXPECT_EQ(sent[0].payload, std::vector<std::uint8_t>{10});
  EXPECT_EQ(window_.Messages(),
            (std::vector<std::uint32_t>{MSG_BUSY_OPEN, device::MSG_SCENE_DELETED}));
  manager_->DeleteSence(window_, 11);
  manager_->DeleteSence(window_, 0);
  Finish();
  EXPECT_TRUE(log_->Take().empty());
}

// A save or delete the unit answers "not ready" stored nothing: the slot shows the name the
// unit still holds, and a later save into it asks before it overwrites.
TEST_F(Scenes, ASaveOrDeleteTheUnitRefusedLeavesTheSlotAsTheUnitHoldsIt) {
  for (const int sub : {0x08, 0x0A}) {
    SCOPED_TRACE(sub);
    emulator::Faults faults;
    faults.not_ready = emulator::CommandKey{2, sub};
    Start(faults);
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    Name(5, sub == 0x08 ? u"" : u"Old");
    window_ = {};
    window_.name_answer = "New";
    if (sub == 0x08) {
      manager_->SaveSence(window_, 6);
    } else {
      manager_->DeleteSence(window_, 6);
    }
    Finish();
    EXPECT_EQ(NameOf(5), sub == 0x08 ? u"" : u"Old");
    const std::vector<std::uint32_t> messages = window_.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), MSG_SCENE_ROWS_CHANGED),
              messages.end());
  }
  // The slot kept its name: saving into it asks first.
  window_.asked.clear();
  manager_->SaveSence(window_, 6);
  EXPECT_EQ(window_.asked, std::vector<std::string>{"Overwrite 6?"});
  Finish();
}

// GBK has no emoji: the unit stores "?" for them. The row shows what the unit holds, and two
// names that would be the same on the unit are refused as the same name.
TEST_F(Scenes, ANameOutsideGbkIsKeptAsTheUnitHoldsIt) {
  window_.name_answer = "Bass \xF0\x9F\x8E\xB5";  // U+1F3B5, two UTF-16 units
  manager_->SaveSence(window_, 6);
  Finish();
  EXPECT_EQ(NameOf(5), u"Bass ?");
  const auto on_unit = unit_->Snapshot().names[5];
  EXPECT_EQ(std::string(on_unit.begin(), on_unit.begin() + 7), std::string("Bass ?\0", 7));

  window_.name_answer = "Bass \xF0\x9F\x98\x80";  // U+1F600
  manager_->SaveSence(window_, 7);
  EXPECT_EQ(window_.messages, std::vector<std::string>{"Bass ? is scene 6 (Bass ?)"});
  EXPECT_TRUE(NameOf(6).empty());
}

// The unit is slow to take a delete; every scene or file action meanwhile is refused at once
// (the window thread never waits for the running one) and changes nothing.
TEST_F(Scenes, AnActionWhileAnotherRunsIsRefusedWithoutWaitingForIt) {
  Name(2, u"Club");
  log_->HoldAt(2, 0x0A);
  manager_->DeleteSence(window_, 10);
  ASSERT_TRUE(log_->WaitUntilHeld());
  window_.name_answer = "Other";
  manager_->LoadSence(window_, 3);
  manager_->SaveSence(window_, 3);
  manager_->DeleteSence(window_, 3);
  manager_->LoadSenceConfigFromFile("/no/such/file.spf");
  manager_->SaveWholeConfigToFile("/no/such/file.wpf");
  const std::string busy = "${unit_busy_tips}";
  EXPECT_EQ(window_.messages, (std::vector<std::string>{busy, busy, busy}));
  EXPECT_EQ(view_.messages, (std::vector<std::string>{busy, busy}));
  EXPECT_EQ(window_.asked.size(), 1u) << "only the delete that runs was asked about";
  EXPECT_EQ(window_.name_dialogs, 0);
  EXPECT_EQ(NameOf(2), u"Club");
  EXPECT_TRUE(manager_->UnitOperationRunning());

  log_->Release();
  Finish();
  EXPECT_FALSE(manager_->UnitOperationRunning());
  EXPECT_EQ(view_.busy_depth, 0);
  EXPECT_EQ(window_.Messages(),
            (std::vector<std::uint32_t>{MSG_BUSY_OPEN, device::MSG_SCENE_DELETED}));
  manager_->DeleteSence(window_, 3);  // the next one runs
  Finish();
  EXPECT_TRUE(NameOf(2).empty());
  EXPECT_EQ(log_->Take().back().payload, std::vector<std::uint8_t>{3});
}

// Stored scene 4 read frame by frame: EQ blocks as far as the live profile's band counts go
// (not the stored scene's own), input trims only where a source has mixer inputs.
TEST_F(Scenes, ReadingAStoredSceneAsksForEveryValueInItsOrder) {
  Live().channels[1].eqSize = 12;
  Live().channels[3].eqSize = 0;
  manager_->ProfileOfScene(4)->channels[3].eqSize = 5;
  const std::int64_t slept = clock_.TotalSleptMs();
  manager_->ReadStoredScene(4, manager_->LiveEqBandCounts());
  EXPECT_GE(clock_.TotalSleptMs() - slept, 1000);  // the unit's time to prepare the scene

  std::vector<Expected> e{{2, 0x09, kOpSet, {4, 255}},     {1, 0x0D, kOpGet, {4, 0, 0, 6}},
                          {1, 0x0E, kOpGet, {4}},          {1, 0x0F, kOpGet, {4}},
                          {1, 0x05, kOpGet, {4, 0, 0, 3}}, {1, 0x05, kOpGet, {4, 0, 4, 7}},
                          {1, 0x12, kOpGet, {4, 0, 0, 5}}};
  const std::vector<std::vector<std::uint8_t>> blocks{{0, 7}, {8, 15}, {16, 23}, {24, 30}};
  for (std::uint8_t ch = 0; ch < 6; ++ch) {
    const std::size_t count = ch == 1 ? 2 : ch == 3 ? 0 : 4;  // 12 bands end at 11
    for (std::size_t b = 0; b < count; ++b) {
      const std::uint8_t last = ch == 1 && b == 1 ? 11 : blocks[b][1];
      e.push_back({1, 0x06, kOpGet, {4, 0, ch, blocks[b][0], last}});
    }
  }
  for (int sub : {0x07, 0x08, 0x09, 0x0A}) e.push_back({1, sub, kOpGet, {4, 0, 0, 5}});
  for (std::uint8_t s = 0; s < 7; ++s) e.push_back({1, 0x0B, kOpGet, {4, s, 0, 5}});
  for (std::uint8_t in = 0; in < 2; ++in) e.push_back({1, 0x24, kOpGet, {4, 2, in, 0, 5}});
  for (std::uint8_t in = 0; in < 4; ++in) e.push_back({1, 0x24, kOpGet, {4, 5, in, 0, 5}});
  for (std::uint8_t k = 1; k <= 7; ++k) e.push_back({2, 0x0B, kOpGet, {k}});
  ExpectFrames(log_->Take(), e);
}

TEST(SceneNames, ConversionsKeepTextAndReplaceBrokenBytes) {
  EXPECT_EQ(Utf16Of("Bass 低音"), u"Bass 低音");
  EXPECT_EQ(Utf8Of(u"Bass 低音"), "Bass 低音");
  EXPECT_EQ(Utf8Of(Utf16Of("\xF0\x9F\x8E\xB5")), "\xF0\x9F\x8E\xB5");  // beyond the BMP
  EXPECT_EQ(Utf16Of("a\xFF"
                    "b\xE4\xBD"),
            u"a\uFFFDb\uFFFD\uFFFD");
  EXPECT_EQ(Utf16Of("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(FillPlaceholders("%s is %d (%s) 100%", {"A", "2"}), "A is 2 () 100%");
  EXPECT_EQ(FillPlaceholders("%x %n %d", {"7"}), "%x %n 7");
}

}  // namespace
}  // namespace tolva::model::testing
