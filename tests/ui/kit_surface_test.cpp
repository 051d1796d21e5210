// The control layer over real widgets: kinds, user data, notifications from user input only,
// placeholder texts and their re-resolution.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "test_languages.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_surface.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"

namespace kit = tolva::kit;
using kit::ControlNotify;

namespace {

using tolva::kit::CSButtonUI;

template <typename W>
W* Add(QWidget* root, const char* name, int index = -1) {
  auto* w = new W(root);
  w->setObjectName(QString::fromLatin1(name));
  if (index >= 0) w->setProperty(kit::kUserDataProperty, index);
  root->layout()->addWidget(w);
  return w;
}

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::make_unique<QWidget>();
    new QVBoxLayout(root_.get());
    button_ = Add<CSButtonUI>(root_.get(), "btnConnect");
    option_ = Add<CSButtonUI>(root_.get(), "ch_mute_3", 3);
    option_->setCheckable(true);
    slider_ = Add<QSlider>(root_.get(), "eq_slider_7", 7);
    slider_->setRange(-180, 120);
    edit_ = Add<QLineEdit>(root_.get(), "eq_gain_4", 4);
    other_edit_ = Add<QLineEdit>(root_.get(), "eq_freq_4", 4);
    combo_ = Add<QComboBox>(root_.get(), "btn_input_source");
    for (const char* name : {"source_opt", "source_coax", "source_bt"}) {
      kit::AddComboItem(combo_, name, QStringLiteral("${%1}").arg(name));
    }
    list_ = Add<QListWidget>(root_.get(), "scene_list");
    label_ = Add<QLabel>(root_.get(), "MessageText");
    surface_ = new kit::QtControlSurface(root_.get());
    surface_->Attach();
    surface_->SetNotifyHandler([this](const ControlNotify& n) { seen_.push_back(n); });
    root_->show();
    QApplication::setActiveWindow(root_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(root_.get()));
  }

  // Closing the window moves focus and raises notifications: stop listening first.
  void TearDown() override {
    if (surface_ != nullptr) surface_->SetNotifyHandler({});
    root_.reset();
  }

  std::vector<std::string> Types() const {
    std::vector<std::string> types;
    for (const auto& n : seen_) types.push_back(n.name + ":" + n.type);
    return types;
  }

  std::unique_ptr<QWidget> root_;
  CSButtonUI* button_;
  CSButtonUI* option_;
  QSlider* slider_;
  QLineEdit* edit_;
  QLineEdit* other_edit_;
  QComboBox* combo_;
  QListWidget* list_;
  QLabel* label_;
  kit::QtControlSurface* surface_ = nullptr;
  std::vector<ControlNotify> seen_;
};

TEST_F(SurfaceTest, FindsControlsByNameAndKind) {
  EXPECT_NE(surface_->FindButton("btnConnect"), nullptr);
  EXPECT_EQ(surface_->FindOption("btnConnect"), nullptr) << "a plain button is not an option";
  EXPECT_NE(surface_->FindOption("ch_mute_3"), nullptr);
  EXPECT_NE(surface_->FindButton("ch_mute_3"), nullptr) << "an option is also clickable";
  EXPECT_NE(surface_->FindSlider("eq_slider_7"), nullptr);
  EXPECT_EQ(surface_->FindSlider("eq_gain_4"), nullptr);
  EXPECT_NE(surface_->FindEdit("eq_gain_4"), nullptr);
  EXPECT_NE(surface_->FindCombo("btn_input_source"), nullptr);
  EXPECT_NE(surface_->FindList("scene_list"), nullptr);
  EXPECT_NE(surface_->FindLabel("MessageText"), nullptr);
  EXPECT_EQ(surface_->FindControl("no_such_control"), nullptr);
  EXPECT_EQ(surface_->FindControl(""), nullptr);
  EXPECT_EQ(surface_->FindSlider("eq_slider_7")->UserData(), 7);
  EXPECT_EQ(surface_->FindButton("btnConnect")->UserData(), 0) << "no user data reads as 0";
  EXPECT_EQ(surface_->FindControl("eq_slider_7"), surface_->FindSlider("eq_slider_7"));
}

TEST_F(SurfaceTest, ControlOutlivingItsWidgetIsHarmless) {
  kit::Slider* slider = surface_->FindSlider("eq_slider_7");
  delete slider_;
  slider->SetValue(5);
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_FALSE(slider->IsVisible());
  EXPECT_EQ(surface_->FindSlider("eq_slider_7"), nullptr);
}

