// The measurement window against the emulated unit and a car that plays the unit's unmuted
// outputs: two outputs measured at the seat, a preview, Apply, and the unit holding the tune
// until one undo takes it back; every output's mute as it was once the window has closed.
#include "ui/windows/measure_tune_wnd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "base/language_tables.h"
#include "emulator/emulated_device.h"
#include "emulator/emulator_transport.h"
#include "model/manager/equalizer_manager.h"
#include "model/profile/scene_names.h"
#include "support/qt_wait.h"
#include "support/car_following_unit.h"
#include "test_languages.h"
#include "ui/controls/fit_preview_graph.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/main/main_wnd.h"
#include "ui/main/screenshot.h"
#include "ui/screen/manager_binding.h"
#include "ui/screen/tuning_actions.h"

namespace {

using tolva::curves::UIEqualizer;
using tolva::ui::RenderWindowScreenshot;
using tolva::model::ConnectState;
using tolva::testing::WaitFor;

// Two outputs at their own distances and levels at the seat; the cabin gives the fit work.
std::array<tolva::model::testing::SpeakerAtSeat, 6> Speakers() {
  std::array<tolva::model::testing::SpeakerAtSeat, 6> s{};
  s[0] = {3.4, 0.0};
  s[1] = {2.6, -2.0};
  return s;
}

class MeasureTuneWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    binding_ = std::make_unique<tolva::ui::ManagerBinding>(
        main_, tolva::emulator::MakeEmulatorTransportFactory(unit_));
    binding_->Start();
    ASSERT_TRUE(WaitFor([&] { return Manager().State() == ConnectState::kConnected; }));
  }
  void TearDown() override { binding_.reset(); }

  tolva::model::EqualizerManager& Manager() { return binding_->Manager(); }
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
  std::array<tolva::emulator::BandState, 31> UnitBands(int output) {
    return unit_->Snapshot().scenes[0].outputs[output].bands;
  }
  void Shot(QWidget& w, const char* name) {
    const QString dir = qEnvironmentVariable("TOLVA_SCREENSHOT_DIR");
    if (!dir.isEmpty()) EXPECT_TRUE(RenderWindowScreenshot(w, QDir(dir).filePath(name)));
  }

  // Measures outputs 0 and 1 and previews; returns once the preview is shown.
  void MeasureTwoAndPreview(CMeasureTuneWnd& window) {
    // Input 1 plays the sweep; output 1 takes only input 2 until it is routed.
    Manager().Editing().SetRouting(1, 1, true);
    ASSERT_TRUE(WaitFor([&] { return (unit_->Snapshot().scenes[0].mix[0][1] & 1) != 0; }));
    auto* play = window.findChild<QComboBox*>(QStringLiteral("tune_play_device"));
    ASSERT_TRUE(WaitFor([&] { return play->count() > 0 && !window.Session().Busy(); }));
    // The car's capture channel 2 is a loopback: the delays have a clock.
    auto* reference = window.findChild<QComboBox*>(QStringLiteral("tune_reference"));
    reference->setCurrentIndex(1);
    emit reference->activated(1);
    auto* outputs = window.findChild<QTableWidget*>(QStringLiteral("tune_outputs"));
    for (int row = 0; row < outputs->rowCount(); ++row) {
      outputs->item(row, 0)->setCheckState(row < 2 ? Qt::Checked : Qt::Unchecked);
    }
    Click(window, "tune_measure");
    EXPECT_TRUE(window.Session().Busy());
    ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }, 120000));
    for (int row : {0, 1}) {
      EXPECT_EQ(outputs->item(row, 1)->text(), QStringLiteral("1")) << row;
      EXPECT_EQ(outputs->item(row, 5)->text(),
                tolva::kit::Resolve(QStringLiteral("${tunewnd_usable}")))
          << row;
    }
    EXPECT_EQ(outputs->item(2, 1)->text(), QStringLiteral("0"));
    // Each arrived on the main graph's overlay; the last one measured is the one it shows.
    auto* graph = main_.findChild<UIEqualizer*>(QStringLiteral("equalizer"));
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

  std::shared_ptr<tolva::emulator::EmulatedDevice> unit_ =
      std::make_shared<tolva::emulator::EmulatedDevice>();
  CMainWnd main_;
  std::unique_ptr<tolva::ui::ManagerBinding> binding_;
  const char* shot_measured_ = "measurement_en.png";
  const char* shot_preview_ = "fit_preview_en.png";
};

TEST_F(MeasureTuneWindow, TwoOutputsMeasuredPreviewedAppliedAndTakenBackByOneUndo) {
  LanguageFile texts("en");
  main_.RetranslateAll();
  // Output 1 plays a band while it is measured: the overlay must not count it twice.
  Manager().Editing().SetBand(1, 4, {1000, 2.0f, 4.0f});
  ASSERT_TRUE(WaitFor([&] { return UnitBands(1)[4].gain_tenths == 220; }));
  const auto mutes_before = UnitMutes();
  const auto bands_before = UnitBands(0);
  auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
  auto* graph = main_.findChild<UIEqualizer*>(QStringLiteral("equalizer"));
  CMeasureTuneWnd window(&main_, Manager(), tolva::ui::tune::MakeSessionBackend(Manager(), car),
                         graph);
  window.setAttribute(Qt::WA_DontShowOnScreen, true);
  window.show();
  // A chirp through output 6, which by the unit's default routing also takes input 1 of the
  // sweep: the run is refused in words that name both, before anything is muted.
  auto* reference = window.findChild<QComboBox*>(QStringLiteral("tune_reference"));
  ASSERT_TRUE(WaitFor([&] { return !window.Session().Busy(); }));
  reference->setCurrentIndex(2 + 5);
  emit reference->activated(2 + 5);
  Click(window, "tune_measure");
  EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("tune_tips"))->text().toStdString(),
            tolva::model::FillPlaceholders(
                tolva::Languages().Resolve("${tune_reference_hears_sweep}"), {"6", "1"}));
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
    main_.SetDisplayScale(s.scale);
    main_.RetranslateAll();
    shot_measured_ = s.measured;
    shot_preview_ = s.preview;
    auto car = std::make_shared<tolva::model::testing::CarFollowingUnit>(unit_, Speakers());
    CMeasureTuneWnd window(&main_, Manager(), tolva::ui::tune::MakeSessionBackend(Manager(), car),
                           main_.findChild<UIEqualizer*>(QStringLiteral("equalizer")));
    window.setAttribute(Qt::WA_DontShowOnScreen, true);
    window.show();
    MeasureTwoAndPreview(window);
    Click(window, "tune_close");
  }
  main_.SetDisplayScale(100);
}

}  // namespace
