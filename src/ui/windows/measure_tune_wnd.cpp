#include "ui/windows/measure_tune_wnd.h"

#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/debug_print.h"
#include "base/language_tables.h"
#include "model/edits/screen_text.h"
#include "model/manager/equalizer_manager.h"
#include "model/profile/scene_names.h"
#include "ui/controls/fit_preview_graph.h"
#include "ui/controls/ui_equalizer.h"
#include "ui/kit/api/dialogs.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/main/main_wnd.h"
#include "ui/windows/measure_tune_level_bar.h"
#include "ui/windows/window_dialogs.h"

namespace msg = tolva::kit::msgtype;
namespace theme = tolva::kit::theme;
namespace tune = tolva::ui::tune;
using tolva::curves::UIEqualizer;
using tolva::kit::CCircleProgressUI;
using tolva::kit::CSButtonUI;
using tolva::kit::Resolve;

namespace {

constexpr int kNarrowest = 1000;  // at 100 %

// Columns of the preview table (the outputs table's are the window's).
enum PreviewColumn { kPvName, kPvEq, kPvWithin, kPvDelay, kPvGain, kPvPolarity };

QString Text(const std::string& raw_or_text) {
  return Resolve(QString::fromStdString(raw_or_text));
}

QString Filled(const char* key, std::initializer_list<std::string_view> values) {
  const std::string pattern = tolva::Languages().Resolve(key);
  return QString::fromStdString(tolva::model::FillPlaceholders(pattern, values));
}

std::string Fixed(double value, int decimals) {
  return QString::number(value, 'f', decimals).toStdString();
}

// A failed run has no SNR to show.
QString Snr(double db) {
  return std::isfinite(db) ? Filled("${tunewnd_db_value}", {Fixed(db, 0)}) : QStringLiteral("–");
}

QString OutputName(const tolva::model::Profile& live, int output) {
  const std::string role =
      tolva::Languages().Resolve(tolva::model::RoleButtonLabel(live.outputs[output]));
  return Filled("${tunewnd_output_name}", {std::to_string(output + 1), role});
}

QTableWidgetItem* Cell(const QString& text, bool checkable = false, bool checked = false) {
  auto* item = new QTableWidgetItem(text);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (checkable) {
    flags |= Qt::ItemIsUserCheckable;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
  item->setFlags(flags);
  return item;
}

void MarkUnusable(QTableWidgetItem* item) {
  item->setForeground(theme::Readable(theme::Warning(), theme::Background()));
}

// The widest text of a column and its header in the fonts the theme gives them, with the
// check box and the cell's margins: what the column needs to show every text whole.
int ColumnWidth(const QTableWidget& table, int column) {
  const QFontMetrics cells(table.font());
  QFont header_font = table.horizontalHeader()->font();
  header_font.setBold(true);  // as the style draws the column names
  const QFontMetrics header(header_font);
  const int margin = 2 * table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) +
                     theme::Scaled(&table, 12);
  const int check = table.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &table) +
                    theme::Scaled(&table, 6);
  int width = 0;
  if (const QTableWidgetItem* head = table.horizontalHeaderItem(column)) {
    width = header.horizontalAdvance(head->text()) + theme::Scaled(&table, 20);
  }
  for (int row = 0; row < table.rowCount(); ++row) {
    if (const QWidget* widget = table.cellWidget(row, column)) {
      width = std::max(width, widget->sizeHint().width() + margin);
    }
    const QTableWidgetItem* item = table.item(row, column);
    if (item == nullptr) continue;
    const int box = (item->flags() & Qt::ItemIsUserCheckable) ? check : 0;
    width = std::max(width, cells.horizontalAdvance(item->text()) + box + margin);
  }
  return width;
}

bool Checked(const QTableWidget* table, int row, int column) {
  const QTableWidgetItem* item = table->item(row, column);
  return item != nullptr && (item->flags() & Qt::ItemIsUserCheckable) &&
         item->checkState() == Qt::Checked;
}

// A number box read as meant: clamped to its range and rewritten with what is used.
double ReadBox(QLineEdit* box, double low, double high, double fallback, int decimals) {
  bool ok = false;
  double value = box->text().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) value = fallback;
  value = std::clamp(value, low, high);
  box->setText(QString::number(value, 'f', decimals));
  return value;
}

}  // namespace

