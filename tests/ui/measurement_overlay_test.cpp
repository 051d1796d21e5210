// "Overlay measurement…" on the real main window against the in-process unit: a measurement file
// chosen in the file dialog lies over the current output's curve with the predicted result, the
// prediction follows a band edit, each output keeps its own, and a broken file is named, not drawn.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

#include "base/language_switch.h"
#include "support/main_window_on_unit.h"
#include "support/qt_wait.h"
#include "support/scratch_folder.h"
#include "support/tips_box_answerer.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/controls.h"
#include "ui/kit/qt/qt_popup_menu.h"

namespace {

using tolva::curves::UIEqualizer;
using tolva::testing::WaitFor;

class MeasurementOverlay : public tolva::testing::MainWindowOnUnit {
 protected:
  MeasurementOverlay() : MainWindowOnUnit({.show = true}) {}
  void SetUp() override {
    MainWindowOnUnit::SetUp();
    if (HasFatalFailure()) return;
    graph_ = Main().findChild<UIEqualizer*>(QStringLiteral("equalizer"));
    ASSERT_NE(graph_, nullptr);
    QObject::connect(&file_answerer_, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
          d->selectFile(file_);
          static_cast<QDialog*>(d)->accept();  // as its Open button does
          ++answered_;
        }
      }
    });
    file_answerer_.start(20);
  }

  // Clicks an Options menu entry; false when it is disabled. A file dialog it opens is answered
  // with the file given.
  bool ChooseFromOptions(const char* item, const std::string& file = {}) {
    file_ = QString::fromStdString(file);
    Click("btn_option");
    tolva::kit::QtPopupMenu* menu = Main().CurrentMenu();
    if (menu == nullptr || menu->FindItem(item) == nullptr) return false;
    const bool triggered = menu->Trigger(item);
    if (menu->IsOpen()) menu->Close();
    return triggered;
  }
  // Waits for the menu's click to be handled (it is posted) and its file dialog answered.
  bool Answered(int dialogs) {
    return WaitFor([&] { return answered_ == dialogs; });
  }
  static int Drawn(std::span<const double> curve) {
    return static_cast<int>(
        std::count_if(curve.begin(), curve.end(), [](double v) { return std::isfinite(v); }));
  }

  tolva::testing::ScratchFolder folder_{"tolva_overlay"};
  UIEqualizer* graph_ = nullptr;
  QTimer file_answerer_;
  QString file_;
  int answered_ = 0;
};

// 20 Hz … 20 kHz at 85 dB SPL with a 6 dB bump around 1 kHz; the graph shows it near 0 dB.
std::string MeasurementText() {
  std::string text = "* Measurement data measured by REW V5.20\r\n* Freq(Hz) SPL(dB) Phase\r\n";
  for (double f = 20.0; f <= 20000.0; f *= 1.05) {
    const double bump = 6.0 * std::exp(-std::pow(std::log2(f / 1000.0) * 2.0, 2.0));
    text += std::to_string(f) + "\t" + std::to_string(85.0 + bump) + "\t-12.5\r\n";
  }
  return text;
}

