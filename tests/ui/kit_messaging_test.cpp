// Posting to a window from any thread, the custom-control factory and popup menus.
#include <QApplication>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/qt/control_factory.h"
#include "ui/kit/api/menu_record.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/qt/thread_hop.h"
#include "ui/kit/widgets/sbutton.h"
#include "support/qt_wait.h"

namespace kit = tolva::kit;
using tolva::device::Notification;

namespace {

using tolva::kit::CCircleProgressUI;
using tolva::kit::CSButtonUI;

// Counts its own destruction, so a test can see who freed a record.
struct CountedRecord : tolva::device::NotificationRecord {
  explicit CountedRecord(std::atomic<int>* freed) : freed(freed) {}
  ~CountedRecord() override { ++*freed; }
  std::atomic<int>* freed;
};

TEST(WindowSink, DeliversInPostingOrderFromManyThreads) {
  QWidget window;
  std::vector<std::pair<std::int64_t, std::int64_t>> got;
  auto sink = kit::QtWindowSink::Create(&window, [&](Notification& n) {
    EXPECT_EQ(QThread::currentThread(), window.thread());
    got.emplace_back(n.param, n.value);
  });
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([sink, t] {
      for (int i = 0; i < kEach; ++i) sink->Post(1234, t, i);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(got.empty()) << "nothing is delivered before the window's loop runs";
  QApplication::processEvents();
  ASSERT_EQ(got.size(), static_cast<size_t>(kThreads * kEach));
  std::vector<std::int64_t> next(kThreads, 0);
  for (const auto& [thread, value] : got) EXPECT_EQ(value, next[thread]++);
}

// A connect read posts hundreds of replies at once: the loop gets its turn between slices of
// them, and a handler that runs a nested loop (a message box) still sees the rest arrive.
TEST(WindowSink, AFloodYieldsToTheLoopAndFlowsOnInsideNestedLoopsInOrder) {
  QWidget window;
  constexpr int kFlood = 40;
  std::vector<std::int64_t> got;
  std::size_t delivered_in_nested_loop = 0;
  auto sink = kit::QtWindowSink::Create(&window, [&](Notification& n) {
    got.push_back(n.param);
    if (n.message == 1) {  // the box: its own loop runs until the flood has passed
      tolva::testing::WaitFor([&] { return got.size() == kFlood + 1; }, 5000);
      delivered_in_nested_loop = got.size() - 1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // a reply's screen update
  });
  for (int i = 0; i < kFlood; ++i) sink->Post(1234, i, 0);
  bool timer_ran_midway = false;
  QTimer::singleShot(0, &window, [&] { timer_ran_midway = got.size() < kFlood; });
  ASSERT_TRUE(tolva::testing::WaitFor([&] { return got.size() == kFlood; }, 5000));
  EXPECT_TRUE(timer_ran_midway) << "the flood held the loop until its end";
  for (int i = 0; i < kFlood; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], i);

  got.clear();
  sink->Post(1, -1, 0);
  for (int i = 0; i < kFlood; ++i) sink->Post(1234, i, 0);
  ASSERT_TRUE(tolva::testing::WaitFor([&] { return got.size() == kFlood + 1; }, 5000));
  EXPECT_EQ(delivered_in_nested_loop, static_cast<std::size_t>(kFlood));
  for (int i = 0; i < kFlood; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i) + 1], i);
}

TEST(WindowSink, AfterTheWindowIsGonePostsAreDroppedAndRecordsFreed) {
  std::atomic<int> freed = 0;
  int delivered = 0;
  auto window = std::make_unique<QWidget>();
  auto sink = kit::QtWindowSink::Create(window.get(), [&](Notification&) { ++delivered; });
  Notification pending;
  pending.message = 1237;
  pending.record = std::make_unique<CountedRecord>(&freed);
  sink->Post(std::move(pending));
  window.reset();  // with a message still queued
  EXPECT_EQ(freed, 1) << "the queued record dies with the window";
  EXPECT_FALSE(sink->IsAttached());
  Notification late;
  late.record = std::make_unique<CountedRecord>(&freed);
  sink->Post(std::move(late));
  QApplication::processEvents();
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(delivered, 0);
}

TEST(WindowSink, ReceiverOwnsTheRecordItWasGiven) {
  std::atomic<int> freed = 0;
  QWidget window;
  auto sink = kit::QtWindowSink::Create(&window, [&](Notification& n) {
    EXPECT_NE(n.record, nullptr);
    EXPECT_EQ(freed, 0);
  });
  Notification n;
  n.record = std::make_unique<CountedRecord>(&freed);
  sink->Post(std::move(n));
  QApplication::processEvents();
  EXPECT_EQ(freed, 1);
}

// The unit's presence reaches the window this way: from its threads, in order, on the window's.
TEST(ThreadHop, RunsCallsOnTheReceiversThreadInPostingOrder) {
  QWidget window;
  const kit::ThreadHop hop(&window);
  std::vector<std::pair<int, int>> got;
  constexpr int kThreads = 3;
  constexpr int kEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([post = hop.Poster(), &got, &window, t] {
      for (int i = 0; i < kEach; ++i) {
        post([&got, &window, t, i] {
          EXPECT_EQ(QThread::currentThread(), window.thread());
          got.emplace_back(t, i);
        });
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(got.empty()) << "nothing runs before the window's loop does";
  QApplication::processEvents();
  ASSERT_EQ(got.size(), static_cast<std::size_t>(kThreads * kEach));
  std::vector<int> next(kThreads, 0);
  for (const auto& [thread, value] : got) EXPECT_EQ(value, next[static_cast<std::size_t>(thread)]++);
}

// A listener may fire while its window, or the hop itself, is going: the call is dropped with
// what it captured, never run on a destroyed object.
TEST(ThreadHop, CallsPendingOrPostedLateAreDroppedWithTheirCaptures) {
  const auto captured = std::make_shared<int>(0);
  int ran = 0;
  auto window = std::make_unique<QWidget>();
  auto hop = std::make_unique<kit::ThreadHop>(window.get());
  const auto post = hop->Poster();
  post([captured, &ran] { ++ran; });
  window.reset();  // with the call still queued
  EXPECT_EQ(captured.use_count(), 1) << "the queued call dies with the window";
  post([captured, &ran] { ++ran; });
  EXPECT_EQ(captured.use_count(), 1);
  hop.reset();

  QWidget other;
  auto second = std::make_unique<kit::ThreadHop>(&other);
  const auto late = second->Poster();
  late([captured, &ran] { ++ran; });
  second.reset();  // the hop goes first, its window stays
  EXPECT_EQ(captured.use_count(), 1);
  late([captured, &ran] { ++ran; });
  QApplication::processEvents();
  EXPECT_EQ(ran, 0);

  // A reconnect may rebuild what the first call reaches: the next call must not run on it.
  auto third_window = std::make_unique<QWidget>();
  auto third = std::make_unique<kit::ThreadHop>(third_window.get());
  const auto rebuild = third->Poster();
  rebuild([&] { third.reset(), third_window.reset(), ++ran; });
  rebuild([captured, &ran, &third_window] { ran += third_window ? 1 : 100; });
  QApplication::processEvents();
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(captured.use_count(), 1);
  EXPECT_EQ(other.findChildren<QObject*>().size(), 0) << "the hop's receiver went with the hop";
}

TEST(ControlFactory, TagsAnyCaseAndReplaceable) {
  auto& factory = kit::ControlFactory::Instance();
  QWidget parent;
  EXPECT_NE(qobject_cast<CSButtonUI*>(factory.Create("sbutton", &parent)), nullptr);
  EXPECT_NE(qobject_cast<CCircleProgressUI*>(factory.Create("CIRCLEPROGRESS", &parent)), nullptr);
  EXPECT_NE(factory.Create("Curve", &parent), nullptr);
  EXPECT_NE(factory.Create("CurveAc", &parent), nullptr);
  EXPECT_EQ(factory.Create("Unknown", &parent), nullptr);
  factory.Register("MyTag", [](QWidget* p) {
    auto* w = new QWidget(p);
    w->setObjectName("first");
    return w;
  });
  factory.Register("mytag", [](QWidget* p) {
    auto* w = new QWidget(p);
    w->setObjectName("second");
    return w;
  });
  EXPECT_EQ(factory.Create("MYTAG", &parent)->objectName(), "second");
}

constexpr const char* kMenu = R"(<Menu>
  <MenuElement name="option_item_about" text="About" userdata="a"/>
  <MenuElement name="output_menu_front" text="Front">
    <MenuElement name="output_menu_front_left" text="Left">
      <MenuElement name="output_menu_front_left_high_freq" text="Tweeter" userdata="1"/>
    </MenuElement>
  </MenuElement>
  <MenuElement name="output_item_empty" text="Empty" userdata="0"/>
</Menu>)";

TEST(PopupMenu, NestedItemsByNameAndTheClickRecord) {
  QWidget window;
  std::vector<std::string> clicked;
  auto sink = kit::QtWindowSink::Create(&window, [&](Notification& n) {
    ASSERT_EQ(n.message, kit::kMsgMenuClick);
    auto* record = dynamic_cast<kit::MenuClickRecord*>(n.record.get());
    ASSERT_NE(record, nullptr);
    clicked.push_back(record->name + "|" + record->user_data + "|" + record->text);
  });
  kit::QtPopupMenu menu(&window, sink);
  ASSERT_TRUE(menu.Load(kMenu));
  for (const char* name : {"option_item_about", "output_menu_front", "output_menu_front_left",
                           "output_menu_front_left_high_freq", "output_item_empty"}) {
    EXPECT_NE(menu.FindItem(name), nullptr) << name;
  }
  ASSERT_EQ(menu.menu()->actions().size(), 3) << "nested items live in submenus";
  kit::MenuItem* tweeter = menu.FindItem("output_menu_front_left_high_freq");
  tweeter->SetIcon("right.png");
  EXPECT_TRUE(tweeter->HasIcon());
  EXPECT_TRUE(menu.Trigger("output_menu_front_left_high_freq"));
  EXPECT_FALSE(menu.Trigger("output_menu_front")) << "a group is not an item";
  menu.FindItem("option_item_about")->SetEnabled(false);
  EXPECT_FALSE(menu.Trigger("option_item_about")) << "a disabled item cannot be clicked";
  menu.FindItem("output_item_empty")->SetVisible(false);
  EXPECT_FALSE(menu.Trigger("output_item_empty"));
  QApplication::processEvents();
  EXPECT_EQ(clicked, (std::vector<std::string>{"output_menu_front_left_high_freq|1|Tweeter"}));
}

TEST(PopupMenu, BrokenLayoutIsReportedNotFatal) {
  QWidget window;
  kit::QtPopupMenu menu(&window, nullptr);
  EXPECT_FALSE(menu.Load("<Menu><MenuElement name=\"a\" text=\"A\"></Menu"));
  EXPECT_NE(menu.FindItem("a"), nullptr);
  EXPECT_TRUE(menu.Trigger("a")) << "without a sink a click goes nowhere";
}

}  // namespace
