// The measurement window against the emulated unit and a car that plays the unit's unmuted
// outputs: two outputs measured at the seat, a preview, Apply, and the unit holding the tune
// until one undo takes it back; every output's mute as it was once the window has closed; a bad
// position dropped from the average; the window closing itself when the unit leaves mid-run.
#include "ui/windows/measure_tune_wnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "base/language_tables.h"
#include "emulator/emulated_device.h"
#include "model/manager/equalizer_manager.h"
#include "model/profile/scene_names.h"
#include "support/car_following_unit.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/tips_box_answerer.h"
#include "test_languages.h"
#include "ui/controls/fit_preview_graph.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/main/main_wnd.h"
#include "ui/main/screenshot.h"
#include "ui/screen/tuning_actions.h"
#include "ui/windows/differences_wnd.h"

namespace {

using tolva::curves::UIEqualizer;
using tolva::ui::RenderWindowScreenshot;
using tolva::model::ConnectState;
using tolva::testing::WaitFor;

constexpr int kDropColumn = 2;
constexpr int kClippingColumn = 5;
constexpr int kVerdictColumn = 6;

QString Text(const char* raw) { return tolva::kit::Resolve(QString::fromLatin1(raw)); }

QString Tips(const QWidget& window) {
  return window.findChild<QLabel*>(QStringLiteral("tune_tips"))->text();
}

std::vector<double> OverlayOf(const UIEqualizer& graph, int output) {
  const auto measured = graph.Overlay().Measured(output);
  return {measured.begin(), measured.end()};
}

// Over the points both measured; infinite when they were measured on different points.
double LargestDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return INFINITY;
  double largest = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::isfinite(a[i]) != std::isfinite(b[i])) return INFINITY;
    if (std::isfinite(a[i])) largest = std::max(largest, std::abs(a[i] - b[i]));
  }
  return largest;
}

QStringList PreviewRow(const QWidget& window) {
  auto* preview = window.findChild<QTableWidget*>(QStringLiteral("tune_preview_table"));
  QStringList texts;
  for (int c = 1; c < preview->columnCount(); ++c) texts << preview->item(0, c)->text();
  return texts;
}

// Two outputs at their own distances and levels at the seat; the cabin gives the fit work.
std::array<tolva::model::testing::SpeakerAtSeat, 6> Speakers() {
  std::array<tolva::model::testing::SpeakerAtSeat, 6> s{};
  s[0] = {3.4, 0.0};
  s[1] = {2.6, -2.0};
  return s;
}

