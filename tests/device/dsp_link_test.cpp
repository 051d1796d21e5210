// The link's life: opening, closing, the queue and McuCmdThread, exchanges that never overlap.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/protocol/command_frame.h"
#include "device/link_fixture.h"
#include "device/protocol/records.h"

namespace tolva::device::testing {
namespace {

using namespace std::chrono_literals;

// Waits (really, bounded) until pred holds.
template <class Pred>
bool Eventually(Pred pred) {
  for (int i = 0; i < 2000 && !pred(); ++i) std::this_thread::sleep_for(5ms);
  return pred();
}

// Answers every command with an acknowledgement, as the unit does.
void AckEverything(Script& s, std::span<const std::uint8_t> report) {
  const auto ack = BuildReplyFrame(report[4], report[5], op::kAck, std::vector<std::uint8_t>{0x0A});
  s.reports.emplace_back(ack->begin(), ack->end());
}

using Link = LinkTest;

TEST_F(Link, QueuedCommandsAreSentInOrderOneExchangeEach) {
  script_->responder = AckEverything;
  link_->EnableCommandQueue();
  for (int v = 0; v < 20; ++v) link_->Main_Volume_Ctrl(-v, false);
  ASSERT_TRUE(Eventually(
      [&] { return script_->Writes().size() == 20 && link_->PendingCommandCount() == 0; }));
  const auto writes = script_->Writes();
  for (int v = 0; v < 20; ++v) EXPECT_EQ(writes[v][7], 6 + v) << v;
  ASSERT_TRUE(Eventually([&] { return script_->Events().size() == 40; }));
  const auto events = script_->Events();
  for (std::size_t i = 0; i < events.size(); i += 2) {
    EXPECT_EQ(events[i], "W 2");
    EXPECT_EQ(events[i + 1], "R");
  }
}

TEST_F(Link, DisabledQueueDropsAsynchronousCommands) {
  link_->Mute_Ctrl(1, false);
  EXPECT_EQ(link_->PendingCommandCount(), 0u);
  link_->EnableCommandQueue();
  link_->DisableCommandQueue();
  link_->EQ_Ctrl(0, 0, 0, 0, 100, 1.0f, 0.0f, false);
  std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(script_->Writes().empty());
  // Synchronous commands go out whatever the queue's state.
  link_->Mute_Ctrl(1, true);
  EXPECT_EQ(script_->Writes().size(), 1u);
}

TEST_F(Link, SynchronousCommandWaitsForTheThreadsExchange) {
  script_->HoldReads();
  link_->EnableCommandQueue();
  link_->Mute_Ctrl(1, false);  // the thread writes it, then waits for its reply
  ASSERT_TRUE(script_->WaitForHeldRead());
  std::thread worker([&] { link_->Get_Main_Volume(); });
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(script_->Writes().size(), 1u) << "the worker's write must wait for the exchange";
  script_->QueueReply(1, 0x04, op::kAck, {0x0A});
  script_->QueueReply(1, 0x02, op::kData, {0xFB});
  script_->ReleaseReads();
  worker.join();
  const auto events = script_->Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events[0], "W 4");
  EXPECT_EQ(events[1], "R");
  EXPECT_EQ(events[2], "W 2");
  EXPECT_EQ(events[3], "R");
  const auto posted = main_.Take();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].value, -5);
}

TEST_F(Link, DestructionFreesQueuedCommandsUnsentAndCutsTheWaitShort) {
  script_->HoldReads();
  link_->EnableCommandQueue();
  link_->Mute_Ctrl(1, false);
  ASSERT_TRUE(script_->WaitForHeldRead());
  for (int i = 0; i < 300; ++i) link_->Mute_Ctrl(0, false);  // past the first 256 entries
  EXPECT_EQ(link_->PendingCommandCount(), 300u);
  std::thread release([&] {
    std::this_thread::sleep_for(200ms);  // the destructor is waiting by then
    script_->ReleaseReads();
  });
  link_.reset();
  release.join();
  EXPECT_EQ(script_->Writes().size(), 1u);
  EXPECT_EQ(script_->closes, 1);
}

TEST_F(Link, CloseSaysGoodbyeOnlyWhenAskedAndOnlyWhenOpen) {
  link_->CloseHIDDevice(true);
  EXPECT_FALSE(link_->IsDeviceOpen());
  ASSERT_EQ(script_->Writes().size(), 1u);
  EXPECT_EQ(Hex(script_->Writes()[0], 9), "00 aa 55 04 03 1f bb 00 1f");
  link_->CloseHIDDevice(true);
  EXPECT_EQ(script_->Writes().size(), 1u) << "closing a closed link sends nothing";
  // Commands on a closed link fail at once.
  EXPECT_FALSE(link_->SendCtrlCommand(cmd::kMcu, 0x08, op::kSet));
  EXPECT_FALSE(link_->Get_Mute());
  EXPECT_EQ(link_->OpenHIDDevice(), 0);
  link_->CloseHIDDevice(false);
  EXPECT_EQ(script_->Writes().size(), 1u);
  EXPECT_EQ(script_->closes, 2);
}

TEST_F(Link, CommandsQueuedOnAClosedLinkAreTakenAndFailAtOnce) {
  link_->CloseHIDDevice(false);
  link_->EnableCommandQueue();
  for (int i = 0; i < 3; ++i) link_->Mute_Ctrl(i, false);
  ASSERT_TRUE(Eventually([&] { return link_->PendingCommandCount() == 0; }));
  EXPECT_TRUE(script_->Writes().empty());
  EXPECT_EQ(clock_.NowMs(), 0) << "no wait on a closed link";
}

