#include "ui/main/main_layout.h"

#include "ui/screen/curve_registration.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/main/band_rows.h"
#include "ui/main/car_view.h"
#include "ui/main/channel_settings.h"
#include "ui/kit/qt/control_factory.h"
#include "ui/kit/qt/qt_controls.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/widget_builders.h"

namespace tolva::ui {
namespace {

namespace theme = kit::theme;

QFrame* Panel(QWidget* parent, const QString& name) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setProperty("panel", true);
  return frame;
}

void AddItems(QComboBox* combo, std::initializer_list<std::pair<const char*, const char*>> items) {
  for (const auto& [name, text] : items) {
    kit::AddComboItem(combo, QString::fromLatin1(name), QString::fromLatin1(text));
  }
}

void FillTypeCombo(QComboBox* combo) {
  // Index = stored family code; code 0 is never stored and stays hidden.
  AddItems(combo, {{"type_none", "-"},
                   {"type_butterworth", "${butterworth}"},
                   {"type_linkwitz", "${linkwitz_riley}"},
                   {"type_bessel", "${bessel}"}});
  combo->setCurrentIndex(1);
  kit::QtCombo(combo).SetItemVisible(0, false);
}

void FillSlopeCombo(QComboBox* combo) {
  kit::AddComboItem(combo, QStringLiteral("slope_0"), QStringLiteral("${slope_off}"));
  for (int code = 1; code <= 8; ++code) {
    kit::AddComboItem(combo, QString::asprintf("slope_%d", code),
                      QString::asprintf("%d dB/oct", code * 6));
  }
}

QWidget* BuildTitleBar(QWidget* root) {
  auto* bar = new QFrame(root);
  bar->setObjectName(QStringLiteral("title_bar"));
  bar->setProperty("titleBar", true);
  theme::FixSize(bar, -1, 40);
  auto* row = new QHBoxLayout(bar);
  theme::SetLayoutMetrics(row, 6, 6);
  auto* logo = new QLabel(bar);
  logo->setPixmap(QIcon(QStringLiteral(":/images/app_logo.svg")).pixmap(theme::Scaled(root, 24)));
  logo->setObjectName(QStringLiteral("logo"));
  row->addWidget(logo);
  row->addWidget(MakeLabel(bar, QStringLiteral("brand"), QStringLiteral("TOLVA DSP"), "brand"));
  row->addSpacing(theme::Scaled(root, 10));
  kit::CSButtonUI* connect =
      MakeButton(bar, QStringLiteral("btnConnect"), QStringLiteral("${btn_disconnected}"), 120, 26);
  connect->SetTextColor(QColor::fromRgba(0xffff0000));
  row->addWidget(connect);
  // Says "emulated unit" when no real unit is behind the window (the frameless window shows no
  // title where that could be read).
  QLabel* kind = MakeLabel(bar, QStringLiteral("unit_kind"), QStringLiteral("${emulated_unit}"),
                           "caption");
  kind->hide();
  row->addWidget(kind);
  row->addSpacing(theme::Scaled(root, 8));
  row->addWidget(MakeLabel(bar, QStringLiteral("source_caption"), QStringLiteral("${input_source}"),
                           "caption"));
  QComboBox* source = MakeCombo(bar, QStringLiteral("btn_input_source"), 112, 24);
  AddItems(source, {{"source_opt", "${source_opt}"},
                    {"source_coax", "${source_coax}"},
                    {"source_bt", "${source_bt}"},
                    {"source_aux", "${source_aux}"},
                    {"source_low", "${source_low}"},
                    {"source_hi", "${source_hi}"},
                    {"source_dmp", "${source_dmp}"}});
  kit::QtCombo items(source);
  for (int i = 0; i < items.Count(); ++i) {
    const std::string name = items.ItemName(i);
    items.SetItemVisible(i, name == "source_bt" || name == "source_hi");
  }
  source->setCurrentIndex(items.FindItem("source_bt"));
  row->addWidget(source);
  row->addSpacing(theme::Scaled(root, 8));
  // Which side of an A/B comparison is live; empty while none runs.
  row->addWidget(MakeLabel(bar, QStringLiteral("ab_side"), QString(), "caption"));
  row->addStretch(1);
  row->addWidget(MakeButton(bar, QStringLiteral("btn_scene"), QStringLiteral("${scene}"), 96, 26));
  row->addWidget(
      MakeButton(bar, QStringLiteral("btn_option"), QStringLiteral("${option}"), 96, 26));
  row->addWidget(
      MakeButton(bar, QStringLiteral("btn_advance"), QStringLiteral("${advance}"), 96, 26));
  row->addSpacing(theme::Scaled(root, 10));
  row->addWidget(MakeEdit(bar, QStringLiteral("edt_dpi"), QStringLiteral("96"), 38, 22));
  row->addWidget(MakeButton(bar, QStringLiteral("btnDpi"), QStringLiteral("DPI"), 36, 22));
  row->addSpacing(theme::Scaled(root, 6));
  row->addWidget(MakeButton(bar, QStringLiteral("minbtn"), QStringLiteral("\u2013"), 28, 24));
  kit::CSButtonUI* close =
      MakeButton(bar, QStringLiteral("closebtn"), QStringLiteral("\u2715"), 28, 24);
  close->SetAccent(theme::Warning());
  row->addWidget(close);
  return bar;
}

QWidget* BuildCarPanel(QWidget* root) {
  QFrame* panel = Panel(root, QStringLiteral("car_panel"));
  theme::FixSize(panel, 204, -1);
  auto* column = new QVBoxLayout(panel);
  theme::SetLayoutMetrics(column, 6, 4);
  column->addWidget(MakeLabel(panel, QStringLiteral("car_caption"),
                              QStringLiteral("${speaker_layout}"), "caption"));
  auto* car = new CarView(panel);
  car->setObjectName(QStringLiteral("car"));
  theme::FixSize(car, 186, 270);
  column->addWidget(car, 0, Qt::AlignHCenter);
  column->addStretch(1);

  column->addWidget(MakeLabel(panel, QStringLiteral("master_caption"),
                              QStringLiteral("${main_volume}"), "caption"));
  QSlider* volume = MakeSlider(panel, QStringLiteral("slider_main_volume"), false, kMainVolumeMin,
                               kMainVolumeMax);
  volume->setValue(-5);
  column->addWidget(volume);
  auto* row = new QHBoxLayout();
  theme::SetLayoutMetrics(row, 0, 4);
  row->addWidget(
      MakeEdit(panel, QStringLiteral("edit_main_volume"), QStringLiteral("-5dB"), 60, 22));
  kit::CSButtonUI* mute =
      MakeOption(panel, QStringLiteral("main_mute"), QStringLiteral("${mute}"), -1, 22);
  mute->SetAccent(theme::Warning());
  row->addWidget(mute, 1);
  column->addLayout(row);
  auto* unit_row = new QHBoxLayout();
  theme::SetLayoutMetrics(unit_row, 0, 4);
  unit_row->addWidget(
      MakeLabel(panel, QStringLiteral("unit_caption"), QStringLiteral("${delay_unit}"), "caption"),
      1);
  QComboBox* unit = MakeCombo(panel, QStringLiteral("comb_ch_unit"), 72, 22);
  AddItems(unit,
           {{"unit_ms", "${unit_ms}"}, {"unit_cm", "${unit_cm}"}, {"unit_inch", "${unit_inch}"}});
  unit_row->addWidget(unit);
  column->addLayout(unit_row);
  return panel;
}

void AddCrossoverRow(QWidget* panel, QGridLayout* grid, int row, const char* prefix,
                     const char* caption, const char* freq) {
  const QString p = QString::fromLatin1(prefix);
  grid->addWidget(MakeLabel(panel, p + QStringLiteral("_caption"), QString::fromLatin1(caption)),
                  row, 0);
  QComboBox* type = MakeCombo(panel, p + QStringLiteral("_type"), 132, 22);
  FillTypeCombo(type);
  grid->addWidget(type, row, 1);
  QComboBox* slope = MakeCombo(panel, p + QStringLiteral("_slop"), 104, 22);
  FillSlopeCombo(slope);
  grid->addWidget(slope, row, 2);
  grid->addWidget(MakeEdit(panel, p + QStringLiteral("_freq"), QString::fromLatin1(freq), 76, 22),
                  row, 3);
}

QWidget* BuildCrossoverPanel(QWidget* root) {
  QFrame* panel = Panel(root, QStringLiteral("crossover_panel"));
  auto* grid = new QGridLayout(panel);
  theme::SetLayoutMetrics(grid, 6, 4);
  grid->addWidget(
      MakeLabel(panel, QStringLiteral("crossover_title"), QStringLiteral("${crossover}"), "title"),
      0, 0);
  const char* headers[] = {"${filter_type}", "${filter_slope}", "${frequency}"};
  for (int i = 0; i < 3; ++i) {
    grid->addWidget(MakeLabel(panel, QString(), QString::fromLatin1(headers[i]), "caption"), 0,
                    i + 1);
  }
  AddCrossoverRow(panel, grid, 1, "hp", "${high_pass}", "20Hz");
  AddCrossoverRow(panel, grid, 2, "lp", "${low_pass}", "20000Hz");
  grid->setColumnStretch(0, 1);
  return panel;
}

QWidget* BuildGroupButtons(QWidget* root) {
  auto* row_widget = new QWidget(root);
  row_widget->setObjectName(QStringLiteral("output_group"));
  auto* row = new QHBoxLayout(row_widget);
  theme::SetLayoutMetrics(row, 0, 4);
  const std::pair<const char*, const char*> buttons[] = {
      {"btn_reset_eq", "${reset_eq}"},       {"btn_bypass", "${bypass_eq}"},
      {"btn_arg_eq", "${geq_mode}"},         {"btn_reset_output", "${reset_output}"},
      {"btn_lock_output", "${lock_output}"}, {"btn_link_output", "${link_output}"}};
  for (const auto& [name, text] : buttons) {
    row->addWidget(
        MakeButton(row_widget, QString::fromLatin1(name), QString::fromLatin1(text), -1, 28), 1);
  }
  return row_widget;
}

QWidget* BuildCentre(QWidget* root) {
  auto* centre = new QWidget(root);
  centre->setObjectName(QStringLiteral("centre_column"));
  theme::FixSize(centre, 520, -1);
  auto* column = new QVBoxLayout(centre);
  theme::SetLayoutMetrics(column, 0, 6);
  QWidget* graph = kit::ControlFactory::Instance().Create(QStringLiteral("Curve"), centre);
  graph->setObjectName(QStringLiteral("equalizer"));
  graph->setProperty("userData", -1);
  column->addWidget(graph, 1);
  column->addWidget(BuildCrossoverPanel(centre));
  column->addWidget(BuildGroupButtons(centre));
  return centre;
}

}  // namespace

void BuildMainLayout(QWidget* root) {
  RegisterCurveControls();
  root->setProperty("tolvaRoot", true);
  auto* outer = new QVBoxLayout(root);
  theme::SetLayoutMetrics(outer, 0, 0);
  outer->addWidget(BuildTitleBar(root));

  auto* body = new QVBoxLayout();
  theme::SetLayoutMetrics(body, 8, 8);
  auto* upper = new QHBoxLayout();
  theme::SetLayoutMetrics(upper, 0, 8);
  upper->addWidget(BuildCarPanel(root));
  upper->addWidget(BuildCentre(root));
  auto* strips = new QWidget(root);
  strips->setObjectName(QStringLiteral("channel_settings"));
  BuildChannelSettings(strips);
  upper->addWidget(strips, 1);
  body->addLayout(upper, 1);

  QFrame* bands = Panel(root, QStringLiteral("band_panel"));
  theme::FixSize(bands, -1, 172);
  BuildBandRows(bands);
  body->addWidget(bands);
  outer->addLayout(body, 1);
}

}  // namespace tolva::ui