class MeasureTuneWindow : public tolva::testing::MainWindowOnUnit {
 protected:
  // The window over the main window and its graph, measuring through the car, off screen.
  std::unique_ptr<CMeasureTuneWnd> Open(std::shared_ptr<tolva::model::testing::CarFollowingUnit> car) {
    auto window = std::make_unique<CMeasureTuneWnd>(
        &Main(), Manager(), tolva::ui::tune::MakeSessionBackend(Manager(), std::move(car)),
        Main().findChild<UIEqualizer*>(QStringLiteral("equalizer")));
    window->setAttribute(Qt::WA_DontShowOnScreen, true);
    window->show();
    return window;
  }
  static void Click(QWidget& w, const char* name) {
    auto* button = w.findChild<QWidget*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  std::array<std::uint8_t, 6> UnitMutes() {
    std::array<std::uint8_t, 6> mutes{};
    const auto state = unit_->Snapshot();
    for (int k = 0; k < 6; ++k) mutes[k] = state.scenes[0].outputs[k].mute;
    return mutes;
  }
  std::array<int, 6> LiveMutes() {
    std::array<int, 6> mutes{};
    for (int k = 0; k < 6; ++k) mutes[k] = Manager().LiveProfile().channels[k].mute;
    return mutes;
  }
  std::array<tolva::emulator::BandState, 31> UnitBands(int output) {
    return unit_->Snapshot().scenes[0].outputs[output].bands;
  }
  void Shot(QWidget& w, const char* name) {
    const QString dir = qEnvironmentVariable("TOLVA_SCREENSHOT_DIR");
    if (!dir.isEmpty()) EXPECT_TRUE(RenderWindowScreenshot(w, QDir(dir).filePath(name)));
  }

  // Once the devices are listed: the car's capture channel 2 is a loopback, so the delays have
  // a clock; only the outputs below `ticked` are measured.
  void Prepare(CMeasureTuneWnd& window, int ticked) {
    if (ticked > 1) {
      // Input 1 plays the sweep; output 1 takes only input 2 until it is routed.
      Manager().Editing().SetRouting(1, 1, true);
      ASSERT_TRUE(WaitFor([&] { return (unit_->Snapshot().scenes[0].mix[0][1] & 1) != 0; }));
    }
    auto* play = window.findChild<QComboBox*>(QStringLiteral("tune_play_device"));
    ASSERT_TRUE(WaitFor([&] { return play->count() > 0 && !window.Session().Busy(); }));
    auto* reference = window.findChild<QComboBox*>(QStringLiteral("tune_reference"));
    reference->setCurrentIndex(1);
    emit reference->activated(1);
    auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
    for (int row = 0; row < outputs->rowCount(); ++row) {
      outputs->item(row, 0)->setCheckState(row < ticked ? Qt::Checked : Qt::Unchecked);
    }
  }
  // Runs a measuring button and waits for the runs to end.
  static void MeasureAndWait(CMeasureTuneWnd& window, const char* button) {
    Click(window, button);
    EXPECT_TRUE(window.Session().Busy());
    ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }, 120000));
  }

  // Opens the runs menu of an output and drops one by clicking it.
  static void DropRun(CMeasureTuneWnd& window, int output, int run, int listed) {
    auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
    auto* drop = outputs->cellWidget(output, kDropColumn)->findChild<QAbstractButton*>();
    ASSERT_TRUE(drop->isEnabled());
    QTest::mouseClick(drop, Qt::LeftButton);
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      menu = window.findChild<QMenu*>(QStringLiteral("tune_runs_menu"));
      return menu != nullptr && menu->isVisible();
    }));
    ASSERT_EQ(menu->actions().size(), listed);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[run]).center());
    ASSERT_TRUE(WaitFor([&] { return window.findChild<QMenu*>(QStringLiteral("tune_runs_menu")) == nullptr; }));
  }
  void Preview(CMeasureTuneWnd& window) {
    Click(window, "tune_preview");
    auto* preview = window.findChild<QTableWidget*>(QStringLiteral("tune_preview_table"));
    ASSERT_TRUE(WaitFor([&] { return preview->rowCount() > 0 && !window.Session().Busy(); }, 60000));
  }

  // Measures outputs 0 and 1 and previews; returns once the preview is shown.
  void MeasureTwoAndPreview(CMeasureTuneWnd& window) {
    Prepare(window, 2);
    auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
    Click(window, "tune_measure");
    EXPECT_TRUE(window.Session().Busy());
    ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }, 120000));
    for (int row : {0, 1}) {
      EXPECT_EQ(outputs->item(row, 1)->text(), QStringLiteral("1")) << row;
      EXPECT_EQ(outputs->item(row, kVerdictColumn)->text(),
                tolva::kit::Resolve(QStringLiteral("${tunewnd_usable}")))
          << row;
    }
    EXPECT_EQ(outputs->item(2, 1)->text(), QStringLiteral("0"));
    // Each arrived on the main graph's overlay; the last one measured is the one it shows.
    auto* graph = Main().findChild<UIEqualizer*>(QStringLiteral("equalizer"));
    EXPECT_TRUE(graph->Overlay().Has(0));
    EXPECT_TRUE(graph->Overlay().Has(1));
    EXPECT_EQ(Manager().CurrentChannel(), 1);
    // Measured through the settings it plays: until one changes, the prediction is the
    // measurement (it is not the settings counted twice).
    const auto measured = graph->Overlay().Measured(1);
    const auto predicted = graph->PredictedCurve();
    ASSERT_EQ(predicted.size(), measured.size());
    const auto& grid = Manager().Grid();
    for (std::size_t i = 0; i < grid.size(); ++i) {
      if (grid[i] < 100.0 || grid[i] > 10000.0 || !std::isfinite(measured[i])) continue;
      ASSERT_NEAR(predicted[i], measured[i], 0.01) << grid[i] << " Hz";
    }
    Shot(window, shot_measured_);

    Click(window, "tune_preview");
    auto* preview = window.findChild<QTableWidget*>(QStringLiteral("tune_preview_table"));
    ASSERT_TRUE(WaitFor([&] { return preview->rowCount() == 2 && !window.Session().Busy(); },
                        60000));
    EXPECT_TRUE(window.findChild<FitPreviewGraph*>(QStringLiteral("tune_fit_graph"))->HasCurves());
    Shot(window, shot_preview_);
  }

  const char* shot_measured_ = "measurement_en.png";
  const char* shot_preview_ = "fit_preview_en.png";
};

