// Texts never clip and nothing leaves the window, in both languages at every display scale;
// and the window renders to a picture.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_languages.h"
#include "ui/kit/api/control_surface.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/main_wnd.h"
#include "ui/main/screenshot.h"

namespace kit = tolva::kit;

namespace {

using tolva::kit::CSButtonUI;
using tolva::ui::RenderWindowScreenshot;

struct Case {
  const char* language;
  int scale;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.language) + "_" + std::to_string(info.param.scale);
}

// The longest texts the logic writes into the controls.
void FillWorstCase(kit::ControlSurface& s) {
  for (int band = 0; band < 31; ++band) {
    s.FindEdit(QString::asprintf("eq_freq_%d", band).toStdString())->SetText("20000");
    s.FindEdit(QString::asprintf("eq_q_%d", band).toStdString())->SetText("0.50");
    s.FindEdit(QString::asprintf("eq_gain_%d", band).toStdString())->SetText("-18.0");
  }
  for (int ch = 0; ch < 6; ++ch) {
    s.FindEdit(QString::asprintf("edit_ch_volume_%d", ch).toStdString())->SetText("-128dB");
    s.FindEdit(QString::asprintf("edit_ch_delay_%d", ch).toStdString())->SetText("15.000");
    s.FindOption(QString::asprintf("ch_phase_%d", ch).toStdString())
        ->SetText(ch % 2 ? "${reverse phase}" : "${positive_phase}");
  }
  s.FindEdit("edit_main_volume")->SetText("-128dB");
  s.FindEdit("hp_freq")->SetText("20000Hz");
  s.FindEdit("lp_freq")->SetText("20000Hz");
  s.FindButton("btnConnect")->SetText("${btn_connecting}");
  s.FindButton("btn_bypass")->SetText("${restore_eq}");
  s.FindButton("btn_arg_eq")->SetText("${peq_mode}");
}

std::vector<std::string> Clipped(QWidget& window) {
  std::vector<std::string> clipped;
  auto report = [&](QWidget* w, const QString& text) {
    clipped.push_back(w->objectName().toStdString() + " '" + text.toStdString() + "'");
  };
  const QRect bounds = window.rect();
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&window) || w->window() != &window) continue;
    const QRect in_window(w->mapTo(&window, QPoint(0, 0)), w->size());
    if (!bounds.contains(in_window)) report(w, QStringLiteral("outside the window"));
    if (auto* b = qobject_cast<CSButtonUI*>(w)) {
      if (!b->text().isEmpty() && !b->TextFits()) report(w, b->text());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      if (l->text().isEmpty() || l->pixmap().isNull() == false) continue;
      const QFontMetrics fm(l->font());
      const bool fits =
          l->wordWrap() ? l->heightForWidth(l->contentsRect().width()) <= l->contentsRect().height()
                        : fm.horizontalAdvance(l->text()) <= l->contentsRect().width();
      if (!fits) report(w, l->text());
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
      const int room = e->width() - 2 * kit::theme::Scaled(&window, 1) - 2;
      if (QFontMetrics(e->font()).horizontalAdvance(e->text()) > room) report(w, e->text());
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      const int room = c->width() - kit::theme::Scaled(&window, 14 + 8);
      for (int i = 0; i < c->count(); ++i) {
        if (QFontMetrics(c->font()).horizontalAdvance(c->itemText(i)) > room) {
          report(w, c->itemText(i));
        }
      }
    }
  }
  return clipped;
}

class LayoutFit : public ::testing::TestWithParam<Case> {};

TEST_P(LayoutFit, NoTextClipsAndNothingLeavesTheWindow) {
  ScopedLanguage language(GetParam().language);
  ASSERT_GT(language.size(), 100u);
  CMainWnd window;
  window.SetDisplayScale(GetParam().scale);
  window.RetranslateAll();
  FillWorstCase(window.Surface());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (int role = 1; role <= 24; ++role) {
    window.Surface()
        .FindButton(QString::asprintf("speaker_%d", role).toStdString())
        ->SetVisible(true);
  }
  // Every role label on every output button.
  const char* roles[] = {"${front_left_mid_twee}", "${front_right_mid_woof}",
                         "${rear_left_full}",      "${center_full}",
                         "${left_subwoofer_freq}", "${right_subwoofer_freq}"};
  for (int ch = 0; ch < 6; ++ch) {
    window.Surface()
        .FindButton(QString::asprintf("ch_output_btn_%d", ch).toStdString())
        ->SetText(roles[ch]);
  }
  QApplication::processEvents();
  const std::vector<std::string> clipped = Clipped(window);
  EXPECT_TRUE(clipped.empty()) << ::testing::PrintToString(clipped);
}

INSTANTIATE_TEST_SUITE_P(AllScales, LayoutFit,
                         ::testing::Values(Case{"en", 80}, Case{"en", 100}, Case{"en", 150},
                                           Case{"en", 200}, Case{"cn", 80}, Case{"cn", 100},
                                           Case{"cn", 150}, Case{"cn", 200}),
                         CaseName);

TEST(Screenshot, RendersTheWholeWindowAtItsScale) {
  ScopedLanguage language("en");
  CMainWnd window;
  window.SetDisplayScale(150);
  window.RetranslateAll();
  const QString dir = QDir::temp().filePath(QStringLiteral("tolva_ui_shot"));
  QDir().mkpath(dir);
  const QString path = dir + QStringLiteral("/main.png");
  ASSERT_TRUE(RenderWindowScreenshot(window, path));
  const QImage image(path);
  EXPECT_EQ(image.size(), QSize(1845, 975));
  EXPECT_FALSE(window.isVisible()) << "a window never shown stays hidden";
  // The theme's background and the accent of the brand are both in the picture.
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 2).rgb() & 0xffffff,
            kit::theme::Background().rgb() & 0xffffff);
  EXPECT_FALSE(RenderWindowScreenshot(window, QStringLiteral("/no/such/dir/x.png")));
}

}  // namespace

namespace {

// Writes the pictures of docs/screenshots when TOLVA_SCREENSHOT_DIR names a folder.
TEST(Screenshot, BothLanguagesForTheDocs) {
  const QString dir = qEnvironmentVariable("TOLVA_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "TOLVA_SCREENSHOT_DIR not set";
  for (const char* language : {"en", "cn"}) {
    ScopedLanguage table(language);
    CMainWnd window;
    window.RetranslateAll();
    window.Surface().FindButton("speaker_6")->SetVisible(true);
    window.Surface().FindButton("speaker_12")->SetVisible(true);
    window.Surface().FindButton("speaker_6")->SetSelected(true);
    window.Surface().FindButton("ch_output_btn_0")->SetText("${front_left_full}");
    window.Surface().FindButton("ch_output_btn_1")->SetText("${front_right_full}");
    window.Surface().FindOption("ch_enable_0")->SetSelected(true);
    EXPECT_TRUE(RenderWindowScreenshot(window, dir + QStringLiteral("/main_%1.png").arg(language)));
  }
}

}  // namespace