TEST_F(Link, CloseCutsAnotherThreadsWaitShort) {
  std::thread worker([&] { EXPECT_FALSE(link_->Get_Mute()); });
  ASSERT_TRUE(
      Eventually([&] { return !script_->Events().empty() && script_->Events().back() == "T"; }));
  link_->CloseHIDDevice(false);
  worker.join();
  EXPECT_FALSE(link_->IsDeviceOpen());
  EXPECT_LT(clock_.NowMs(), 2 * DspLink::kDefaultTimeoutMs);
}

TEST_F(Link, HandshakeReplyIsDecodedByTheSynchronousRead) {
  script_->QueueReply(3, 0x08, op::kData, {0x00, 19, 1, 2});
  EXPECT_TRUE(link_->Hand_Connect());
  EXPECT_TRUE(link_->HandshakeOk());
  EXPECT_EQ(link_->Model(), 19);
  const auto posted = main_.Take();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_NE(RecordAs<DeviceInfoReply>(posted[0]), nullptr);
  // No answer: the full time-out passes on the link's clock, and the result is false.
  const auto before = clock_.NowMs();
  EXPECT_FALSE(link_->Hand_Connect());
  EXPECT_EQ(clock_.NowMs() - before, DspLink::kDefaultTimeoutMs);
  const auto before_reset = clock_.NowMs();
  link_->Factory_Default_Ctrl();
  EXPECT_EQ(clock_.NowMs() - before_reset, DspLink::kFactoryDefaultTimeoutMs);
}

TEST_F(Link, UnsetWindowDropsTheNotification) {
  link_->SetNotificationSink(TargetWindow::kScene, nullptr);
  script_->QueueReply(2, 0x08, op::kAck, {0x0A, 3});
  EXPECT_TRUE(link_->SaveScene(3, 0));
  EXPECT_EQ(scene_.Count(), 0u);
  link_->SetNotificationSink(TargetWindow::kScene, &scene_);
  script_->QueueReply(2, 0x08, op::kAck, {0x0A, 3});
  EXPECT_TRUE(link_->SaveScene(3, 0));
  EXPECT_EQ(scene_.Count(), 1u);
}

TEST_F(Link, LateReplyIsDecodedByTheNextRead) {
  // Two frames in one report, one of them split into the next: both reach the window in order.
  auto a = BuildReplyFrame(1, 0x02, op::kData, std::vector<std::uint8_t>{0xFB});
  auto b = BuildReplyFrame(1, 0x04, op::kData, std::vector<std::uint8_t>{0x01});
  std::vector<std::uint8_t> first(a->begin(), a->begin() + 8);
  first.insert(first.end(), b->begin(), b->begin() + 4);
  script_->Queue(first);
  script_->Queue(std::vector<std::uint8_t>(b->begin() + 4, b->begin() + 8));
  EXPECT_TRUE(link_->Get_Main_Volume());
  EXPECT_EQ(main_.Count(), 1u);
  EXPECT_TRUE(link_->ReadHIDData(10));
  const auto posted = main_.Take();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].param, 2);
  EXPECT_EQ(posted[1].param, 4);
  EXPECT_EQ(link_->BytesRead(), 4);
}

TEST_F(Link, UnpluggedOrFailingUnitFailsTheExchange) {
  script_->writes_fail = true;
  EXPECT_FALSE(link_->SendCtrlCommand(cmd::kDsp, 0x02, op::kGet));
  script_->writes_fail = false;
  script_->unplugged = true;
  EXPECT_FALSE(link_->Get_Source());
  EXPECT_EQ(link_->BytesRead(), 0);
}

TEST(LinkOpen, FailuresLeaveTheLinkClosed) {
  tolva::FakeClock clock;
  auto script = std::make_shared<Script>();
  script->open_succeeds = false;
  DspLink link(MakeScriptedFactory(script), clock);
  EXPECT_NE(link.OpenHIDDevice(), 0);
  EXPECT_FALSE(link.IsDeviceOpen());
  script->open_succeeds = true;
  script->init_result = -1;
  EXPECT_EQ(link.OpenHIDDevice(), -1);
  EXPECT_FALSE(link.IsDeviceOpen());
  script->init_result = 0;
  script->strings_fail = true;  // unreadable descriptor strings do not stop the opening
  EXPECT_EQ(link.OpenHIDDevice(), 0);
  EXPECT_TRUE(link.IsDeviceOpen());
  EXPECT_EQ(link.Model(), -1);
  EXPECT_FALSE(link.IsCommandQueueEnabled());
  DspLink no_factory(TransportFactory{}, clock);
  EXPECT_NE(no_factory.OpenHIDDevice(), 0);
}

TEST(PendingQueueGrowth, NeverRefusesAndKeepsOrderAcrossGrowth) {
  PendingQueue q;
  EXPECT_EQ(q.capacity(), PendingQueue::kInitialCapacity);
  for (int i = 0; i < 100; ++i) q.Push({1, static_cast<std::uint8_t>(i), 0xBB, {}});
  for (int i = 0; i < 50; ++i) EXPECT_EQ(q.Pop()->sub, i);
  for (int i = 100; i < 700; ++i) q.Push({1, static_cast<std::uint8_t>(i), 0xBB, {}});
  EXPECT_GE(q.capacity(), 650u);
  for (int i = 50; i < 700; ++i) EXPECT_EQ(q.Pop()->sub, static_cast<std::uint8_t>(i));
  EXPECT_FALSE(q.Pop().has_value());
}

}  // namespace
}  // namespace tolva::device::testing