TEST_F(MeasureTuneWindow, TwoOutputsMeasuredPreviewedAppliedAndTakenBackByOneUndo) {
  LanguageFile texts("en");
  Main().RetranslateAll();
  // Output 1 plays a band while it is measured: the overlay must not count it twice.
  Manager().Editing().SetBand(1, 4, {1000, 2.0f, 4.0f});
  ASSERT_TRUE(WaitFor([&] { return UnitBands(1)[4].gain_tenths == 220; }));
  const auto mutes_before = UnitMutes();
  const auto bands_before = UnitBands(0);
  auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
  const auto opened = Open(car);
  CMeasureTuneWnd& window = *opened;
  // A chirp through output 6, the unit's subwoofer (low-pass at 50 Hz), cannot date anything;
  // output 3 does not take input 2 of the chirp by the unit's default routing. Each run is
  // refused in words that name why, before anything is muted.
  auto* reference = window.findChild<QComboBox*>(QStringLiteral("tune_reference"));
  ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }));
  const auto refused_with = [&](int output, const char* key, std::vector<std::string> fill) {
    reference->setCurrentIndex(2 + output);
    emit reference->activated(2 + output);
    Click(window, "tune_measure");
    EXPECT_EQ(Tips(window).toStdString(),
              tolva::model::FillPlaceholders(tolva::Languages().Resolve(key), fill));
  };
  refused_with(5, "${tune_reference_bass_only}", {"6", "50"});
  refused_with(2, "${tune_reference_not_routed}", {"3", "2"});
  EXPECT_TRUE(car->MutesAtPlay().empty());
  EXPECT_EQ(UnitMutes(), mutes_before);
  MeasureTwoAndPreview(window);
  // Each output alone: every other output muted while it played.
  const auto runs = car->MutesAtPlay();
  ASSERT_EQ(runs.size(), 2u);
  for (int r = 0; r < 2; ++r) {
    for (int k = 0; k < 6; ++k) EXPECT_EQ(runs[r][k], k == r ? 0 : 1) << "run " << r << " output " << k;
  }
  EXPECT_EQ(UnitMutes(), mutes_before) << "every mute back after the measurements";
  EXPECT_EQ(UnitBands(0)[0].gain_tenths, bands_before[0].gain_tenths) << "sent before Apply";

  Click(window, "tune_apply");
  ASSERT_TRUE(WaitFor([&] {
    const auto& live = Manager().LiveProfile().channels[0];
    const auto unit = UnitBands(0);
    for (int b = 0; b < 31; ++b) {
      const int tenths = static_cast<int>(std::lround((live.eqArray[b].eqGain + 18.0) * 10.0));
      if (unit[b].gain_tenths != tenths || unit[b].freq != live.eqArray[b].freq) return false;
    }
    return true;
  }));
  int cut_or_boost = 0;
  for (const auto& band : UnitBands(0)) cut_or_boost += band.gain_tenths != 180;
  EXPECT_GT(cut_or_boost, 0) << "the unit holds the fitted bands";
  EXPECT_EQ(unit_->Snapshot().scenes[0].outputs[0].bypass, 0);
  EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("tune_ab"))->isEnabled());

  binding_->Tuning().Undo();
  ASSERT_TRUE(WaitFor([&] {
    const auto unit = UnitBands(0);
    for (int b = 0; b < 31; ++b) {
      if (unit[b].gain_tenths != bands_before[b].gain_tenths || unit[b].freq != bands_before[b].freq)
        return false;
    }
    return true;
  })) << "one undo takes the whole apply back";

  Click(window, "tune_close");
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(UnitMutes(), mutes_before);
}

