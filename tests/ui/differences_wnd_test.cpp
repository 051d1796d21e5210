// "Compare with file…": at every display scale and in both languages each value of the
// differences table is readable in full, the window widening for its columns up to most of the
// screen.
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/language_tables.h"

#include "model/files/difference_text.h"
#include "test_languages.h"
#include "ui/windows/differences_wnd.h"
#include "ui/main/main_wnd.h"

namespace {

using tolva::ui::CDifferencesWnd;

TEST(DifferencesWindow, EveryCellIsReadableAtEachScaleInBothLanguages) {
  auto live = std::make_unique<tolva::model::Profile>();
  auto file = std::make_unique<tolva::model::Profile>(*live);
  file->mainVolume = -12;
  file->outputs[3] = 5;  // the longest values: two role names
  file->channels[1].crossover.hp = tolva::model::FilterSettings::Make(2500, 2, 2);
  file->channels[0].eqArray[12].eqGain = -4.5f;
  file->channels[2].phase = 1;
  for (const char* language : {"en", "cn"}) {
    LanguageFile texts(language);
    const auto rows = tolva::model::DescribeDifferences(*live, *file);
    ASSERT_GE(rows.size(), 5u);
    // A polarity reads as its button does, not as the unit's 0 or 1.
    const auto resolved = [](const char* key) { return tolva::Languages().Resolve(key); };
    const auto phase = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
      return row.field == resolved("${diff_phase}");
    });
    ASSERT_NE(phase, rows.end()) << language;
    EXPECT_EQ(phase->live, resolved("${positive_phase}")) << language;
    EXPECT_EQ(phase->file, resolved("${reverse phase}")) << language;
    for (int scale : {100, 150, 200}) {
      CMainWnd owner;
      owner.SetDisplayScale(scale);
      CDifferencesWnd window(&owner, "tuned.spf", rows);
      window.Prepare();
      window.show();
      QApplication::processEvents();
      auto* table = window.findChild<QTableWidget*>(QStringLiteral("differences"));
      ASSERT_NE(table, nullptr);
      const QFontMetrics metrics(table->font());
      int columns = 0;
      for (int c = 0; c < table->columnCount(); ++c) {
        columns += table->columnWidth(c);
        for (int r = 0; r < table->rowCount(); ++r) {
          EXPECT_LE(metrics.horizontalAdvance(table->item(r, c)->text()), table->columnWidth(c))
              << language << " " << scale << " % " << table->item(r, c)->text().toStdString();
        }
      }
      // Cut only where the window has reached most of the screen (the test's screen is
      // small): the table then scrolls.
      if (columns > table->viewport()->width()) {
        const int most = window.screen()->availableGeometry().width() * 9 / 10;
        EXPECT_GE(window.width(), most - 2) << language << " " << scale << " %";
        EXPECT_GT(table->horizontalScrollBar()->maximum(), 0) << language << " " << scale << " %";
      }
      window.hide();
    }
  }
}

}  // namespace
