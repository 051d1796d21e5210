// tolva-dsp-cli set and the main window make the same edit on two equal emulated units: the
// window typed into, clicked and chosen from with real widgets, `set` run with the same value.
// Each edit must reach its unit as the same frames, and the two units end with the same memory.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "emulator/unit_state.h"
#include "support/main_window_on_unit.h"
#include "support/recording_transport.h"
#include "ui/kit/qt/qt_popup_menu.h"
#include "ui/screen/control_names.h"

namespace tolva::e2e {
namespace {

using model::testing::FrameHex;
using model::testing::FrameLog;
using model::testing::RecordingTransport;

device::TransportFactory Recorded(const std::shared_ptr<emulator::EmulatedDevice>& unit,
                                  const std::shared_ptr<FrameLog>& log) {
  auto inner = emulator::MakeEmulatorTransportFactory(unit);
  return [inner, log] { return std::make_unique<RecordingTransport>(inner(), log); };
}

class SetAsTheWindow : public tolva::testing::MainWindowOnUnit {
 protected:
  SetAsTheWindow() : MainWindowOnUnit({.record_frames = true}) {}
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    Main().show();
    ASSERT_TRUE(Activate());
    WindowFrames();
  }

  // Every frame the window sent since the last call, once its link has written them all.
  std::vector<std::string> WindowFrames() {
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    QApplication::processEvents();
    EXPECT_TRUE(Manager().Link().WaitUntilQueueIdle(5000));
    return FrameHex(frames_->Take());
  }
  // The frames of `set assignment` beyond those of a session that sets nothing (the connect
  // read before, the goodbye after).
  std::vector<std::string> SetFrames(const std::string& assignment) {
    const cli::DeviceOptions device{Recorded(cli_unit_, cli_log_)};
    EXPECT_EQ(cli::RunSet(device, {}), cli::kExitOk);
    const std::vector<std::string> session = FrameHex(cli_log_->Take());
    EXPECT_EQ(cli::RunSet(device, {assignment}), cli::kExitOk);
    const std::vector<std::string> all = FrameHex(cli_log_->Take());
    std::size_t head = 0;
    while (head < session.size() && head < all.size() && all[head] == session[head]) ++head;
    const std::size_t tail = session.size() - head;
    if (all.size() < session.size()) return {"(fewer frames than a session that sets nothing)"};
    return {all.begin() + static_cast<long>(head), all.end() - static_cast<long>(tail)};
  }

  void Type(const char* box, const char* text) {
    auto* edit = Widget<QLineEdit>(box);
    if (edit == nullptr) return;
    edit->setFocus();
    QApplication::processEvents();
    edit->setText(QString::fromUtf8(text));
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();
    // Return in a band box moves the focus on; the box commits as it loses it.
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    QApplication::processEvents();
  }
  void Click(const char* name) {
    MainWindowOnUnit::Click(name);
    QApplication::processEvents();
  }
  // As a user picks an item: activated is the signal the window listens to.
  void Choose(const char* combo, int index) {
    auto* c = Widget<QComboBox>(combo);
    if (c == nullptr) return;
    c->setCurrentIndex(index);
    emit c->activated(index);
    QApplication::processEvents();
  }
  void ChooseRole(const char* button, int role) {
    Click(button);
    kit::QtPopupMenu* menu = Main().CurrentMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(menu->Trigger(ui::RoleMenuItem(role)));
    QApplication::processEvents();
  }

  std::shared_ptr<emulator::EmulatedDevice> cli_unit_ =
      std::make_shared<emulator::EmulatedDevice>();
  std::shared_ptr<FrameLog> cli_log_ = std::make_shared<FrameLog>();
};

struct Step {
  const char* assignment;
  std::function<void()> on_window;
};

// One after the other, so that each edit meets the state the ones before left: the band edits
// start on a bypassed output, whose other bands go silent first; the gain of 5 dB is held at 0.
// (A band switched off is not switched on again here: the unit holds it at 0 dB, so a new
// session cannot know the gain the window still remembers.)
TEST_F(SetAsTheWindow, EveryKindOfEditSendsTheWindowsFrames) {
  const std::vector<Step> steps = {
      {"mainVolume=-12", [&] { Type("edit_main_volume", "-12"); }},
      {"channels/1/gain=5", [&] { Type("edit_ch_volume_1", "5"); }},
      {"channels/1/delay=2.5", [&] { Type("edit_ch_delay_1", "2.5"); }},
      {"channels/0/mute=1", [&] { Click("ch_mute_0"); }},
      {"channels/0/phase=1", [&] { Click("ch_phase_0"); }},  // from the factory's 0
      {"source=bt", [&] { Choose("btn_input_source", 2); }},
      {"channels/2/crossover/hp/fs=1K25",
       [&] {
         Click("ch_enable_2");
         Type("hp_freq", "1K25");
       }},
      {"channels/2/crossover/lp/fs=90", [&] { Type("lp_freq", "90"); }},  // below the high-pass
      {"channels/2/crossover/hp/slope=4", [&] { Choose("hp_slop", 4); }},
      {"channels/2/crossover/hp/type=2", [&] { Choose("hp_type", 2); }},
      {"channels/2/eqArray/4/eqGain=-3.5", [&] { Type("eq_gain_4", "-3.5"); }},
      {"channels/2/eqArray/4/freq=1K2", [&] { Type("eq_freq_4", "1K2"); }},
      {"channels/2/eqArray/4/eqFactor=2.2", [&] { Type("eq_q_4", "2.2"); }},
      {"channels/2/eqArray/5/eqFactor=12", [&] { Type("eq_q_5", "12"); }},
      {"channels/2/eqArray/4/eqGain=0", [&] { Type("eq_gain_4", "0"); }},  // flat: bypassed
      {"channels/2/eqArray/4/eqGain=2", [&] { Type("eq_gain_4", "2"); }},
      {"channels/2/eqArray/4/enable=0", [&] { Click("pt_enable_4"); }},
      {"outputs/2=20", [&] { ChooseRole("ch_output_btn_2", 20); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.assignment);
    step.on_window();
    const std::vector<std::string> window = WindowFrames();
    EXPECT_FALSE(window.empty());
    EXPECT_EQ(SetFrames(step.assignment), window);
  }
  EXPECT_TRUE(emulator::ToJson(cli_unit_->Snapshot()) == emulator::ToJson(unit_->Snapshot()))
      << "the two units' memories differ";
}

}  // namespace
}  // namespace tolva::e2e