TEST_F(SurfaceTest, UserInputRaisesNotificationsWithUserData) {
  QTest::mouseClick(button_, Qt::LeftButton);
  QTest::mouseClick(option_, Qt::LeftButton);
  ASSERT_EQ(Types(), (std::vector<std::string>{"btnConnect:click", "ch_mute_3:click",
                                               "ch_mute_3:selectchanged"}));
  EXPECT_EQ(seen_[2].user_data, 3);
  EXPECT_TRUE(surface_->FindOption("ch_mute_3")->IsSelected());
  EXPECT_FALSE(surface_->FindButton("btnConnect")->IsSelected()) << "a click does not select";
}

TEST_F(SurfaceTest, ProgrammaticSettersRaiseNothing) {
  kit::Slider* slider = surface_->FindSlider("eq_slider_7");
  slider->SetValue(55);
  slider->SetValue(500);
  surface_->FindOption("ch_mute_3")->SetSelected(true);
  surface_->FindButton("btnConnect")->SetSelected(true);
  surface_->FindCombo("btn_input_source")->SelectItem(2);
  surface_->FindEdit("eq_gain_4")->SetText("1.5");
  surface_->FindList("scene_list")->AddItem("one", 1);
  surface_->FindList("scene_list")->SelectItem(0);
  EXPECT_TRUE(seen_.empty());
  EXPECT_EQ(slider->Value(), 120) << "clamped to the range";
  EXPECT_TRUE(surface_->FindButton("btnConnect")->IsSelected());
  EXPECT_EQ(surface_->FindCombo("btn_input_source")->CurSel(), 2);
}

TEST_F(SurfaceTest, SliderDragMovesThenCommits) {
  slider_->setSliderDown(true);
  slider_->setValue(10);
  slider_->setSliderDown(false);
  QTest::keyClick(slider_, Qt::Key_Up);
  EXPECT_EQ(Types(),
            (std::vector<std::string>{"eq_slider_7:movevaluechanged", "eq_slider_7:valuechanged",
                                      "eq_slider_7:valuechanged"}));
  EXPECT_EQ(seen_.back().user_data, 7);
}

TEST_F(SurfaceTest, EditKeysAndFocus) {
  edit_->setFocus();
  QApplication::processEvents();
  seen_.clear();
  QTest::keyClick(edit_, Qt::Key_Up);
  QTest::keyClick(edit_, Qt::Key_Down);
  QTest::keyClick(edit_, Qt::Key_Return);
  QTest::keyClick(edit_, Qt::Key_Enter);
  EXPECT_EQ(Types(),
            (std::vector<std::string>{"eq_gain_4:valuechangedup", "eq_gain_4:valuechangeddown",
                                      "eq_gain_4:return", "eq_gain_4:return"}));
  seen_.clear();
  other_edit_->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(Types(), (std::vector<std::string>{"eq_gain_4:killfocus", "eq_freq_4:setfocus"}));
}

TEST_F(SurfaceTest, LeftAndRightLeaveAnEditOnlyFromItsEdge) {
  edit_->setText("12.5");
  edit_->setFocus();
  QApplication::processEvents();
  edit_->setCursorPosition(2);
  seen_.clear();
  QTest::keyClick(edit_, Qt::Key_Right);  // moves the cursor to 3
  QTest::keyClick(edit_, Qt::Key_Right);  // to the end
  EXPECT_TRUE(seen_.empty());
  QTest::keyClick(edit_, Qt::Key_Right);
  edit_->setCursorPosition(0);
  QTest::keyClick(edit_, Qt::Key_Left);
  edit_->selectAll();
  QTest::keyClick(edit_, Qt::Key_Right);
  EXPECT_EQ(Types(),
            (std::vector<std::string>{"eq_gain_4:valuechangedright", "eq_gain_4:valuechangedleft",
                                      "eq_gain_4:valuechangedright"}));
  EXPECT_EQ(edit_->text(), "12.5") << "arrow keys never change the text";
}