// The pictures of docs/screenshots, in Chinese and at 150 %: only when asked for.
TEST_F(MeasureTuneWindow, ScreenshotsInChineseAndAtOneAndAHalf) {
  if (qEnvironmentVariable("TOLVA_SCREENSHOT_DIR").isEmpty()) GTEST_SKIP();
  struct Shot {
    const char* language;
    int scale;
    const char* measured;
    const char* preview;
  };
  for (const Shot& s : {Shot{"cn", 100, "measurement_cn.png", "fit_preview_cn.png"},
                        Shot{"en", 150, "measurement_en_150.png", "fit_preview_en_150.png"},
                        Shot{"cn", 150, "measurement_cn_150.png", "fit_preview_cn_150.png"}}) {
    LanguageFile texts(s.language);
    Main().SetDisplayScale(s.scale);
    Main().RetranslateAll();
    shot_measured_ = s.measured;
    shot_preview_ = s.preview;
    auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
    const auto opened = Open(car);
    CMeasureTuneWnd& window = *opened;
    MeasureTwoAndPreview(window);
    Click(window, "tune_close");
  }
  Main().SetDisplayScale(100);
}


// A position where the microphone sat behind a headrest hears a dip no other position does, and
// the next one clips. Each is dropped from the row's menu: the row is judged again, and the
// overlay and a preview computed afterwards are the good position's alone.
TEST_F(MeasureTuneWindow, DroppingBadPositionsLeavesTheGoodOneAlone) {
  LanguageFile texts("en");
  Main().RetranslateAll();
  auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
  auto* graph = Main().findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  const auto opened = Open(car);
  CMeasureTuneWnd& window = *opened;
  Prepare(window, 1);
  auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
  auto* drop = outputs->cellWidget(0, kDropColumn)->findChild<QAbstractButton*>();
  EXPECT_FALSE(drop->isEnabled()) << "nothing measured to drop";
  MeasureAndWait(window, "tune_measure");
  const std::vector<double> good = OverlayOf(*graph, 0);
  Preview(window);
  const QStringList good_preview = PreviewRow(window);

  // The dip is the unit's to play, unknown to the window: as if the cabin made it.
  const tolva::emulator::OutputState played = unit_->Snapshot().scenes[0].outputs[0];
  car->on_play = [this] {
    unit_->WithUnit([](tolva::emulator::EmulatedUnit& u) {
      tolva::emulator::OutputState& o = u.state().scenes[0].outputs[0];
      o.bypass = 0;
      o.bands[10] = {2000, 140, 30};  // -15 dB
      return 0;
    });
  };
  Click(window, "tune_add_position");
  EXPECT_FALSE(drop->isEnabled()) << "nothing is dropped while a run goes on";
  ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }, 120000));
  car->on_play = nullptr;
  unit_->WithUnit([played](tolva::emulator::EmulatedUnit& u) {
    u.state().scenes[0].outputs[0] = played;
    return 0;
  });
  EXPECT_EQ(outputs->item(0, 1)->text(), QStringLiteral("2"));
  EXPECT_GT(LargestDifference(OverlayOf(*graph, 0), good), 1.0) << "the dip is in the average";
  car->clip_next = true;
  MeasureAndWait(window, "tune_add_position");
  EXPECT_EQ(outputs->item(0, 1)->text(), QStringLiteral("2"));
  EXPECT_TRUE(outputs->item(0, kVerdictColumn)->text().startsWith(QStringLiteral("\u26a0")));

  // Every run is listed with its quality; the clipped one is the third.
  DropRun(window, 0, 2, 3);
  EXPECT_EQ(outputs->item(0, 1)->text(), QStringLiteral("2"));
  EXPECT_EQ(outputs->item(0, kClippingColumn)->text(), Text("${tunewnd_not_clipped}"));
  EXPECT_EQ(outputs->item(0, kVerdictColumn)->text(), Text("${tunewnd_usable}"));
  DropRun(window, 0, 1, 2);
  EXPECT_EQ(outputs->item(0, 1)->text(), QStringLiteral("1"));
  EXPECT_LT(LargestDifference(OverlayOf(*graph, 0), good), 1e-9);
  // The preview shown held the rejected positions: it is gone, not applied.
  EXPECT_EQ(window.findChild<QTableWidget*>(QStringLiteral("tune_preview_table"))->rowCount(), 0);
  EXPECT_FALSE(window.findChild<QWidget*>(QStringLiteral("tune_apply"))->isEnabled());
  Preview(window);
  EXPECT_EQ(PreviewRow(window), good_preview);
  Click(window, "tune_close");
}

