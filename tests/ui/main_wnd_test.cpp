// The main window's layout: every control the logic looks up, with its kind and index; ranges;
// window handling; the busy window; texts that fit in both languages at every scale.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "test_languages.h"
#include "ui/main/car_view.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/main/layouts.h"
#include "ui/main/main_wnd.h"

namespace kit = tolva::kit;

namespace {

using tolva::kit::CSButtonUI;
using tolva::ui::CLoadingWnd;

std::string Name(const char* format, int index) {
  return QString::asprintf(format, index).toStdString();
}

// Every named, indexed control: (format, count, first index, kind check).
struct Family {
  const char* format;
  int first;
  int last;
  std::function<bool(kit::ControlSurface&, const std::string&)> has_kind;
};

bool IsButton(kit::ControlSurface& s, const std::string& n) {
  return s.FindButton(n) != nullptr && s.FindOption(n) == nullptr;
}
bool IsOption(kit::ControlSurface& s, const std::string& n) {
  return s.FindOption(n) != nullptr;
}
bool IsSlider(kit::ControlSurface& s, const std::string& n) {
  return s.FindSlider(n) != nullptr;
}
bool IsEdit(kit::ControlSurface& s, const std::string& n) {
  return s.FindEdit(n) != nullptr;
}
bool IsCombo(kit::ControlSurface& s, const std::string& n) {
  return s.FindCombo(n) != nullptr;
}
bool IsLabel(kit::ControlSurface& s, const std::string& n) {
  return s.FindLabel(n) != nullptr;
}
bool Exists(kit::ControlSurface& s, const std::string& n) {
  return s.FindControl(n) != nullptr;
}

TEST(MainWindow, EveryIndexedControlExistsWithItsKindAndIndex) {
  CMainWnd window;
  kit::ControlSurface& s = window.Surface();
  const Family families[] = {
      {"eq_freq_%d", 0, 30, IsEdit},           {"eq_q_%d", 0, 30, IsEdit},
      {"eq_gain_%d", 0, 30, IsEdit},           {"eq_slider_%d", 0, 30, IsSlider},
      {"pt_enable_%d", 0, 30, IsButton},       {"ch_show_%d", 0, 5, IsOption},
      {"ch_enable_%d", 0, 5, IsOption},        {"ch_output_btn_%d", 0, 5, IsButton},
      {"slider_ch_volume_%d", 0, 5, IsSlider}, {"ch_volume_bg_%d", 0, 5, Exists},
      {"edit_ch_volume_%d", 0, 5, IsEdit},     {"ch_mute_%d", 0, 5, IsOption},
      {"ch_phase_%d", 0, 5, IsOption},         {"slider_ch_delay_%d", 0, 5, IsSlider},
      {"delay_lable_%d", 0, 5, IsLabel},       {"edit_ch_delay_%d", 0, 5, IsEdit},
      {"control_empty_%d", 0, 5, Exists},      {"option_ch_in1_%d", 0, 5, IsOption},
      {"option_ch_in2_%d", 0, 5, IsOption},    {"option_ch_in3_%d", 0, 5, IsOption},
      {"option_ch_in4_%d", 0, 5, IsOption},    {"input_123_%d", 0, 5, Exists},
      {"input_456_%d", 0, 5, Exists},          {"speaker_%d", 1, 24, IsButton},
  };
  for (const Family& family : families) {
    for (int i = family.first; i <= family.last; ++i) {
      const std::string name = Name(family.format, i);
      ASSERT_TRUE(family.has_kind(s, name)) << name;
      EXPECT_EQ(s.FindControl(name)->UserData(), i) << name;
    }
    EXPECT_EQ(s.FindControl(Name(family.format, family.last + 1)), nullptr) << family.format;
  }
}

TEST(MainWindow, EverySingleControlExistsWithItsKind) {
  CMainWnd window;
  kit::ControlSurface& s = window.Surface();
  for (const char* name : {"minbtn", "closebtn", "btnDpi", "btnConnect", "btn_option", "btn_scene",
                           "btn_advance", "btn_reset_eq", "btn_bypass", "btn_arg_eq",
                           "btn_reset_output", "btn_lock_output", "btn_link_output"}) {
    EXPECT_TRUE(IsButton(s, name)) << name;
  }
  for (const char* name : {"edt_dpi", "edit_main_volume", "hp_freq", "lp_freq"}) {
    EXPECT_TRUE(IsEdit(s, name)) << name;
  }
  for (const char* name :
       {"btn_input_source", "comb_ch_unit", "hp_type", "lp_type", "hp_slop", "lp_slop"}) {
    EXPECT_TRUE(IsCombo(s, name)) << name;
  }
  EXPECT_TRUE(IsSlider(s, "slider_main_volume"));
  EXPECT_TRUE(IsOption(s, "main_mute"));
  EXPECT_TRUE(Exists(s, "equalizer"));
  EXPECT_TRUE(Exists(s, "channel_settings"));
}

TEST(MainWindow, StartStateOfCombosAndSpeakers) {
  CMainWnd window;
  kit::ControlSurface& s = window.Surface();
  kit::Combo* source = s.FindCombo("btn_input_source");
  ASSERT_EQ(source->Count(), 7);
  const char* names[] = {"source_opt", "source_coax", "source_bt", "source_aux",
                         "source_low", "source_hi",   "source_dmp"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(source->ItemName(i), names[i]) << "item index = source index";
    EXPECT_EQ(source->IsItemVisible(i), i == 2 || i == 5) << names[i];
  }
  for (const char* name : {"hp_type", "lp_type"}) {
    kit::Combo* type = s.FindCombo(name);
    ASSERT_EQ(type->Count(), 4) << "index = family code 1-3";
    EXPECT_FALSE(type->IsItemVisible(0));
  }
  for (const char* name : {"hp_slop", "lp_slop"}) {
    ASSERT_EQ(s.FindCombo(name)->Count(), 9) << "index = slope code 0-8";
    EXPECT_EQ(s.FindCombo(name)->ItemText(4), "24 dB/oct");
  }
  EXPECT_EQ(s.FindCombo("comb_ch_unit")->Count(), 3);
  for (int role = 1; role <= 24; ++role) {
    EXPECT_FALSE(s.FindButton(Name("speaker_%d", role))->IsVisible()) << role;
  }
}

TEST(MainWindow, SliderRangesHoldEveryValueTheUnitReports) {
  CMainWnd window;
  kit::ControlSurface& s = window.Surface();
  kit::Slider* main = s.FindSlider("slider_main_volume");
  EXPECT_LE(main->Minimum(), -128);
  EXPECT_GE(main->Maximum(), 0);
  EXPECT_LE(6 - main->Maximum(), 6);
  EXPECT_GE(6 - main->Maximum(), 0) << "the volume command carries 6 - volume as a byte";
  for (int ch = 0; ch < 6; ++ch) {
    kit::Slider* volume = s.FindSlider(Name("slider_ch_volume_%d", ch));
    EXPECT_LE(volume->Minimum(), -128) << "a signed byte of 0 dB or below";
    EXPECT_GE(volume->Maximum(), 0);
    kit::Slider* delay = s.FindSlider(Name("slider_ch_delay_%d", ch));
    EXPECT_EQ(delay->Minimum(), 0);
    EXPECT_EQ(delay->Maximum(), 15000) << "15 ms in microseconds";
  }
  for (int band = 0; band < 31; ++band) {
    kit::Slider* gain = s.FindSlider(Name("eq_slider_%d", band));
    EXPECT_EQ(gain->Minimum(), -180);
    EXPECT_EQ(gain->Maximum(), 120) << "tenths of a dB, the graph's -18 ... +12 dB";
  }
}

TEST(MainWindow, SpeakerIconsSitOnTheCarAndInsideIt) {
  CMainWnd window;
  window.show();
  auto* car = window.findChild<tolva::ui::CarView*>("car");
  ASSERT_NE(car, nullptr);
  QSet<QPair<int, int>> places;
  for (int role = 1; role <= 24; ++role) {
    CSButtonUI* icon = car->Icon(role);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(car->rect().contains(icon->geometry())) << role;
    places.insert({icon->geometry().x(), icon->geometry().y()});
    const QPointF at = tolva::ui::CarView::RelativePosition(role);
    if (role >= 1 && role <= 6) EXPECT_LT(at.x(), 0.5) << "front left on the left";
    if (role >= 7 && role <= 12) EXPECT_GT(at.x(), 0.5) << "front right on the right";
    if (role >= 13 && role <= 18) EXPECT_GT(at.y(), 0.5) << "rear in the back";
  }
  EXPECT_EQ(places.size(), 24) << "every role has its own place";
  EXPECT_EQ(car->Icon(0), nullptr);
  EXPECT_EQ(car->Icon(25), nullptr);
}

TEST(MainWindow, ClicksReachTheLogicButMinimiseRunsNothingElse) {
  CMainWnd window;
  window.show();
  std::vector<std::string> seen;
  window.Surface().SetNotifyHandler(
      [&](const kit::ControlNotify& n) { seen.push_back(n.name + ":" + n.type); });
  QTest::mouseClick(window.findChild<QWidget*>("minbtn"), Qt::LeftButton);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(window.isMinimized() || window.windowState() & Qt::WindowMinimized);
  window.showNormal();
  QTest::mouseClick(window.findChild<QWidget*>("pt_enable_12"), Qt::LeftButton);
  EXPECT_EQ(seen, (std::vector<std::string>{"pt_enable_12:click"}));
  bool closed = false;
  window.SetCloseHook([&] { closed = true; });
  QTest::mouseClick(window.findChild<QWidget*>("closebtn"), Qt::LeftButton);
  EXPECT_TRUE(closed) << "closebtn reaches the logic, then closes the window";
  EXPECT_EQ(seen.back(), "closebtn:click");
}

TEST(MainWindow, BusyWindowOpensAndClosesByMessage) {
  CMainWnd window;
  window.show();
  auto sink = window.Sink();
  auto* post = static_cast<kit::QtWindowSink*>(sink.get());
  post->Post(kit::kMsgBusyOpen, 0, 0);
  QApplication::processEvents();
  ASSERT_TRUE(window.IsBusyWindowOpen());
  QPointer<CLoadingWnd> first = window.BusyWindow();
  EXPECT_TRUE(first->isVisible());
  EXPECT_TRUE(first->isModal());
  post->Post(kit::kMsgBusyOpen, 0, 0);  // a second open keeps the one there
  QApplication::processEvents();
  EXPECT_EQ(window.BusyWindow(), first.data());
  int result = -1;
  QObject::connect(first, &QDialog::finished, [&](int r) { result = r; });
  post->Post(kit::kMsgBusyClose, 0, 0);
  QApplication::processEvents();
  EXPECT_EQ(result, kit::kResultConfirm);
  EXPECT_FALSE(window.IsBusyWindowOpen());
  post->Post(kit::kMsgBusyClose, 0, 0);  // nothing to close
  QApplication::processEvents();
  EXPECT_FALSE(window.IsBusyWindowOpen());
}

TEST(MainWindow, BusyWindowClosedByHandThenCloseMessageDoesNothing) {
  CMainWnd window;
  window.show();
  std::vector<std::uint32_t> forwarded;
  window.SetMessageHandler([&](tolva::device::Notification& n) { forwarded.push_back(n.message); });
  auto* post = static_cast<kit::QtWindowSink*>(window.Sink().get());
  post->Post(kit::kMsgBusyOpen, 0, 0);
  QApplication::processEvents();
  ASSERT_TRUE(window.IsBusyWindowOpen());
  QTest::mouseClick(window.BusyWindow()->findChild<QWidget*>("closebtn"), Qt::LeftButton);
  EXPECT_FALSE(window.IsBusyWindowOpen()) << "forgotten as soon as it ends";
  post->Post(kit::kMsgBusyClose, 0, 0);
  post->Post(1243, 0, 0);
  QApplication::processEvents();
  EXPECT_FALSE(window.IsBusyWindowOpen());
  EXPECT_EQ(forwarded, (std::vector<std::uint32_t>{1243})) << "others go to the logic";
  post->Post(kit::kMsgBusyOpen, 0, 0);
  QApplication::processEvents();
  EXPECT_TRUE(window.IsBusyWindowOpen()) << "a later open works again";
}

TEST(MainWindow, RebootMessageClosesTheBusyWindowThenTells) {
  ScopedLanguage language("en");
  CMainWnd window;
  window.show();
  auto* post = static_cast<kit::QtWindowSink*>(window.Sink().get());
  post->Post(kit::kMsgBusyOpen, 0, 0);
  QApplication::processEvents();
  ASSERT_TRUE(window.IsBusyWindowOpen());
  bool busy_when_told = true;
  QTimer poll;  // answers the notice once it is up
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) {
        busy_when_told = window.IsBusyWindowOpen();
        CMainWnd::CloseOpenTipsBoxes();  // ends the notice captioned "Notice"
        poll.stop();
      }
    }
  });
  poll.start(5);
  post->Post(kit::kMsgDeviceReboot, 0, 0);
  QApplication::processEvents();
  EXPECT_FALSE(busy_when_told);
  EXPECT_FALSE(window.IsBusyWindowOpen());
}