TEST_F(SurfaceTest, ComboItemsByNameHiddenItemsAndUserSelection) {
  kit::Combo* combo = surface_->FindCombo("btn_input_source");
  ASSERT_EQ(combo->Count(), 3);
  EXPECT_EQ(combo->FindItem("source_bt"), 2);
  EXPECT_EQ(combo->FindItem("source_hi"), -1);
  EXPECT_EQ(combo->ItemName(1), "source_coax");
  combo->SetItemVisible(1, false);
  EXPECT_FALSE(combo->IsItemVisible(1));
  EXPECT_TRUE(combo->IsItemVisible(0));
  EXPECT_FALSE(combo->SelectItem(3));
  combo->SetItemHeight(24);
  EXPECT_EQ(combo->ItemHeight(), 24);
  combo_->setFocus();
  combo->SelectItem(0);
  QTest::keyClick(combo_, Qt::Key_Down);  // skips the hidden item
  ASSERT_EQ(Types(), (std::vector<std::string>{"btn_input_source:itemselect"}));
  EXPECT_EQ(combo->CurSel(), 2);
}

TEST_F(SurfaceTest, ListClicksAndSelection) {
  kit::List* list = surface_->FindList("scene_list");
  list->AddItem("first", 11);
  list->AddItem("second", 12);
  EXPECT_EQ(list->ItemUserData(1), 12);
  QRect second = list_->visualItemRect(list_->item(1));
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(Types(), (std::vector<std::string>{"scene_list:itemselect", "scene_list:itemclick"}));
  EXPECT_EQ(list->CurSel(), 1);
  list->RemoveAll();
  EXPECT_EQ(list->Count(), 0);
}

TEST_F(SurfaceTest, WindowHandlingWrapsTheLogicsHandler) {
  std::vector<std::string> order;
  surface_->SetWindowHandling(
      [&](const ControlNotify& n) {
        order.push_back("before");
        return n.name == "ch_mute_3";  // consumed
      },
      [&](const ControlNotify&) { order.push_back("after"); });
  surface_->SetNotifyHandler([&](const ControlNotify&) { order.push_back("logic"); });
  QTest::mouseClick(button_, Qt::LeftButton);
  kit::RaiseNotification(*option_, kit::msgtype::kClick);
  EXPECT_EQ(order, (std::vector<std::string>{"before", "logic", "after", "before"}));
}

TEST_F(SurfaceTest, CustomControlsRaiseThroughTheirWindow) {
  auto* graph = new QWidget(root_.get());
  graph->setObjectName("equalizer");
  kit::RaiseNotification(*graph, kit::msgtype::kEqualizerEq, 4);
  QWidget orphan;
  kit::RaiseNotification(orphan, kit::msgtype::kClick);  // no window: nothing, no crash
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].name, "equalizer");
  EXPECT_EQ(seen_[0].type, "equalizer_eq");
  EXPECT_EQ(seen_[0].user_data, 4);
}

TEST_F(SurfaceTest, PlaceholdersResolveWhenShownAndAgainAfterASwitch) {
  ScopedLanguage language("en");
  kit::Label* label = surface_->FindLabel("MessageText");
  label->SetText("${tips}");
  surface_->FindEdit("eq_gain_4")->SetText("${off}");
  surface_->FindEdit("eq_freq_4")->SetText("${off}");
  kit::RetranslateTree(root_.get());
  EXPECT_EQ(label->Text(), "Notice");
  EXPECT_EQ(label->RawText(), "${tips}");
  EXPECT_EQ(surface_->FindCombo("btn_input_source")->ItemText(2), "Bluetooth");
  other_edit_->setText("250");  // the user types over one of them
  language.Switch("cn");
  kit::RetranslateTree(root_.get());
  EXPECT_EQ(label->Text(), "提示");
  EXPECT_EQ(surface_->FindEdit("eq_gain_4")->Text(), "关");
  EXPECT_EQ(surface_->FindEdit("eq_gain_4")->RawText(), "${off}");
  EXPECT_EQ(surface_->FindEdit("eq_freq_4")->Text(), "250") << "typed text is never replaced";
  EXPECT_EQ(surface_->FindEdit("eq_freq_4")->RawText(), "250");
  EXPECT_EQ(surface_->FindCombo("btn_input_source")->ItemText(2), "蓝牙");
  label->SetText("${no_such_key}");
  EXPECT_EQ(label->Text(), "${no_such_key}") << "a missing key shows as written";
  label->SetText("plain");
  kit::RetranslateTree(root_.get());
  EXPECT_EQ(label->RawText(), "plain");
}

}  // namespace