CMeasureTuneWnd::CMeasureTuneWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
                                 std::unique_ptr<tune::Backend> backend, UIEqualizer* graph)
    : CDialogWnd(owner, "measuretunewnd", "MeasureTuneWnd"),
      manager_(manager),
      backend_(std::move(backend)),
      main_graph_(graph),
      states_(tolva::model::kOutputChannels) {
  BuildLayout();
  FinishLayout();
  fit_graph_->SetLegend({Resolve(QStringLiteral("${tunewnd_legend_before}")),
                         Resolve(QStringLiteral("${tunewnd_legend_after}")),
                         Resolve(QStringLiteral("${tunewnd_legend_target}")),
                         Resolve(QStringLiteral("${tunewnd_legend_masked}"))});

  const tolva::model::Profile& live = manager_.LiveProfile();
  for (int ch = 0; ch < tolva::model::kOutputChannels; ++ch) {
    states_[static_cast<std::size_t>(ch)].output = ch;
    // An output without a speaker has nothing to measure.
    outputs_->setItem(ch, kOutName, Cell(OutputName(live, ch), true, live.outputs[ch] != 0));
    outputs_->setItem(ch, kOutPositions, Cell(QStringLiteral("0")));
    for (int c = kOutSnr; c <= kOutClipping; ++c) outputs_->setItem(ch, c, Cell(QStringLiteral("–")));
    outputs_->setItem(ch, kOutVerdict, Cell(Resolve(QStringLiteral("${tunewnd_not_measured}"))));
  }
  connect(preview_table_, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int, int) { ShowPreviewOf(row); });
  connect(findChild<QTabWidget*>(QStringLiteral("tune_pages")), &QTabWidget::currentChanged, this,
          [this] { FitTables(); });
  ShowTargetChoice();
  ConnectEvents();
  UpdateButtons();
  FitTables();
  backend_->ListDevices();
}

CMeasureTuneWnd::~CMeasureTuneWnd() {
  // No answer may reach a window that is gone.
  backend_->SetEvents({});
}

void CMeasureTuneWnd::ConnectEvents() {
  // The backend calls these on the window's thread.
  tune::Events e;
  e.devices = [this](std::vector<tune::Device> p, std::vector<tune::Device> c,
                     const std::string& error) { OnDevices(std::move(p), std::move(c), error); };
  e.meter = [this](const tune::Meter& m) { OnMeter(m); };
  e.measured = [this](const tune::OutputState& s) { OnMeasured(s); };
  e.pair_measured = [this](const tune::Pair& p) { OnPairMeasured(p); };
  e.status = [this](const std::string& text, bool failed) { OnStatus(text, failed); };
  e.idle = [this] { OnIdle(); };
  e.preview = [this](const tune::Preview& p) { OnPreview(p); };
  e.unit_left = [this](bool mid_run) { OnUnitLeft(mid_run); };
  backend_->SetEvents(std::move(e));
}

void CMeasureTuneWnd::SetTips(const QString& raw, bool warning) {
  auto* tips = findChild<QLabel*>(QStringLiteral("tune_tips"));
  tolva::kit::SetWidgetText(tips, raw);
  tips->setProperty("role", warning ? "warning" : "");
  tips->style()->unpolish(tips);
  tips->style()->polish(tips);
}

void CMeasureTuneWnd::OnDevices(std::vector<tune::Device> playback,
                                std::vector<tune::Device> capture, const std::string& error) {
  const auto fill = [](QComboBox* combo, const std::vector<tune::Device>& devices) {
    const QString kept = combo->currentData().toString();
    combo->clear();
    for (const tune::Device& d : devices) {
      const QString id = QString::fromStdString(d.id);
      combo->addItem(d.description.empty() ? id : QString::fromStdString(d.description), id);
      combo->setItemData(combo->count() - 1, id, Qt::ToolTipRole);
    }
    const int at = combo->findData(kept);
    combo->setCurrentIndex(at >= 0 ? at : 0);
  };
  fill(findChild<QComboBox*>(QStringLiteral("tune_play_device")), playback);
  fill(findChild<QComboBox*>(QStringLiteral("tune_record_device")), capture);
  if (!error.empty()) {
    SetTips(Text(error), true);
  } else if (playback.empty() || capture.empty()) {
    SetTips(QStringLiteral("${tunewnd_no_devices}"), true);
  }
  PushSetup();
  UpdateButtons();
}

