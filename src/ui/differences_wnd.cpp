#include "ui/differences_wnd.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "model/scene_names.h"
#include "ui/kit/qt_text.h"
#include "ui/kit/sbutton.h"

using tolva::kit::Resolve;

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

CDifferencesWnd::CDifferencesWnd(QWidget* owner, const std::string& file_name,
                                 const std::vector<tolva::model::DifferenceRow>& rows)
    : CDialogWnd(owner, "differences_wnd", "DifferencesWnd") {
  // Composed once, when the window opens: the rows are in the language of that moment.
  const std::string title = Resolve(QStringLiteral("${compare_file_title}")).toStdString();
  SetTitle(Q(tolva::model::FillPlaceholders(title, {file_name})));
  auto* table = new QTableWidget(static_cast<int>(rows.size()), 4, this);
  table->setObjectName(QStringLiteral("differences"));
  table->setHorizontalHeaderLabels({Resolve(QStringLiteral("${diff_col_output}")),
                                    Resolve(QStringLiteral("${diff_col_field}")),
                                    Resolve(QStringLiteral("${diff_col_live}")),
                                    Resolve(QStringLiteral("${diff_col_file}"))});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const tolva::model::DifferenceRow& row = rows[static_cast<std::size_t>(r)];
    int column = 0;
    for (const std::string* text : {&row.output, &row.field, &row.live, &row.file}) {
      table->setItem(r, column++, new QTableWidgetItem(Q(*text)));
    }
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setMinimumSize(620, 320);
  Content()->addWidget(table);
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QString())->hide();
  AddButton("third_btn", QString())->hide();
  FinishLayout();
}

int ShowDifferencesWindow(QWidget* owner, const std::string& file_name,
                          const std::vector<tolva::model::DifferenceRow>& rows) {
  CDifferencesWnd window(owner, file_name, rows);
  return window.Run();
}
