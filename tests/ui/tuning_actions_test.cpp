// Undo and redo, A/B switching and the tweeter question on the main window, driven with real key
// and mouse events against the in-process emulated unit: after an undo the model, the unit's
// memory and the frames sent agree with the state before the edit.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

#include "emulator/emulated_device.h"
#include "base/language_tables.h"
#include "model/manager/manager_messages.h"
#include "model/files/profile_diff.h"
#include "model/files/profile_files.h"
#include "model/edits/screen_text.h"
#include "support/dialog_answer.h"
#include "support/mouse_events.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/recording_transport.h"
#include "support/scratch_folder.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/screen/tuning_actions.h"
#include "test_languages.h"

namespace {

using tolva::curves::UIEqualizer;
using tolva::model::Profile;
using tolva::model::testing::SentFrame;
using tolva::testing::DialogAnswer;
using tolva::testing::WaitFor;

constexpr int kEq = 0x06, kFilter = 0x05, kBypass = 0x12;
constexpr int kFrontLeftTweeter = 1;

class TuningWindow : public tolva::testing::MainWindowOnUnit {
 protected:
  TuningWindow() : MainWindowOnUnit({.record_frames = true}) {}
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    Main().show();
    ASSERT_TRUE(Activate());
    graph_ = Widget<UIEqualizer>("equalizer");
    ASSERT_NE(graph_, nullptr);
    Sent();
  }

  const Profile& Live() { return Manager().LiveProfile(); }
  std::string Memory() { return tolva::emulator::ToJson(unit_->Snapshot()); }
  // The live profile against an expected one, and the unit's memory against an earlier one:
  // empty when equal, else what differs (the memory as a whole).
  std::string LiveDiffersFrom(const Profile& expected) {
    if (Live() == expected) return "";
    std::string out = "differs";
    for (const auto& d : tolva::model::DiffProfiles(expected, Live())) {
      out += "; " + d.key + ": " + d.a + " -> " + d.b;
    }
    return out;
  }
  bool MemoryIs(const std::string& expected) { return Memory() == expected; }
  // Every frame sent since the last call, once the link has written them all.
  std::vector<SentFrame> Sent() {
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    return frames_->Take();
  }
  void Type(const char* box, const char* text) {
    auto* edit = Widget<QLineEdit>(box);
    edit->setFocus();
    QApplication::processEvents();
    edit->setText(QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
  }
  // The window's keys, pressed where the focus is.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QApplication::setActiveWindow(&Main());  // a dialog that just closed may have taken it
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &Main(), key, modifiers);
    QApplication::processEvents();
  }
  void Undo() { Key(Qt::Key_Z, Qt::ControlModifier); }
  void Choose(const char* button, const char* item) {
    Click(button);
    ASSERT_NE(Main().CurrentMenu(), nullptr);
    ASSERT_TRUE(Main().CurrentMenu()->Trigger(item));
    QApplication::processEvents();
  }
  void PeqMode() {
    if (!Main().Surface().FindButton("btn_arg_eq")->IsSelected()) {
      DialogAnswer yes({"confirm_btn"});  // every Q back to 5.8
      Click("btn_arg_eq");
    }
  }
  void DragBand(int band, QPoint by) {
    const auto c = graph_->Layout().Markers()[std::size_t(band)].center;
    Drag(QPoint(c.x, c.y), by);
  }
  // The "H" handle until the high-pass corner reads about `hz`.
  void DragHighPassTo(int hz) {
    const auto h = *graph_->Layout().HpHandle();
    const auto& g = graph_->Geometry();
    const int travel = tolva::curves::ToPixel(g.FrequencyToX(hz)) -
                       tolva::curves::ToPixel(g.FrequencyToX(graph_->HpFreq()));
    Drag(QPoint((h.left + h.right) / 2, (h.top + h.bottom) / 2), QPoint(travel, 0));
  }
  void Drag(QPoint from, QPoint by) {
    tolva::testing::SendMouse(graph_, QEvent::MouseMove, from, Qt::NoButton);
    QTest::mousePress(graph_, Qt::LeftButton, {}, from);
    // Each move sent before the next: a busy machine would otherwise let the link fold the
    // moves into one frame.
    for (int i = 1; i <= 8; ++i) {
      QTest::mouseMove(graph_, from + by * i / 8);
      EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    }
    QTest::mouseRelease(graph_, Qt::LeftButton, {}, from + by);
  }

  LanguageFile english_{"en"};  // the questions' texts come from the model's tables
  UIEqualizer* graph_ = nullptr;
  tolva::testing::ScratchFolder folder_{"tuning_actions"};
  std::string file_ = (folder_.Path() / "scene.spf").string();
};