void CMeasureTuneWnd::PushSetup() {
  tune::Setup setup;
  setup.play_device =
      findChild<QComboBox*>(QStringLiteral("tune_play_device"))->currentData().toString().toStdString();
  setup.record_device = findChild<QComboBox*>(QStringLiteral("tune_record_device"))
                            ->currentData()
                            .toString()
                            .toStdString();
  setup.calibration_path = calibration_path_;
  setup.unit_input = std::max(0, findChild<QComboBox*>(QStringLiteral("tune_unit_input"))->currentIndex());
  // None, the loopback, then a chirp through each output in turn.
  const int reference = findChild<QComboBox*>(QStringLiteral("tune_reference"))->currentIndex();
  setup.reference = reference == 1  ? tune::Reference::kLoopback
                    : reference >= 2 ? tune::Reference::kAcoustic
                                     : tune::Reference::kNone;
  setup.reference_output = reference >= 2 ? reference - 2 : -1;
  backend_->SetSetup(setup);
}

void CMeasureTuneWnd::OnMeter(const tune::Meter& m) {
  findChild<LevelBar*>(QStringLiteral("tune_level_bar"))->SetLevel(m.peak_dbfs, m.rms_dbfs, m.clipping);
  auto* text = findChild<QLabel*>(QStringLiteral("tune_level_text"));
  auto* clip = findChild<QLabel*>(QStringLiteral("tune_clip_warning"));
  if (!m.error.empty()) {
    text->setText(Resolve(QStringLiteral("${tunewnd_level_unknown}")));
    SetTips(Text(m.error), true);
    clip->hide();
    return;
  }
  text->setText(Filled("${tunewnd_level_value}", {Fixed(m.peak_dbfs, 1), Fixed(m.rms_dbfs, 1)}));
  tolva::kit::SetWidgetText(clip, m.clipping ? QStringLiteral("${tunewnd_clipping_warning}")
                                             : QStringLiteral("${tunewnd_too_quiet}"));
  clip->setVisible(m.clipping || m.peak_dbfs < -70.0);
}

void CMeasureTuneWnd::OnMeasured(const tune::OutputState& s) {
  if (s.output < 0 || s.output >= tolva::model::kOutputChannels) return;
  ShowOutputState(s);
  ++runs_done_;
  ShowProgress();
  UpdateButtons();
}

void CMeasureTuneWnd::ShowOutputState(const tune::OutputState& s) {
  states_[static_cast<std::size_t>(s.output)] = s;
  const int row = s.output;
  outputs_->item(row, kOutPositions)->setText(QString::number(s.positions));
  QTableWidgetItem* verdict = outputs_->item(row, kOutVerdict);
  QTableWidgetItem* clipping = outputs_->item(row, kOutClipping);
  clipping->setForeground(theme::Text());
  verdict->setForeground(theme::Text());
  verdict->setToolTip(QString());
  if (s.runs.empty()) {
    // Every run dropped: as before the first.
    for (int c = kOutSnr; c <= kOutClipping; ++c) outputs_->item(row, c)->setText(QStringLiteral("–"));
    verdict->setText(Resolve(QStringLiteral("${tunewnd_not_measured}")));
  } else {
    outputs_->item(row, kOutSnr)->setText(Snr(s.snr_db));
    outputs_->item(row, kOutCoherence)->setText(QString::number(s.coherence, 'f', 2));
    clipping->setText(Resolve(s.clipped ? QStringLiteral("${tunewnd_clipped_short}")
                                        : QStringLiteral("${tunewnd_not_clipped}")));
    if (s.clipped) MarkUnusable(clipping);
    if (s.usable) {
      verdict->setText(Resolve(QStringLiteral("${tunewnd_usable}")));
    } else {
      // Marked in the row itself, said in full below the table: this decides nothing.
      verdict->setText(QStringLiteral("\u26a0 ") + Resolve(QStringLiteral("${tunewnd_unusable}")));
      verdict->setToolTip(Text(s.why));
      MarkUnusable(verdict);
    }
  }
  ShowQualityNotes();
  FitTables();
  if (main_graph_ != nullptr) {
    // Nothing usable left clears what an earlier run laid there.
    main_graph_->SetMeasurement(s.output, s.graph_levels, s.played_curve);
    // Shown as it arrives: the output becomes the one the main graph draws.
    if (!s.graph_levels.empty()) manager_.Editing().SelectOutput(s.output);
  }
}