TEST(MainWindow, LanguageSwitchChangesTextsOnScreen) {
  ScopedLanguage language("en");
  CMainWnd window;
  window.RetranslateAll();
  int hook_runs = 0;
  window.SetLanguageSwitchedHook([&] { ++hook_runs; });
  kit::ControlSurface& s = window.Surface();
  s.FindButton("ch_output_btn_2")->SetText("${front_left_tweeter}");
  EXPECT_EQ(s.FindButton("btnConnect")->Text(), "Disconnected");
  EXPECT_EQ(s.FindButton("ch_output_btn_2")->Text(), "FL tweeter");
  EXPECT_EQ(s.FindCombo("btn_input_source")->ItemText(5), "High level");
  language.Switch("cn");
  window.RetranslateAll();
  EXPECT_EQ(s.FindButton("btnConnect")->Text(), "未连接");
  EXPECT_EQ(s.FindButton("ch_output_btn_2")->Text(), "左前高音");
  EXPECT_EQ(s.FindCombo("btn_input_source")->ItemText(5), "高电平");
  EXPECT_EQ(s.FindLabel("delay_lable_0")->Text(), "延时");
  EXPECT_EQ(hook_runs, 1);
}

TEST(MainWindow, MenusOpenUnderTheirButtonAndReplaceEachOther) {
  CMainWnd window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  bool prepared = false;
  kit::PopupMenu* scene =
      window.OpenPopupMenu(tolva::ui::kMenuScene, "btn_scene", [&](kit::PopupMenu& menu) {
        prepared = true;
        menu.FindItem("scene_item_load_scene")->SetEnabled(false);
      });
  ASSERT_NE(scene, nullptr);
  EXPECT_TRUE(prepared);
  EXPECT_FALSE(scene->FindItem("scene_item_load_scene")->IsEnabled());
  QWidget* anchor = window.findChild<QWidget*>("btn_scene");
  // Top-left at the button's bottom-left (moved left only where the screen ends).
  const QPoint wanted = anchor->mapToGlobal(anchor->rect().bottomLeft());
  EXPECT_EQ(window.CurrentMenu()->menu()->pos().y(), wanted.y());
  EXPECT_LE(window.CurrentMenu()->menu()->pos().x(), wanted.x());
  kit::PopupMenu* output = window.OpenPopupMenu(tolva::ui::kMenuOutput, "ch_output_btn_0");
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->FindItem("scene_item_load_scene"), nullptr) << "the scene menu is gone";
  for (const char* item :
       {"output_item_empty", "output_menu_front_left_high_freq", "output_menu_rear_right_all_freq",
        "output_menu_center_low_freq", "output_menu_subwoof_low"}) {
    EXPECT_NE(output->FindItem(item), nullptr) << item;
  }
  for (const char* layout : {tolva::ui::kMenuOption, tolva::ui::kMenuAdvance}) {
    EXPECT_NE(window.OpenPopupMenu(layout, "btn_option"), nullptr) << layout;
  }
  EXPECT_EQ(window.OpenPopupMenu("xml/none.xml", "btn_option"), nullptr);
  EXPECT_EQ(window.OpenPopupMenu(tolva::ui::kMenuOption, "no_button"), nullptr);
}

TEST(MainWindow, ScaleFollowsTheDisplayScale) {
  CMainWnd window;
  for (int scale : {80, 100, 150, 200, 300}) {
    window.SetDisplayScale(scale);
    EXPECT_EQ(window.size(), CMainWnd::LayoutSize() * scale / 100) << scale;
    EXPECT_EQ(window.Surface().DisplayScalePercent(), scale);
    EXPECT_EQ(window.findChild<QWidget*>("pt_enable_0")->height(), 19 * scale / 100) << scale;
  }
}

// What opened a message (an edit, a file load) still runs when its loop returns; a close that
// arrives meanwhile, as a termination signal does, must not tear the window's parts down first.
TEST(MainWindowClose, ACloseDuringAMessageWaitsUntilItsLoopHasReturned) {
  CMainWnd window;
  bool torn_down = false;
  window.SetCloseHook([&] { torn_down = true; });
  window.show();
  bool torn_down_inside = true;
  QTimer::singleShot(0, &window, [&] { window.close(); });
  QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok, &window);
  box.exec();
  torn_down_inside = torn_down;
  QTRY_VERIFY(torn_down);
  EXPECT_FALSE(torn_down_inside);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