TEST_F(TuningWindow, AWholeDragIsOneStepUndoneAndRedoneWithItsOwnFramesOnly) {
  PeqMode();
  Sent();
  const Profile before = Live();
  const std::string memory = Memory();
  const std::size_t steps = binding_->Tuning().Session().History().UndoSteps();
  DragBand(17, QPoint(40, -50));
  const Profile dragged = Live();
  ASSERT_NE(dragged.channels[0].eqArray[17], before.channels[0].eqArray[17]);
  EXPECT_GT(Sent().size(), 2u);  // the drag sent as it moved
  const std::string dragged_memory = Memory();

  EXPECT_EQ(binding_->Tuning().Session().History().UndoSteps(), steps + 1);
  Undo();
  EXPECT_EQ(LiveDiffersFrom(before), "");
  const auto undone = Sent();
  EXPECT_TRUE(MemoryIs(memory));
  // The band back, and the bypass the drag had switched off.
  ASSERT_EQ(undone.size(), 2u);
  EXPECT_EQ(undone[0].sub, kEq);
  EXPECT_EQ(undone[0].payload[3], 17);
  EXPECT_EQ(undone[1].sub, kBypass);
  EXPECT_EQ(Main().Surface().FindControl("eq_freq_17")->RawText(),
            std::to_string(before.channels[0].eqArray[17].freq));

  Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(LiveDiffersFrom(dragged), "");
  EXPECT_EQ(Sent().size(), 2u);
  EXPECT_TRUE(MemoryIs(dragged_memory));
  Undo();
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(LiveDiffersFrom(dragged), "");
}

TEST_F(TuningWindow, UndoOfAnEditOnALinkedOutputRestoresBothOutputs) {
  {
    DialogAnswer left_onto_right({"check_box_0", "confirm_btn"});
    QTest::mouseClick(Widget<QWidget>("btn_link_output"), Qt::LeftButton);
    ASSERT_TRUE(left_onto_right.Answered());
  }
  ASSERT_EQ(Live().linkMode, 1);
  ASSERT_EQ(Live().linkOutputs[0], 1);
  Sent();
  const Profile before = Live();
  const std::string memory = Memory();
  Type("eq_gain_4", "-6.5");
  ASSERT_FLOAT_EQ(Live().channels[1].eqArray[4].eqGain, -6.5f);
  Sent();
  ASSERT_NE(Memory(), memory);

  Undo();
  EXPECT_EQ(LiveDiffersFrom(before), "");
  const auto undone = Sent();
  int bands = 0;
  for (const SentFrame& f : undone) {
    if (f.sub == kEq) ++bands;
  }
  EXPECT_EQ(bands, 2);  // band 4 of both outputs
  EXPECT_TRUE(MemoryIs(memory));
  EXPECT_EQ(Main().Surface().FindControl("eq_gain_4")->RawText(), "0.0");
}

TEST_F(TuningWindow, RoleChangeAndALoadedFileAreUndoneWithTheirCrossovers) {
  Profile before = Live();
  const std::string memory = Memory();
  Choose("ch_output_btn_2", "output_menu_center_low_freq");
  ASSERT_EQ(Live().outputs[2], 20);
  Sent();

  Profile file = Live();
  file.mainVolume = -30;
  file.channels[3].delay = 4.5f;
  file.channels[5].eqArray[2] = {2.5f, 1.5f, 90, 1};
  ASSERT_TRUE(tolva::model::WriteSceneProfile(file, file_));
  binding_->OpenProfileFileWhenReady(file_);
  ASSERT_TRUE(WaitFor([&] { return Live().mainVolume == -30; }));
  ASSERT_TRUE(WaitFor([&] { return !Manager().UnitOperationRunning(); }, 5000));
  Sent();

  Undo();  // the file: only what it changed goes back
  const auto file_undone = Sent();
  EXPECT_EQ(file_undone.size(), 3u);  // volume, delay list, band
  EXPECT_EQ(Live().mainVolume, before.mainVolume);
  EXPECT_EQ(Live().outputs[2], 20);
  Undo();  // the role, with the crossover it brought
  // The file's Q 1.5 brought the parametric mode; an undo leaves the mode to the user.
  EXPECT_EQ(Live().peqMode, 1);
  before.peqMode = 1;
  EXPECT_EQ(LiveDiffersFrom(before), "");
  Sent();
  EXPECT_TRUE(MemoryIs(memory));
  EXPECT_EQ(Main().Surface().FindButton("ch_output_btn_2")->RawText(),
            tolva::model::RoleButtonLabel(before.outputs[2]));
}

