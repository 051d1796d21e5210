// The measurement window's widgets: setup and meter, the outputs and their quality, the target,
// the preview. Behaviour is in measure_tune_wnd.cpp.
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "model/manager/equalizer_manager.h"
#include "ui/controls/fit_preview_graph.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"
#include "ui/windows/measure_tune_level_bar.h"
#include "ui/windows/measure_tune_wnd.h"

namespace theme = tolva::kit::theme;
using tolva::kit::CSButtonUI;
using tolva::ui::MakeButton;
using tolva::ui::MakeCombo;
using tolva::ui::MakeEdit;
using tolva::ui::MakeLabel;
using tolva::ui::MakeOption;

namespace {

QFrame* Panel(QWidget* parent, const char* raw_title, QVBoxLayout** inner) {
  auto* panel = new QFrame(parent);
  panel->setProperty("panel", true);
  auto* column = new QVBoxLayout(panel);
  theme::SetLayoutMetrics(column, 8, 6);
  column->addWidget(MakeLabel(panel, QString(), QString::fromLatin1(raw_title), "header"));
  *inner = column;
  return panel;
}

QTableWidget* MakeTable(QWidget* parent, const char* name, const std::vector<const char*>& heads) {
  auto* table = new QTableWidget(0, static_cast<int>(heads.size()), parent);
  table->setObjectName(QString::fromLatin1(name));
  QStringList labels;
  for (const char* raw : heads) labels << tolva::kit::Resolve(QString::fromLatin1(raw));
  table->setHorizontalHeaderLabels(labels);
  // The raw texts, so that a language switch can name the columns again.
  QStringList raws;
  for (const char* raw : heads) raws << QString::fromLatin1(raw);
  table->setProperty("rawHeaders", raws);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->verticalHeader()->hide();
  table->setWordWrap(false);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The window sizes every column to its widest text and header (FitTables); the last takes
  // what is left.
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

QLineEdit* NumberBox(QWidget* parent, const char* name) {
  QLineEdit* box = MakeEdit(parent, QString::fromLatin1(name), QString(), 58, 24);
  return box;
}

}  // namespace

void CMeasureTuneWnd::BuildLayout() {
  SetTitle(QStringLiteral("${tunewnd_title}"));
  QFrame* band = tolva::ui::MakeStatusBand(this, QStringLiteral("tune_tips"),
                                           QStringLiteral("${tunewnd_ready}"));
  band->setObjectName(QStringLiteral("tune_status_band"));
  Content()->addWidget(band);

  // Two pages in the order an installer works: measure every output, then choose a target and
  // look at what would be sent.
  auto* pages = new QTabWidget(this);
  pages->setObjectName(QStringLiteral("tune_pages"));
  pages->setDocumentMode(true);
  auto* measure = new QWidget(pages);
  auto* measure_row = new QHBoxLayout(measure);
  theme::SetLayoutMetrics(measure_row, 8, 10);
  measure_row->addWidget(BuildSetup(), 0, Qt::AlignTop);
  measure_row->addWidget(BuildOutputs(), 1);
  pages->addTab(measure, tolva::kit::Resolve(QStringLiteral("${tunewnd_page_measure}")));
  auto* tune = new QWidget(pages);
  auto* tune_column = new QVBoxLayout(tune);
  theme::SetLayoutMetrics(tune_column, 8, 8);
  tune_column->addWidget(BuildTarget());
  tune_column->addWidget(BuildPreview(), 1);
  pages->addTab(tune, tolva::kit::Resolve(QStringLiteral("${tunewnd_page_tune}")));
  Content()->addWidget(pages, 1);

  AddButton("tune_apply", QStringLiteral("${tunewnd_apply}"));
  CSButtonUI* ab = AddButton("tune_ab", QStringLiteral("${tunewnd_ab}"));
  ab->setCheckable(true);
  AddButton("tune_close", QStringLiteral("${tunewnd_close}"));
}

QWidget* CMeasureTuneWnd::BuildSetup() {
  QVBoxLayout* column = nullptr;
  QFrame* panel = Panel(this, "${tunewnd_setup}", &column);
  auto* grid = new QGridLayout();
  theme::SetLayoutMetrics(grid, 0, 6);
  int row = 0;
  const auto add_row = [&](const char* raw, QWidget* field, QWidget* extra = nullptr) {
    grid->addWidget(MakeLabel(panel, QString(), QString::fromLatin1(raw)), row, 0,
                    Qt::AlignLeft | Qt::AlignVCenter);
    if (extra == nullptr) {
      grid->addWidget(field, row, 1, 1, 2);
    } else {
      grid->addWidget(field, row, 1);
      grid->addWidget(extra, row, 2);
    }
    ++row;
  };
  QComboBox* play = MakeCombo(panel, QStringLiteral("tune_play_device"), 240, 24);
  play->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  play->setMinimumContentsLength(18);
  add_row("${tunewnd_play_device}", play);
  QComboBox* record = MakeCombo(panel, QStringLiteral("tune_record_device"), 240, 24);
  record->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  record->setMinimumContentsLength(18);
  add_row("${tunewnd_record_device}", record);
  QComboBox* input = MakeCombo(panel, QStringLiteral("tune_unit_input"), 120, 24);
  for (int i = 0; i < 6; ++i) {
    tolva::kit::AddComboItem(input, QStringLiteral("input_%1").arg(i),
                             QStringLiteral("${tunewnd_input_%1}").arg(i + 1));
  }
  add_row("${tunewnd_unit_input}", input);
  QComboBox* reference = MakeCombo(panel, QStringLiteral("tune_reference"), 240, 24);
  tolva::kit::AddComboItem(reference, QStringLiteral("none"),
                           QStringLiteral("${tunewnd_reference_none}"));
  tolva::kit::AddComboItem(reference, QStringLiteral("loopback"),
                           QStringLiteral("${tunewnd_reference_loopback}"));
  for (int k = 0; k < tolva::model::kOutputChannels; ++k) {
    tolva::kit::AddComboItem(reference, QStringLiteral("acoustic_%1").arg(k),
                             QStringLiteral("${tunewnd_reference_acoustic_%1}").arg(k + 1));
  }
  add_row("${tunewnd_reference}", reference);
  QLabel* cal = MakeLabel(panel, QStringLiteral("tune_cal_name"), QStringLiteral("${tunewnd_no_cal}"));
  cal->setMinimumWidth(theme::Scaled(parentWidget(), 160));
  add_row("${tunewnd_cal_file}", cal,
          MakeButton(panel, QStringLiteral("tune_cal_browse"), QStringLiteral("${browse}"), 96, 24));

  auto* meter_row = new QHBoxLayout();
  theme::SetLayoutMetrics(meter_row, 0, 6);
  auto* bar = new LevelBar(panel);
  bar->setObjectName(QStringLiteral("tune_level_bar"));
  theme::FixSize(bar, 120, 14);
  meter_row->addWidget(bar);
  meter_row->addWidget(MakeLabel(panel, QStringLiteral("tune_level_text"),
                                 QStringLiteral("${tunewnd_level_unknown}")),
                       1);
  auto* meter = new QWidget(panel);
  meter->setLayout(meter_row);
  add_row("${tunewnd_level}", meter,
          MakeButton(panel, QStringLiteral("tune_check_level"), QStringLiteral("${tunewnd_check_level}"),
                     96, 24));
  grid->setColumnStretch(1, 1);
  column->addLayout(grid);
  QLabel* clip = MakeLabel(panel, QStringLiteral("tune_clip_warning"), QString());
  clip->setWordWrap(true);
  clip->setProperty("role", "warning");
  clip->hide();
  column->addWidget(clip);
  return panel;
}

QWidget* CMeasureTuneWnd::BuildOutputs() {
  QVBoxLayout* column = nullptr;
  QFrame* panel = Panel(this, "${tunewnd_outputs}", &column);
  QLabel* hint = MakeLabel(panel, QString(), QStringLiteral("${tunewnd_outputs_hint}"), "hint");
  hint->setWordWrap(true);
  column->addWidget(hint);
  outputs_ = MakeTable(panel, "tune_outputs",
                       {"${tunewnd_col_output}", "${tunewnd_col_positions}", "", "${tunewnd_col_snr}",
                        "${tunewnd_col_coherence}", "${tunewnd_col_clipping}", "${tunewnd_col_verdict}"});
  // Beside each row's positions: the menu of its runs, to drop a bad one.
  outputs_->setRowCount(tolva::model::kOutputChannels);
  for (int row = 0; row < tolva::model::kOutputChannels; ++row) {
    // Centred in the row, which is taller than the button.
    auto* cell = new QWidget(panel);
    auto* centre = new QHBoxLayout(cell);
    theme::SetLayoutMetrics(centre, 0, 0);
    centre->addWidget(MakeButton(cell, QStringLiteral("tune_drop"), QStringLiteral("${tunewnd_drop}"),
                                 64, 20, row),
                      0, Qt::AlignCenter);
    outputs_->setCellWidget(row, kOutDrop, cell);
  }
  column->addWidget(outputs_, 1);
  auto* buttons = new QHBoxLayout();
  theme::SetLayoutMetrics(buttons, 0, 6);
  buttons->addWidget(MakeButton(panel, QStringLiteral("tune_measure"),
                                QStringLiteral("${tunewnd_measure}"), 110, 26));
  buttons->addWidget(MakeButton(panel, QStringLiteral("tune_add_position"),
                                QStringLiteral("${tunewnd_add_position}"), 110, 26));
  buttons->addWidget(MakeButton(panel, QStringLiteral("tune_measure_pairs"),
                                QStringLiteral("${tunewnd_measure_pairs}"), 150, 26));
  buttons->addWidget(
      MakeButton(panel, QStringLiteral("tune_stop"), QStringLiteral("${stop}"), 80, 26));
  buttons->addStretch(1);
  column->addLayout(buttons);
  // Why a measurement cannot support a decision, in full: the table's row carries the mark.
  QLabel* quality = MakeLabel(panel, QStringLiteral("tune_quality_notes"), QString(), "warning");
  quality->setWordWrap(true);
  column->addWidget(quality);
  QLabel* pairs = MakeLabel(panel, QStringLiteral("tune_pairs_text"), QString(), "hint");
  pairs->setWordWrap(true);
  column->addWidget(pairs);
  return panel;
}

QWidget* CMeasureTuneWnd::BuildTarget() {
  QVBoxLayout* column = nullptr;
  QFrame* panel = Panel(this, "${tunewnd_target}", &column);
  auto* row = new QHBoxLayout();
  theme::SetLayoutMetrics(row, 0, 6);
  QComboBox* kind = MakeCombo(panel, QStringLiteral("tune_target_kind"), 150, 24);
  tolva::kit::AddComboItem(kind, QStringLiteral("flat"), QStringLiteral("${tunewnd_target_flat}"));
  tolva::kit::AddComboItem(kind, QStringLiteral("car"), QStringLiteral("${tunewnd_target_car}"));
  tolva::kit::AddComboItem(kind, QStringLiteral("file"), QStringLiteral("${tunewnd_target_file}"));
  kind->setCurrentIndex(1);
  row->addWidget(kind);
  const auto labelled = [&](const char* raw, const char* name, const char* value) {
    row->addSpacing(theme::Scaled(parentWidget(), 6));
    row->addWidget(MakeLabel(panel, QString::fromLatin1(name) + QStringLiteral("_label"),
                             QString::fromLatin1(raw)));
    QLineEdit* box = NumberBox(panel, name);
    box->setText(QString::fromLatin1(value));
    row->addWidget(box);
  };
  labelled("${tunewnd_bass_shelf}", "tune_bass_db", "6.0");
  labelled("${tunewnd_bass_corner}", "tune_bass_hz", "90");
  labelled("${tunewnd_treble_tilt}", "tune_treble_tilt", "-0.5");
  row->addSpacing(theme::Scaled(parentWidget(), 6));
  row->addWidget(MakeButton(panel, QStringLiteral("tune_target_browse"),
                            QStringLiteral("${browse}"), 96, 24));
  row->addWidget(MakeLabel(panel, QStringLiteral("tune_target_name"), QString()), 1);
  labelled("${tunewnd_max_boost}", "tune_max_boost", "6.0");
  row->addSpacing(theme::Scaled(parentWidget(), 6));
  row->addWidget(MakeButton(panel, QStringLiteral("tune_preview"),
                            QStringLiteral("${tunewnd_preview}"), 110, 26));
  column->addLayout(row);
  return panel;
}

QWidget* CMeasureTuneWnd::BuildPreview() {
  QVBoxLayout* column = nullptr;
  QFrame* panel = Panel(this, "${tunewnd_preview_title}", &column);
  fit_graph_ = new FitPreviewGraph(panel);
  fit_graph_->setObjectName(QStringLiteral("tune_fit_graph"));
  fit_graph_->setMinimumSize(theme::Scaled(parentWidget(), 420), theme::Scaled(parentWidget(), 190));
  column->addWidget(fit_graph_, 1);
  preview_table_ = MakeTable(panel, "tune_preview_table",
                             {"${tunewnd_col_output}", "${tunewnd_col_eq}", "${tunewnd_col_within}",
                              "${tunewnd_col_delay}", "${tunewnd_col_gain}", "${tunewnd_col_polarity}"});
  column->addWidget(preview_table_);
  QLabel* notes = MakeLabel(panel, QStringLiteral("tune_preview_notes"), QString(), "hint");
  notes->setWordWrap(true);
  column->addWidget(notes);
  return panel;
}