TEST_F(MeasurementOverlay, FollowsItsOutputAndTheTuningUntilCleared) {
  Manager().Editing().SelectOutput(2);
  EXPECT_FALSE(ChooseFromOptions("option_item_clear_overlay")) << "nothing to clear yet";
  ASSERT_TRUE(ChooseFromOptions("option_item_overlay_measurement",
                                folder_.Write("front.txt", MeasurementText())));
  ASSERT_TRUE(Answered(1));
  ASSERT_TRUE(WaitFor([&] { return graph_->Overlay().Has(2); }));
  const std::span<const double> measured = graph_->Overlay().Measured(2);
  EXPECT_GT(Drawn(measured), 300);
  // Normalised: the SPL level is gone, the bump is kept.
  double peak = -100.0;
  for (double v : measured) {
    if (std::isfinite(v)) peak = std::max(peak, v);
  }
  EXPECT_GT(peak, 3.0);
  EXPECT_LT(peak, 8.0);

  const std::vector<double> before(graph_->PredictedCurve().begin(),
                                   graph_->PredictedCurve().end());
  ASSERT_EQ(Drawn(before), Drawn(measured));
  auto* gain = Main().findChild<QLineEdit*>(QStringLiteral("eq_gain_15"));
  gain->setFocus();
  gain->setText(QStringLiteral("-9"));
  QTest::keyClick(gain, Qt::Key_Return);
  QApplication::processEvents();
  const std::span<const double> after = graph_->PredictedCurve();
  ASSERT_EQ(after.size(), before.size());
  double largest_change = 0.0;
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (std::isfinite(before[i])) largest_change = std::max(largest_change, before[i] - after[i]);
  }
  EXPECT_NEAR(largest_change, 9.0, 0.5);

  // Another output has none; coming back shows this one's again.
  Manager().Editing().SelectOutput(3);
  EXPECT_TRUE(graph_->PredictedCurve().empty());
  EXPECT_FALSE(ChooseFromOptions("option_item_clear_overlay"));
  Manager().Editing().SelectOutput(2);
  EXPECT_EQ(Drawn(graph_->PredictedCurve()), Drawn(measured));

  EXPECT_TRUE(ChooseFromOptions("option_item_clear_overlay"));
  EXPECT_TRUE(WaitFor([&] { return !graph_->Overlay().Has(2); }));
  EXPECT_TRUE(graph_->PredictedCurve().empty());
}

TEST_F(MeasurementOverlay, ABrokenFileIsNamedByLineAndDrawsNothing) {
  tolva::testing::TipsBoxAnswerer answerer;
  ASSERT_TRUE(ChooseFromOptions("option_item_overlay_measurement",
                                folder_.Write("broken.txt", "* REW\n20 80\n40 81\n30 82\n")));
  ASSERT_TRUE(Answered(1));
  ASSERT_TRUE(WaitFor([&] { return !answerer.texts.empty(); }));
  EXPECT_TRUE(answerer.texts.front().contains(QStringLiteral("line 4")))
      << answerer.texts.front().toStdString();
  EXPECT_FALSE(graph_->Overlay().Has(Manager().CurrentChannel()));
}

// Another locale's export, refused in the user's language with the line and value filled in.
TEST_F(MeasurementOverlay, ADecimalCommaIsRefusedInTheUsersLanguage) {
  tolva::LoadLanguageTables(tolva::Languages(), TOLVA_SOURCE_DIR "/resources/lan/", "");
  tolva::testing::TipsBoxAnswerer answerer;
  const std::string file = folder_.Write("komma.txt", "* REW\n20\t80\n40\t80,5\n");
  int boxes = 0;
  for (const char* language : {tolva::LanguageTables::kChinese, tolva::LanguageTables::kEnglish}) {
    tolva::Languages().Select(language);
    ASSERT_TRUE(ChooseFromOptions("option_item_overlay_measurement", file));
    ++boxes;
    ASSERT_TRUE(Answered(boxes));
    ASSERT_TRUE(WaitFor([&] { return answerer.texts.size() == static_cast<std::size_t>(boxes); }));
  }
  tolva::Languages().Clear();
  EXPECT_TRUE(answerer.texts[0].endsWith(
      QStringLiteral("第 3 行：“80,5”使用了小数逗号，只能读取小数点（应写作 80.5）")))
      << answerer.texts[0].toStdString();
  EXPECT_TRUE(answerer.texts[1].endsWith(QStringLiteral(
      "line 3: \"80,5\" is written with a decimal comma; only decimal points are read (write "
      "80.5)")))
      << answerer.texts[1].toStdString();
  EXPECT_FALSE(graph_->Overlay().Has(Manager().CurrentChannel()));
}

}  // namespace