std::vector<tune::Pair> CMeasureTuneWnd::MeasuredPairsOf(int output) const {
  std::vector<tune::Pair> pairs;
  for (tune::Pair& p : backend_->Pairs()) {
    if ((p.low_output == output || p.high_output == output) && !p.runs.empty()) {
      pairs.push_back(std::move(p));
    }
  }
  return pairs;
}

void CMeasureTuneWnd::OpenRunsMenu(int output) {
  if (output < 0 || output >= tolva::model::kOutputChannels || backend_->Busy()) return;
  const tune::OutputState& s = states_[static_cast<std::size_t>(output)];
  const std::vector<tune::Pair> pairs = MeasuredPairsOf(output);
  if (s.runs.empty() && pairs.empty()) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("tune_runs_menu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setToolTipsVisible(true);
  const auto add = [&](const QString& what, const tune::Run& r) {
    const QString verdict =
        r.usable ? Resolve(QStringLiteral("${tunewnd_usable}"))
                 : QStringLiteral("\u26a0 ") +
                       Resolve(r.clipped ? QStringLiteral("${tunewnd_clipped_short}")
                                         : QStringLiteral("${tunewnd_unusable}"));
    QAction* item = menu->addAction(Filled(
        "${tunewnd_drop_run}", {what.toStdString(), Snr(r.snr_db).toStdString(),
                                Fixed(r.coherence, 2), verdict.toStdString()}));
    if (!r.usable) item->setToolTip(Text(r.why.empty() ? "${tunewnd_unusable}" : r.why));
    return item;
  };
  for (int i = 0; i < static_cast<int>(s.runs.size()); ++i) {
    QAction* item = add(Filled("${tunewnd_position_n}", {std::to_string(i + 1)}),
                        s.runs[static_cast<std::size_t>(i)]);
    connect(item, &QAction::triggered, this, [this, output, i] { DropRun(output, i); });
  }
  // The crossover pairs it was measured in, after its own positions: one run each, the latest.
  if (!s.runs.empty() && !pairs.empty()) menu->addSeparator();
  for (const tune::Pair& p : pairs) {
    QAction* item = add(Filled("${tunewnd_pair_together}", {std::to_string(p.low_output + 1),
                                                            std::to_string(p.high_output + 1)}),
                        p.runs.back());
    connect(item, &QAction::triggered, this,
            [this, low = p.low_output, high = p.high_output] { DropPair(low, high); });
  }
  QWidget* button = outputs_->cellWidget(output, kOutDrop);
  menu->popup(button != nullptr ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
}

void CMeasureTuneWnd::DropRun(int output, int run) {
  const std::optional<tune::OutputState> s = backend_->Forget(output, run);
  if (!s) {
    if (backend_->Busy()) SetTips(QStringLiteral("${tune_busy}"), true);
    return;
  }
  ShowOutputState(*s);
  SetTips(Filled("${tunewnd_run_dropped}",
                 {std::to_string(run + 1), OutputName(manager_.LiveProfile(), output).toStdString()}));
  UpdateButtons();
}

void CMeasureTuneWnd::DropPair(int low_output, int high_output) {
  if (!backend_->ForgetPair(low_output, high_output)) {
    if (backend_->Busy()) SetTips(QStringLiteral("${tune_busy}"), true);
    return;
  }
  ShowPairs();
  SetTips(Filled("${tunewnd_pair_dropped}",
                 {std::to_string(low_output + 1), std::to_string(high_output + 1)}));
  UpdateButtons();
}

void CMeasureTuneWnd::DropStalePreview() {
  if (!preview_ || backend_->HasPreview()) return;
  // Computed from measurements since changed: it is not applied, and the page says why.
  preview_.reset();
  preview_table_->setRowCount(0);
  fit_graph_->SetCurves({});
  tolva::kit::SetWidgetText(findChild<QLabel*>(QStringLiteral("tune_preview_notes")),
                            QStringLiteral("${tunewnd_preview_outdated}"));
}

void CMeasureTuneWnd::ShowQualityNotes() {
  QStringList lines;
  const tolva::model::Profile& live = manager_.LiveProfile();
  for (const tune::OutputState& s : states_) {
    if (s.usable || (s.positions == 0 && s.why.empty())) continue;
    lines << OutputName(live, s.output) + QStringLiteral(": ") +
                 Text(s.why.empty() ? "${tunewnd_unusable}" : s.why);
  }
  findChild<QLabel*>(QStringLiteral("tune_quality_notes"))->setText(lines.join(QStringLiteral("\n")));
}

void CMeasureTuneWnd::ShowProgress() {
  auto* ring = findChild<CCircleProgressUI*>(QStringLiteral("progress"));
  if (ring == nullptr) return;
  ring->setVisible(runs_asked_ > 0);
  if (runs_asked_ > 0) ring->SetValue(std::min(100, runs_done_ * 100 / runs_asked_));
}

void CMeasureTuneWnd::OnPairMeasured(const tune::Pair&) {
  ++runs_done_;
  ShowProgress();
  ShowPairs();
  UpdateButtons();
}

void CMeasureTuneWnd::ShowPairs() {
  QStringList lines;
  for (const tune::Pair& p : backend_->Pairs()) {
    lines << Filled(p.measured ? "${tunewnd_pair_measured}" : "${tunewnd_pair_pending}",
                    {std::to_string(p.low_output + 1), std::to_string(p.high_output + 1),
                     Fixed(p.crossover_hz, 0)});
  }
  findChild<QLabel*>(QStringLiteral("tune_pairs_text"))->setText(lines.join(QStringLiteral("\n")));
}

void CMeasureTuneWnd::OnStatus(const std::string& text, bool failed) {
  SetTips(QString::fromStdString(text), failed);
}

void CMeasureTuneWnd::OnIdle() {
  if (runs_asked_ > 0 && runs_done_ >= runs_asked_) {
    // The last stage's words would stay otherwise; a failure was said as it came.
    const auto* tips = findChild<QLabel*>(QStringLiteral("tune_tips"));
    if (tips->property("role").toString() != QStringLiteral("warning")) {
      SetTips(QStringLiteral("${tunewnd_measured_done}"));
    }
    runs_asked_ = 0;
    ShowProgress();
  }
  UpdateButtons();
  if (close_pending_) CloseWindow();
}

std::vector<int> CMeasureTuneWnd::CheckedOutputs() const {
  std::vector<int> outputs;
  for (int row = 0; row < outputs_->rowCount(); ++row) {
    if (Checked(outputs_, row, kOutName)) outputs.push_back(row);
  }
  return outputs;
}

void CMeasureTuneWnd::Measure(bool add_position) {
  const std::vector<int> outputs = CheckedOutputs();
  if (outputs.empty()) {
    SetTips(QStringLiteral("${tunewnd_none_checked}"), true);
    return;
  }
  PushSetup();
  StartRuns(static_cast<int>(outputs.size()));
  backend_->Measure(outputs, add_position);
  UpdateButtons();
}

void CMeasureTuneWnd::StartRuns(int count) {
  runs_asked_ = count;
  runs_done_ = 0;
  ShowProgress();
}

void CMeasureTuneWnd::ShowTargetChoice() {
  const int kind = findChild<QComboBox*>(QStringLiteral("tune_target_kind"))->currentIndex();
  for (const char* name : {"tune_bass_db", "tune_bass_hz", "tune_treble_tilt"}) {
    findChild<QWidget*>(QString::fromLatin1(name))->setEnabled(kind == 1);
    findChild<QWidget*>(QString::fromLatin1(name) + QStringLiteral("_label"))->setEnabled(kind == 1);
  }
  findChild<QWidget*>(QStringLiteral("tune_target_browse"))->setEnabled(kind == 2);
  auto* name = findChild<QLabel*>(QStringLiteral("tune_target_name"));
  name->setVisible(kind == 2);
  if (target_path_.empty()) {
    tolva::kit::SetWidgetText(name, QStringLiteral("${tunewnd_no_file}"));
  } else {
    name->setText(QString::fromStdString(std::filesystem::path(target_path_).filename().string()));
  }
}

std::optional<tune::Target> CMeasureTuneWnd::ReadTarget() {
  const auto box = [this](const char* name) {
    return findChild<QLineEdit*>(QString::fromLatin1(name));
  };
  tune::Target t;
  const int kind = findChild<QComboBox*>(QStringLiteral("tune_target_kind"))->currentIndex();
  t.kind = kind == 1 ? tune::Target::Kind::kCar
           : kind == 2 ? tune::Target::Kind::kFile
                       : tune::Target::Kind::kFlat;
  t.bass_shelf_db = ReadBox(box("tune_bass_db"), 0.0, 12.0, 6.0, 1);
  t.bass_corner_hz = ReadBox(box("tune_bass_hz"), 30.0, 300.0, 90.0, 0);
  t.treble_tilt_db = ReadBox(box("tune_treble_tilt"), -3.0, 1.0, -0.5, 1);
  t.max_boost_db = ReadBox(box("tune_max_boost"), 0.0, 12.0, 6.0, 1);
  t.file_path = target_path_;
  if (t.kind == tune::Target::Kind::kFile && t.file_path.empty()) {
    SetTips(QStringLiteral("${tunewnd_no_file}"), true);
    return std::nullopt;
  }
  return t;
}

void CMeasureTuneWnd::AskPreview() {
  const std::optional<tune::Target> target = ReadTarget();
  if (!target) return;
  backend_->ComputePreview(*target);
  UpdateButtons();
}

void CMeasureTuneWnd::OnPreview(const tune::Preview& p) {
  preview_ = p;
  preview_table_->setRowCount(0);
  auto* notes = findChild<QLabel*>(QStringLiteral("tune_preview_notes"));
  if (!p.problem.empty()) {
    SetTips(Text(p.problem), true);
    fit_graph_->SetCurves({});
    notes->clear();
    UpdateButtons();
    return;
  }
  const tolva::model::Profile& live = manager_.LiveProfile();
  preview_table_->setRowCount(static_cast<int>(p.outputs.size()));
  for (int row = 0; row < static_cast<int>(p.outputs.size()); ++row) {
    const tune::OutputPreview& o = p.outputs[static_cast<std::size_t>(row)];
    preview_table_->setItem(row, kPvName, Cell(OutputName(live, o.output)));
    if (!o.problem.empty()) {
      QTableWidgetItem* eq = Cell(QStringLiteral("\u26a0 ") + Text(o.problem));
      MarkUnusable(eq);
      preview_table_->setItem(row, kPvEq, eq);
      preview_table_->setItem(row, kPvWithin, Cell(QStringLiteral("–")));
    } else {
      preview_table_->setItem(
          row, kPvEq,
          Cell(Filled("${tunewnd_eq_value}", {Fixed(o.before.rms_db, 1), Fixed(o.after.rms_db, 1),
                                           std::to_string(o.bands_used)}),
               o.eq_changes, o.eq_changes));
      preview_table_->setItem(
          row, kPvWithin,
          Cell(QString::fromStdString(Fixed(o.after.within_1db * 100.0, 0)) + QStringLiteral(" %")));
    }
    const bool delay_moves = std::abs(o.delay_ms - o.delay_now_ms) >= 0.001f;
    QTableWidgetItem* delay =
        Cell(Filled("${tunewnd_delay_value}", {Fixed(o.delay_now_ms, 3), Fixed(o.delay_ms, 3)}),
             delay_moves, delay_moves && o.delay_reliable);
    if (!o.delay_reliable) {
      delay->setText(QStringLiteral("\u26a0 ") + delay->text());
      MarkUnusable(delay);
    }
    if (!o.delay_note.empty()) delay->setToolTip(Text(o.delay_note));
    preview_table_->setItem(row, kPvDelay, delay);
    const bool gain_moves = o.gain_db != o.gain_now_db;
    preview_table_->setItem(
        row, kPvGain,
        Cell(Filled("${tunewnd_gain_value}", {std::to_string(o.gain_now_db), std::to_string(o.gain_db)}),
             gain_moves, gain_moves));
    QTableWidgetItem* polarity =
        Cell(Resolve(o.invert_suggested ? QStringLiteral("${tunewnd_polarity_invert}")
                                        : QStringLiteral("${tunewnd_polarity_keep}")),
             o.invert_suggested, o.invert_suggested);
    if (!o.polarity_note.empty()) polarity->setToolTip(Text(o.polarity_note));
    preview_table_->setItem(row, kPvPolarity, polarity);
  }
  QStringList lines;
  for (const std::string& line : p.crossover_notes) lines << Text(line);
  notes->setText(lines.join(QStringLiteral("\n")));
  FitTables();
  if (!p.outputs.empty()) {
    preview_table_->setCurrentCell(0, kPvName);
    ShowPreviewOf(0);
  }
  findChild<QTabWidget*>(QStringLiteral("tune_pages"))->setCurrentIndex(1);
  SetTips(QStringLiteral("${tunewnd_preview_ready}"));
  UpdateButtons();
}

void CMeasureTuneWnd::ShowPreviewOf(int row) {
  if (!preview_ || row < 0 || row >= static_cast<int>(preview_->outputs.size())) return;
  const tune::OutputPreview& o = preview_->outputs[static_cast<std::size_t>(row)];
  fit_graph_->SetCurves({o.freq, o.before_db, o.after_db, o.target_db, o.mask, o.target_level_db});
}

void CMeasureTuneWnd::ApplyAccepted() {
  if (!preview_) return;
  std::vector<tune::Accept> accepted;
  for (int row = 0; row < preview_table_->rowCount(); ++row) {
    tune::Accept a;
    a.output = preview_->outputs[static_cast<std::size_t>(row)].output;
    a.eq = Checked(preview_table_, row, kPvEq);
    a.delay = Checked(preview_table_, row, kPvDelay);
    a.gain = Checked(preview_table_, row, kPvGain);
    a.polarity = Checked(preview_table_, row, kPvPolarity);
    accepted.push_back(a);
  }
  SetTips(backend_->Apply(accepted) ? QStringLiteral("${tunewnd_applied}")
                                    : QStringLiteral("${tunewnd_nothing_applied}"));
  UpdateButtons();
}

void CMeasureTuneWnd::SwitchAB() {
  const bool before = backend_->SwitchAB();
  findChild<CSButtonUI*>(QStringLiteral("tune_ab"))->setChecked(before);
  SetTips(before ? QStringLiteral("${tunewnd_playing_before}") : QStringLiteral("${tunewnd_playing_after}"));
}

void CMeasureTuneWnd::UpdateButtons() {
  DropStalePreview();
  const bool busy = backend_->Busy();
  const bool devices =
      findChild<QComboBox*>(QStringLiteral("tune_play_device"))->count() > 0 &&
      findChild<QComboBox*>(QStringLiteral("tune_record_device"))->count() > 0;
  const auto enable = [this](const char* name, bool on) {
    if (auto* w = findChild<QWidget*>(QString::fromLatin1(name))) w->setEnabled(on);
  };
  enable("tune_check_level", !busy && devices);
  enable("tune_measure", !busy && devices);
  enable("tune_add_position", !busy && devices);
  enable("tune_measure_pairs", !busy && devices && !backend_->Pairs().empty());
  for (int row = 0; row < outputs_->rowCount(); ++row) {
    if (QWidget* drop = outputs_->cellWidget(row, kOutDrop)) {
      drop->setEnabled(!busy && (!states_[static_cast<std::size_t>(row)].runs.empty() ||
                                 !MeasuredPairsOf(row).empty()));
    }
  }
  enable("tune_stop", busy);
  enable("tune_preview", !busy);
  enable("tune_apply", !busy && preview_.has_value() && preview_->problem.empty() &&
                           !backend_->PlayingBefore());
  enable("tune_ab", !busy && backend_->Applied());
  for (const char* name : {"tune_play_device", "tune_record_device", "tune_unit_input",
                           "tune_reference", "tune_cal_browse"}) {
    enable(name, !busy);
  }
}

// Every column as wide as its widest text, the window as wide as both tables need.
void CMeasureTuneWnd::FitTables() {
  for (QTableWidget* table : {outputs_, preview_table_}) {
    // Measured in the font the theme gives the table, also while its page is hidden.
    table->ensurePolished();
    table->horizontalHeader()->ensurePolished();
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table->columnCount(); ++c) {
      const int needed = ColumnWidth(*table, c);
      table->horizontalHeader()->resizeSection(c, needed);
      width += needed;
    }
    table->setMinimumWidth(width);
    const int rows = std::max(table->rowCount(), table == outputs_ ? 6 : 3);
    const int row_height = table->verticalHeader()->defaultSectionSize();
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() + rows * row_height +
                            2 * table->frameWidth());
  }
  if (layout() == nullptr) return;
  // The pages as wide as the wider one needs, the hidden one included (whose layouts would
  // otherwise keep the sizes they had when it was hidden).
  for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
  auto* pages = findChild<QTabWidget*>(QStringLiteral("tune_pages"));
  int page_width = 0;
  for (int i = 0; i < pages->count(); ++i) {
    QLayout* page = pages->widget(i)->layout();
    page->activate();
    page_width = std::max(page_width, page->totalMinimumSize().width());
  }
  pages->setMinimumWidth(page_width + 2 * pages->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
  layout()->activate();
  const int scale = theme::ScaleOf(this);
  // Never narrower than what the tables hold, even on a small screen: a cut column says less
  // than a window that reaches past the screen's edge.
  // Never narrower than before either: a hidden page's layout may not have caught up yet.
  const int base = std::max((layout()->minimumSize().width() * 100 + scale - 1) / scale,
                            width() * 100 / scale);
  theme::FixSize(this, std::max(base, kNarrowest), -1);
}

void CMeasureTuneWnd::showEvent(QShowEvent* event) {
  FitTables();
  CDialogWnd::showEvent(event);
}

void CMeasureTuneWnd::BrowseCalibration() {
  auto* main = qobject_cast<CMainWnd*>(parentWidget());
  if (main == nullptr) return;
  const auto path = main->Dialogs().GetOpenFileName("${tunewnd_cal_file}", "${tunewnd_cal_filter}");
  if (!path || path->empty()) return;
  calibration_path_ = *path;
  findChild<QLabel*>(QStringLiteral("tune_cal_name"))
      ->setText(QString::fromStdString(std::filesystem::path(*path).filename().string()));
  PushSetup();
}

void CMeasureTuneWnd::BrowseTargetFile() {
  auto* main = qobject_cast<CMainWnd*>(parentWidget());
  if (main == nullptr) return;
  const auto path = main->Dialogs().GetOpenFileName("${tunewnd_target_file}", "${tunewnd_target_filter}");
  if (!path || path->empty()) return;
  target_path_ = *path;
  ShowTargetChoice();
}

void CMeasureTuneWnd::OnNotify(const tolva::kit::ControlNotify& n) {
  if (n.type == msg::kItemSelect) {
    if (n.name == "tune_target_kind") {
      ShowTargetChoice();
    } else {
      PushSetup();
    }
    return;
  }
  if (n.type != msg::kClick) return;
  DebugPrint("measure window click %s\n", n.name.c_str());
  if (n.name == "tune_drop") {
    OpenRunsMenu(n.user_data);
    return;
  }
  if (n.name == "tune_check_level") {
    PushSetup();
    backend_->CheckLevel();
  } else if (n.name == "tune_measure") {
    Measure(false);
  } else if (n.name == "tune_add_position") {
    Measure(true);
  } else if (n.name == "tune_measure_pairs") {
    PushSetup();
    StartRuns(static_cast<int>(backend_->Pairs().size()));
    backend_->MeasurePairs();
  } else if (n.name == "tune_stop") {
    backend_->Stop();
    SetTips(QStringLiteral("${tunewnd_stopping}"));
  } else if (n.name == "tune_cal_browse") {
    BrowseCalibration();
  } else if (n.name == "tune_target_browse") {
    BrowseTargetFile();
  } else if (n.name == "tune_preview") {
    AskPreview();
  } else if (n.name == "tune_apply") {
    ApplyAccepted();
  } else if (n.name == "tune_ab") {
    SwitchAB();
  } else if (n.name == "tune_close" || n.name == "closebtn") {
    CloseWindow();
  }
  UpdateButtons();
}

void CMeasureTuneWnd::CloseWindow() {
  if (closed_) return;
  if (backend_->Busy()) {
    // The window goes once the worker has ended; it waits for nothing meanwhile.
    close_pending_ = true;
    backend_->Stop();
    SetTips(unit_left_ ? QStringLiteral("${tunewnd_unit_left_stopping}")
                       : QStringLiteral("${tunewnd_stopping}"),
            unit_left_);
    return;
  }
  closed_ = true;
  backend_->Close();  // every output's mute as it was
  if (main_graph_ != nullptr) {
    // The overlay stays: the installer refines by ear against it.
    main_graph_->update();
  }
  if (unit_left_) TellUnitLeft();
  done(0);
}

void CMeasureTuneWnd::OnUnitLeft(bool mid_run) {
  if (closed_) return;
  // As the room correction: nothing to measure or send without the unit. The mutes are back in
  // the live settings already; the window goes once any run has stopped.
  unit_left_ = true;
  unit_left_mid_run_ = unit_left_mid_run_ || mid_run;
  CloseWindow();
}

// In the main window's own notice of the unit leaving: the measurements are gone with this
// window, and a run's mutes may still be on the unit until its return sends the settings.
void CMeasureTuneWnd::TellUnitLeft() {
  tolva::ui::ShowUnitLeftNotice(parentWidget(), unit_left_mid_run_
                                                    ? QStringLiteral("${tunewnd_unit_left_mid_run}")
                                                    : QStringLiteral("${tunewnd_unit_left_closed}"));
}

void CMeasureTuneWnd::reject() {
  CloseWindow();
}