TEST_F(TuningWindow, ASwitchSendsOnlyTheDifferencesAndShowsTheLiveSide) {
  auto* side = Widget<QLabel>("ab_side");
  EXPECT_TRUE(side->text().isEmpty());
  Key(Qt::Key_F9);  // A copied to B: nothing to send
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(side->text(), tolva::kit::Resolve(QStringLiteral("${ab_side_b}")));
  const Profile a = Live();
  const std::string a_memory = Memory();

  Type("eq_gain_3", "2");
  Type("eq_gain_9", "-3");
  Type("eq_gain_20", "4.5");
  Sent();
  const Profile b = Live();
  const std::string b_memory = Memory();

  Key(Qt::Key_F9);
  // Three bands and the bypass they had switched off: within k + 2 for k = 3.
  EXPECT_EQ(Sent().size(), 4u);
  EXPECT_EQ(LiveDiffersFrom(a), "");
  EXPECT_TRUE(MemoryIs(a_memory));
  EXPECT_EQ(side->text(), tolva::kit::Resolve(QStringLiteral("${ab_side_a}")));
  Undo();  // A has no steps of its own: B's edits stay with B
  EXPECT_EQ(LiveDiffersFrom(a), "");

  Key(Qt::Key_F9);
  EXPECT_EQ(Sent().size(), 4u);
  EXPECT_EQ(LiveDiffersFrom(b), "");
  EXPECT_TRUE(MemoryIs(b_memory));
  Undo();  // B's last edit
  EXPECT_FLOAT_EQ(Live().channels[0].eqArray[20].eqGain, a.channels[0].eqArray[20].eqGain);

  // Connected again: the read is no step, and neither the steps nor A apply any more.
  Manager().Disconnect();
  Manager().Connect(false);
  ASSERT_TRUE(Connected());
  QApplication::processEvents();
  EXPECT_FALSE(binding_->Tuning().Session().History().CanUndo());
  EXPECT_FALSE(binding_->Tuning().Session().Comparing());
  EXPECT_TRUE(side->text().isEmpty());
}

TEST_F(TuningWindow, ATweeterLeftWithoutItsHighPassIsAskedAboutAndNoSendsNothing) {
  Choose("ch_output_btn_0", "output_menu_front_left_high_freq");
  ASSERT_EQ(Live().outputs[0], kFrontLeftTweeter);
  Sent();
  auto* strip = Widget<QWidget>("ch_output_btn_0");
  EXPECT_FALSE(strip->property("tweeterWarning").toBool());
  const Profile before = Live();
  const std::string memory = Memory();
  {
    DialogAnswer no({"cancel_btn"});
    Type("hp_freq", "300");
    ASSERT_TRUE(no.Answered());
    EXPECT_TRUE(no.Text().contains(QString::fromStdString(tolva::Languages().Resolve("${front_left_tweeter}"))))
        << no.Text().toStdString();
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(LiveDiffersFrom(before), "");
  EXPECT_TRUE(MemoryIs(memory));
  EXPECT_EQ(Widget<QLineEdit>("hp_freq")->text().toStdString(),
            std::to_string(before.channels[0].crossover.hp.fs) + "Hz");
  {
    DialogAnswer yes({"confirm_btn"});
    Type("hp_freq", "300");
    ASSERT_TRUE(yes.Answered());
  }
  EXPECT_EQ(Live().channels[0].crossover.hp.fs, 300);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].sub, kFilter);
  EXPECT_TRUE(strip->property("tweeterWarning").toBool());
  {
    DialogAnswer none({"confirm_btn"});
    Undo();  // back to a protected tweeter: no question
    EXPECT_FALSE(none.Answered());
  }
  EXPECT_EQ(LiveDiffersFrom(before), "");
  EXPECT_FALSE(strip->property("tweeterWarning").toBool());
  Sent();

  // A drag of "H" sends as it moves until the tweeter would be left unprotected; from there
  // its commands wait for the answer at the release.
  {
    DialogAnswer no({"cancel_btn"});
    DragHighPassTo(300);
    ASSERT_TRUE(no.Answered());
  }
  for (const SentFrame& frame : Sent()) {
    EXPECT_FALSE(frame.sub == kFilter && frame.payload[3] == 2 &&
                 (frame.payload[5] << 8 | frame.payload[6]) < 1000)
        << "a high-pass below 1 kHz reached the unit";
  }
  EXPECT_EQ(LiveDiffersFrom(before), "");
  EXPECT_TRUE(MemoryIs(memory));
  {
    DialogAnswer yes({"confirm_btn"});
    DragHighPassTo(300);
    ASSERT_TRUE(yes.Answered());
  }
  EXPECT_LT(Live().channels[0].crossover.hp.fs, 1000);
  ASSERT_FALSE(Sent().empty());
  EXPECT_NE(Memory(), memory);
  EXPECT_TRUE(strip->property("tweeterWarning").toBool());
}