// A preview stands only for the measurements it was computed from: a new position or the
// crossover pairs measured take it away, so that Apply cannot send it. One pair's run is dropped
// alone from the row's menu: the output's own positions and the other pair stay.
TEST_F(MeasureTuneWindow, NewMeasurementsTakeThePreviewAwayAndOnePairIsDroppedAlone) {
  LanguageFile texts("en");
  Main().RetranslateAll();
  // A high-pass at 60 Hz on output 1 meets the subwoofers' 50 Hz low-pass on outputs 5 and 6.
  Manager().Editing().SetFilterCode(0, true, true, 2);
  Manager().Editing().SetCorner(0, true, 60);
  ASSERT_TRUE(WaitFor([&] {
    const auto hp = unit_->Snapshot().scenes[0].outputs[0].hp;
    return hp.freq == 60 && hp.slope != 0;
  }));
  auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
  const auto opened = Open(car);
  CMeasureTuneWnd& window = *opened;
  Prepare(window, 1);
  ASSERT_EQ(window.Session().Pairs().size(), 2u);
  auto* apply = window.findChild<QWidget*>(QStringLiteral("tune_apply"));
  auto* preview = window.findChild<QTableWidget*>(QStringLiteral("tune_preview_table"));
  auto* notes = window.findChild<QLabel*>(QStringLiteral("tune_preview_notes"));
  auto* pairs = window.findChild<QLabel*>(QStringLiteral("tune_pairs_text"));
  const auto pair_lines = [](const char* key5, const char* key6) {
    const auto line = [](const char* key, std::string sub) {
      return QString::fromStdString(
          tolva::model::FillPlaceholders(tolva::Languages().Resolve(key), {sub, "1", "55"}));
    };
    return line(key5, "5") + "\n" + line(key6, "6");
  };
  const auto taken_away = [&] {
    EXPECT_EQ(preview->rowCount(), 0);
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_EQ(notes->text(), Text("${tunewnd_preview_outdated}"));
  };
  MeasureAndWait(window, "tune_measure");
  Preview(window);
  EXPECT_TRUE(apply->isEnabled());
  MeasureAndWait(window, "tune_add_position");
  taken_away();
  Preview(window);
  MeasureAndWait(window, "tune_measure_pairs");
  EXPECT_EQ(pairs->text(), pair_lines("${tunewnd_pair_measured}", "${tunewnd_pair_measured}"));
  taken_away();
  Preview(window);

  // Output 1's menu: its two positions, then the pairs.
  DropRun(window, 0, 3, 5);
  auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
  EXPECT_EQ(outputs->item(0, 1)->text(), QStringLiteral("2"));
  EXPECT_EQ(pairs->text(), pair_lines("${tunewnd_pair_pending}", "${tunewnd_pair_measured}"));
  EXPECT_EQ(Tips(window).toStdString(),
            tolva::model::FillPlaceholders(tolva::Languages().Resolve("${tunewnd_pair_dropped}"),
                                           {"5", "1"}));
  taken_away();
  EXPECT_FALSE(outputs->cellWidget(4, kDropColumn)->findChild<QAbstractButton*>()->isEnabled())
      << "output 5 has nothing left to drop";
  EXPECT_TRUE(outputs->cellWidget(5, kDropColumn)->findChild<QAbstractButton*>()->isEnabled());
  Click(window, "tune_close");
}

