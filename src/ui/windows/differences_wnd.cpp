#include "ui/windows/differences_wnd.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "model/profile/scene_names.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"

namespace tolva::ui {

using tolva::kit::Resolve;
namespace theme = tolva::kit::theme;

namespace {

// At 100 %: the narrowest window and the table's height.
constexpr int kNarrowest = 380;
constexpr int kTableHeight = 320;
constexpr int kSlack = 8;

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
  AddTable(rows, "${diff_col_live}", "${diff_col_file}");
  AddButton("confirm_btn", QStringLiteral("${confirm}"));
  AddButton("cancel_btn", QString())->hide();
  AddButton("third_btn", QString())->hide();
  FinishLayout();
}

CDifferencesWnd::CDifferencesWnd(QWidget* owner,
                                 const std::vector<tolva::model::DifferenceRow>& rows)
    : CDialogWnd(owner, "differences_wnd", "DifferencesWnd"), must_choose_(true) {
  SetTitle(QStringLiteral("${kept_edits_title}"));
  SetHint(QStringLiteral("${kept_edits_tips}"));
  AddTable(rows, "${diff_col_unit}", "${diff_col_window}");
  AddButton("confirm_btn", QStringLiteral("${kept_edits_send}"));
  AddButton("cancel_btn", QString())->hide();
  AddButton("third_btn", QStringLiteral("${kept_edits_take}"));
  if (auto* close = findChild<QWidget*>(QStringLiteral("closebtn"))) close->hide();
  FinishLayout();
}

void CDifferencesWnd::reject() {
  if (!must_choose_) CDialogWnd::reject();
}

void CDifferencesWnd::AddTable(const std::vector<tolva::model::DifferenceRow>& rows,
                               const char* first_values, const char* second_values) {
  QWidget* owner = parentWidget();
  auto* table = new QTableWidget(static_cast<int>(rows.size()), 4, this);
  table->setObjectName(QStringLiteral("differences"));
  table->setHorizontalHeaderLabels({Resolve(QStringLiteral("${diff_col_output}")),
                                    Resolve(QStringLiteral("${diff_col_field}")),
                                    Resolve(QString::fromLatin1(first_values)),
                                    Resolve(QString::fromLatin1(second_values))});
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const tolva::model::DifferenceRow& row = rows[static_cast<std::size_t>(r)];
    int column = 0;
    for (const std::string* text : {&row.output, &row.field, &row.live, &row.file}) {
      table->setItem(r, column++, new QTableWidgetItem(Q(*text)));
    }
  }
  table->setWordWrap(false);
  table->setMinimumHeight(theme::Scaled(owner, kTableHeight));
  Content()->addWidget(table);
}

void CDifferencesWnd::showEvent(QShowEvent* event) {
  CDialogWnd::showEvent(event);
  // Measured once shown, in the font the theme gives it at the owner's scale, so that no column
  // is cut: the window grows to hold them all, up to most of the screen (the table scrolls
  // beyond that).
  auto* table = findChild<QTableWidget*>(QStringLiteral("differences"));
  table->resizeColumnsToContents();
  int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width() +
              theme::Scaled(this, kSlack);
  for (int c = 0; c < table->columnCount(); ++c) width += table->columnWidth(c);
  for (const QLayout* l = Content(); l != nullptr; l = qobject_cast<const QLayout*>(l->parent())) {
    width += l->contentsMargins().left() + l->contentsMargins().right();
  }
  const int scale = theme::ScaleOf(this);
  int base = width * 100 / scale;
  if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen()) {
    base = std::min(base, screen->availableGeometry().width() * 9 / 10 * 100 / scale);
  }
  theme::FixSize(this, std::max(base, kNarrowest), -1);
  Prepare();  // centred again at the new width
}

int ShowDifferencesWindow(QWidget* owner, const std::string& file_name,
                          const std::vector<tolva::model::DifferenceRow>& rows) {
  CDifferencesWnd window(owner, file_name, rows);
  return window.Run();
}

int ShowKeptEditsWindow(QWidget* owner, const std::vector<tolva::model::DifferenceRow>& rows) {
  CDifferencesWnd window(owner, rows);
  return window.Run();
}

}  // namespace tolva::ui