// Where a slider's handle is drawn, in the slider.
QPoint HandleCentre(QSlider& slider) {
  QStyleOptionSlider o;
  o.initFrom(&slider);
  o.orientation = slider.orientation();
  o.minimum = slider.minimum();
  o.maximum = slider.maximum();
  o.sliderPosition = slider.sliderPosition();
  o.sliderValue = slider.value();
  o.upsideDown = slider.orientation() == Qt::Horizontal ? slider.invertedAppearance()
                                                        : !slider.invertedAppearance();
  o.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  return slider.style()
      ->subControlRect(QStyle::CC_Slider, &o, QStyle::SC_SliderHandle, &slider)
      .center();
}

// A notice that opens modally while the button is held (here a failed read's, as the read
// posts it) takes the mouse: the button's release goes to the notice, never to what was
// dragged. The drag ends as the notice opens: one step that undoes, nothing left open, and the
// pointer moving on with no button held drags nothing. Mouse events go through the window
// system, which holds them back from a window a modal one blocks.
TEST_F(TuningWindow, ANoticeOpeningMidDragEndsTheDrag) {
  PeqMode();
  auto* slider = Widget<QSlider>("slider_ch_volume_2");
  const struct {
    const char* what;
    std::function<QPoint()> from;
    QPoint by;
  } drags[] = {
      {"graph point",
       [&] {
         const auto c = graph_->Layout().Markers()[17].center;
         return graph_->mapTo(&Main(), QPoint(c.x, c.y));
       },
       QPoint(30, -40)},
      {"volume slider", [&] { return slider->mapTo(&Main(), HandleCentre(*slider)); },
       QPoint(0, 30)},
  };
  QWindow* system = Main().windowHandle();
  auto sink = std::dynamic_pointer_cast<tolva::kit::QtWindowSink>(Main().Sink());
  ASSERT_NE(sink, nullptr);
  for (const auto& d : drags) {
    Sent();
    const Profile before = Live();
    const std::string memory = Memory();
    const std::size_t steps = binding_->Tuning().Session().History().UndoSteps();
    const QPoint from = d.from();
    QTest::mouseMove(system, from);
    QTest::mousePress(system, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 6; ++i) {
      QTest::mouseMove(system, from + d.by * i / 6);
      EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    }
    ASSERT_NE(LiveDiffersFrom(before), "") << d.what << " did not move";

    bool noticed = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || noticed) return;
      noticed = true;
      QTest::mouseRelease(system, Qt::LeftButton, {}, from + d.by);
      box->done(0);
    });
    answer.start(10);
    sink->Post(tolva::model::MSG_CONNECT_FAIL, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return noticed && QApplication::activeModalWidget() == nullptr; }))
        << d.what;
    answer.stop();
    QApplication::setActiveWindow(&Main());

    EXPECT_EQ(graph_->State(), UIEqualizer::DragState::kIdle) << d.what;
    EXPECT_FALSE(slider->isSliderDown()) << d.what;
    EXPECT_FALSE(Manager().Tuning().Busy()) << d.what << ": undo and A/B stay disabled";
    EXPECT_EQ(binding_->Tuning().Session().History().UndoSteps(), steps + 1) << d.what;
    const Profile dragged = Live();
    Sent();
    QTest::mouseMove(system, from + d.by * 2);  // no button held
    QTest::mouseMove(system, from);
    EXPECT_EQ(LiveDiffersFrom(dragged), "") << d.what << " followed the pointer";
    EXPECT_TRUE(Sent().empty()) << d.what;
    Undo();
    EXPECT_EQ(LiveDiffersFrom(before), "") << d.what;
    Sent();
    EXPECT_TRUE(MemoryIs(memory)) << d.what;
  }
}

}  // namespace