// The unit leaves while a sweep plays: the window says so and waits for the run to stop, then
// closes, and the main window's one notice of the unit leaving tells why, and that the
// measurements went with it. The live settings hold every mute as it was; the unit, which kept
// the run's, gets them on its return.
TEST_F(MeasureTuneWindow, TheUnitLeavingMidRunClosesTheWindowWithEveryMuteBack) {
  LanguageFile texts("en");
  Main().RetranslateAll();
  Manager().Editing().SetMute(4, true);  // the installer's own
  ASSERT_TRUE(WaitFor([&] { return UnitMutes()[4] == 1; }));
  const std::array<std::uint8_t, 6> before = UnitMutes();
  const std::array<int, 6> live_before = LiveMutes();
  auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
  std::atomic<bool> playing{false}, unplugged{false};
  car->on_play = [&] {
    playing = true;
    for (int guard = 0; guard < 30000 && !unplugged; ++guard) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  const auto opened = Open(car);
  CMeasureTuneWnd& window = *opened;
  Prepare(window, 2);
  Click(window, "tune_measure");
  ASSERT_TRUE(WaitFor([&] { return playing.load(); }));
  ASSERT_EQ(UnitMutes(), (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1}));

  Manager().DevicePlugOut();
  EXPECT_EQ(LiveMutes(), live_before);
  ASSERT_TRUE(WaitFor([&] { return Tips(window) == Text("${tunewnd_unit_left_stopping}"); }));
  EXPECT_TRUE(window.isVisible()) << "it closes once the run has stopped";
  unplugged = true;
  ASSERT_TRUE(WaitFor([&] { return !window.isVisible(); }, 60000));
  EXPECT_EQ(car->MutesAtPlay().size(), 1u) << "output 2 is not measured without the unit";
  // One notice, the main window's own, says the unit left and what became of the measuring.
  tolva::testing::TipsBoxAnswerer notices;
  ASSERT_TRUE(WaitFor([&] { return !notices.texts.empty(); }));
  QTest::qWait(100);
  ASSERT_EQ(notices.texts.size(), 1u);
  EXPECT_EQ(notices.texts[0],
            Text("${device_plugout}") + "\n\n" + Text("${tunewnd_unit_left_mid_run}"));
  EXPECT_EQ(LiveMutes(), live_before);
  EXPECT_EQ(UnitMutes(), (std::array<std::uint8_t, 6>{0, 1, 1, 1, 1, 1})) << "gone, not told";

  // The edits kept while it was away: sent.
  bool sent = false;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* kept = qobject_cast<tolva::ui::CDifferencesWnd*>(w); kept && kept->isVisible()) {
        sent = true;
        QTest::mouseClick(kept->findChild<QWidget*>(QStringLiteral("confirm_btn")), Qt::LeftButton);
      }
    }
  });
  answer.start(20);
  Manager().DevicePlugin();
  ASSERT_TRUE(WaitFor([&] {
    return Manager().State() == ConnectState::kConnected && UnitMutes() == before;
  }));
  EXPECT_TRUE(sent);
  EXPECT_EQ(LiveMutes(), live_before);
}

}  // namespace
