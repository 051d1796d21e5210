#include "ui/windows/auto_cal_wnd.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "base/debug_print.h"
#include "device/link/dsp_link.h"
#include "device/protocol/records.h"
#include "model/manager/equalizer_manager.h"
#include "ui/controls/ui_equalizer_ac.h"
#include "ui/kit/widgets/circle_progress.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/qt/qt_text.h"
#include "ui/kit/qt/qt_window_sink.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/kit/widgets/theme.h"
#include "ui/windows/msg_wnd.h"
#include "ui/main/widget_builders.h"

namespace {

namespace msg = tolva::kit::msgtype;
using tolva::curves::UIEqualizerAc;
using tolva::kit::CCircleProgressUI;
using tolva::kit::CSButtonUI;
using tolva::model::AutoCalibration;
using tolva::model::kOutputChannels;
using tolva::ui::MakeButton;
using tolva::ui::MakeLabel;
using tolva::ui::MakeOption;
using tolva::ui::ShowChoiceDialog;

constexpr int kAudioEffects = 9;

QString Indexed(const char* stem, int i) {
  return QString::fromLatin1(stem) + QString::number(i);
}

QPointer<CAutoCalWnd>& OpenWindow() {
  static QPointer<CAutoCalWnd> window;
  return window;
}

}  // namespace

CAutoCalWnd::CAutoCalWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
                         tolva::Clock& clock)
    : CDialogWnd(owner, "autocalwnd", "AutoCalWnd"), manager_(manager) {
  SetTitle(QStringLiteral("${auto_cal}"));
  // The top band is the run's state: its ring and its latest text.
  QFrame* band =
      tolva::ui::MakeStatusBand(this, QStringLiteral("tips"), QStringLiteral("${irc_ready}"));
  band->setObjectName(QStringLiteral("irc_status_band"));
  Content()->addWidget(band);

  auto* graph = new UIEqualizerAc(this);
  graph->setObjectName(QStringLiteral("equalizer_ac"));
  graph->setMinimumSize(tolva::kit::theme::Scaled(owner, 560),
                        tolva::kit::theme::Scaled(owner, 220));
  // The words of the two option buttons that show the curves.
  graph->SetLegendTexts(tolva::kit::Resolve(QStringLiteral("${display_eq}")),
                        tolva::kit::Resolve(QStringLiteral("${display_spk}")));
  Content()->addWidget(graph, 1);

  // One row per choice, its name in a first column of equal width.
  auto* choices = new QGridLayout();
  tolva::kit::theme::SetLayoutMetrics(choices, 0, 6);
  auto row_label = [this, choices](int row, const char* name, const char* raw) {
    QLabel* label = MakeLabel(this, QString::fromLatin1(name), QString::fromLatin1(raw));
    choices->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
  };
  auto row_of = [choices](int row) {
    auto* line = new QHBoxLayout();
    tolva::kit::theme::SetLayoutMetrics(line, 0, 6);
    choices->addLayout(line, row, 1);
    return line;
  };
  row_label(0, "irc_outputs_label", "${irc_outputs}");
  QHBoxLayout* outputs = row_of(0);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    outputs->addWidget(MakeOption(this, Indexed("ch_checkbox_", ch),
                                  QStringLiteral("CH%1").arg(ch + 1), 56, 26, ch));
    QLabel* distance = MakeLabel(this, QStringLiteral("ch_%1: ").arg(ch), QString(), "caption");
    distance->hide();
    outputs->addWidget(distance);
  }
  outputs->addStretch(1);
  row_label(1, "audio_effect_label", "${audio_effect}");
  QHBoxLayout* effects = row_of(1);
  for (int i = 0; i < kAudioEffects; ++i) {
    effects->addWidget(
        MakeOption(this, Indexed("audio_effect_", i), QString::number(i + 1), 34, 26, i));
  }
  effects->addStretch(1);
  row_label(2, "irc_correct_label", "${irc_correct}");
  QHBoxLayout* options = row_of(2);
  for (const char* name : {"irc_eq", "irc_delay", "irc_phase"}) {
    options->addWidget(
        MakeOption(this, QString::fromLatin1(name), QStringLiteral("${%1}").arg(name), 84, 26));
  }
  options->addSpacing(tolva::kit::theme::Scaled(owner, 18));
  options->addWidget(
      MakeLabel(this, QStringLiteral("irc_show_label"), QStringLiteral("${irc_show}")));
  for (const char* name : {"display_eq", "display_spk"}) {
    options->addWidget(
        MakeOption(this, QString::fromLatin1(name), QStringLiteral("${%1}").arg(name), 96, 26));
  }
  options->addStretch(1);
  choices->setColumnStretch(1, 1);
  Content()->addLayout(choices);
  AddButton("start_auto_cal", QStringLiteral("${start_irc}"));
  AddButton("irc_save_data", QStringLiteral("${irc_save_data}"));
  AddButton("irc_cancel_data", QStringLiteral("${irc_cancel_data}"));
  FinishLayout();
  tolva::kit::theme::FixSize(this, 660, -1);

  sink_ = tolva::kit::QtWindowSink::Create(
      this, [this](tolva::device::Notification& n) { OnMessage(n); });
  calibration_ = std::make_unique<AutoCalibration>(
      manager_.Link(),
      [sink = sink_](std::uint32_t message, std::int64_t p) { sink->Post(message, p, 0); }, clock);

  tolva::kit::ControlSurface& s = Surface();
  for (const char* name : {"irc_eq", "irc_delay", "irc_phase", "display_eq", "display_spk"}) {
    if (auto* o = s.FindOption(name)) o->SetSelected(true);
  }
  const tolva::model::Profile& live = manager_.LiveProfile();
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const int role = live.outputs[ch];
    measurable_[ch] = AutoCalibration::IsMeasurable(role);
    auto* box = findChild<CSButtonUI*>(Indexed("ch_checkbox_", ch));
    box->setVisible(true);
    box->SetSelected(measurable_[ch]);
    box->setEnabled(measurable_[ch]);
    if (role >= 22 && role <= 24) {
      box->setToolTip(tolva::kit::Resolve(QStringLiteral("${irc_subwoof_not_test}")));
    }
  }
  ShowEqCurves();
  ShowSpectrumCurves();
  UpdateDecisionButtons();
  manager_.Link().SetNotificationSink(tolva::device::TargetWindow::kCalibration, sink_.get());
  OpenWindow() = this;  // so a disconnect can close it
}

CAutoCalWnd::~CAutoCalWnd() {
  manager_.Link().SetNotificationSink(tolva::device::TargetWindow::kCalibration, nullptr);
  calibration_.reset();  // stops and waits for the worker
}

bool CAutoCalWnd::IsChecked(const char* name) const {
  const auto* option = findChild<CSButtonUI*>(QString::fromLatin1(name));
  return option != nullptr && option->isChecked();
}

void CAutoCalWnd::UpdateDecisionButtons() {
  // Apply and Discard act on a finished run's result only: not during a run, not before one,
  // and not once it has been decided.
  const bool open = !calibration_->IsRunning() && calibration_->IsCompleted() &&
                    !calibration_->IsDecided();
  for (const char* name : {"irc_save_data", "irc_cancel_data"}) {
    if (auto* button = findChild<QWidget*>(QString::fromLatin1(name))) button->setEnabled(open);
  }
}

void CAutoCalWnd::SetTips(const std::string& raw) {
  tolva::kit::SetWidgetText(findChild<QLabel*>(QStringLiteral("tips")),
                            QString::fromStdString(raw));
}

void CAutoCalWnd::ShowEqCurves() {
  const auto& grid = tolva::dsp::StandardEvaluator().grid();
  std::array<tolva::curves::CurveData, kOutputChannels> curves{};
  const bool shown = IsChecked("display_eq");
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    curves[ch].frequencies = std::span<const double>(grid);
    curves[ch].values = std::span<const double>(calibration_->EqCurve(ch));
    curves[ch].shown =
        shown && measurable_[ch] && IsChecked(Indexed("ch_checkbox_", ch).toLatin1());
  }
  findChild<UIEqualizerAc*>(QStringLiteral("equalizer_ac"))->SetCompensationCurves(curves);
}

void CAutoCalWnd::ShowSpectrumCurves() {
  std::array<tolva::curves::CurveData, kOutputChannels> curves{};
  const bool shown = IsChecked("display_spk");
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    const auto& points = calibration_->Spectrum(ch);
    for (std::size_t k = 0; k < points.size(); ++k) {
      spectrum_freq_[ch][k] = points[k].freq;
      spectrum_gain_[ch][k] = points[k].gain;
    }
    curves[ch].frequencies = std::span<const double>(spectrum_freq_[ch]);
    curves[ch].values = std::span<const double>(spectrum_gain_[ch]);
    curves[ch].shown =
        shown && measurable_[ch] && IsChecked(Indexed("ch_checkbox_", ch).toLatin1());
  }
  findChild<UIEqualizerAc*>(QStringLiteral("equalizer_ac"))->SetMeasurementCurves(curves);
}

void CAutoCalWnd::OnStart() {
  int eq_mode = 0;
  for (int i = 0; i < kAudioEffects && eq_mode == 0; ++i) {
    if (IsChecked(Indexed("audio_effect_", i).toLatin1())) eq_mode = i + 1;
  }
  int mask = 0;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    if (IsChecked(Indexed("ch_checkbox_", ch).toLatin1())) mask |= 1 << ch;
  }
  auto* start = findChild<CSButtonUI*>(QStringLiteral("start_auto_cal"));
  auto* close = findChild<QWidget*>(QStringLiteral("closebtn"));
  switch (calibration_->StartOrStop(eq_mode, mask)) {
    case AutoCalibration::StartResult::kNoModule:
      ShowChoiceDialog(this, QStringLiteral("${tips}"),
                       QStringLiteral("${irc_option_warning_tips}"),
                       {QStringLiteral("${confirm}")});
      break;
    case AutoCalibration::StartResult::kStopping:
      // Start comes back once the worker has sent the stop and ended; close works meanwhile.
      close->setEnabled(true);
      tolva::kit::SetWidgetText(start, QStringLiteral("${start_irc}"));
      start->setEnabled(false);
      SetTips("${irc_stoped}");
      break;
    case AutoCalibration::StartResult::kWindingDown:
      break;
    case AutoCalibration::StartResult::kStarted:
      tolva::kit::SetWidgetText(start, QStringLiteral("${stop}"));
      SetTips("${start_irc_tips}");
      close->setEnabled(false);
      break;
  }
  UpdateDecisionButtons();
}

void CAutoCalWnd::OnRunEnded(std::int64_t run_end) {
  const std::string tips = calibration_->OnRunEnded(run_end);
  if (!tips.empty()) SetTips(tips);
  auto* start = findChild<CSButtonUI*>(QStringLiteral("start_auto_cal"));
  tolva::kit::SetWidgetText(start, QStringLiteral("${start_irc}"));
  start->setEnabled(true);
  findChild<QWidget*>(QStringLiteral("closebtn"))->setEnabled(true);
  UpdateDecisionButtons();
  if (close_pending_) FinishClose();
}

void CAutoCalWnd::OnMessage(tolva::device::Notification& n) {
  auto* progress = findChild<CCircleProgressUI*>(QStringLiteral("progress"));
  if (n.message == AutoCalibration::kMsgProgress) {
    progress->SetValue(static_cast<int>(n.param));
    return;
  }
  if (n.message == AutoCalibration::kMsgRunEnded) {
    OnRunEnded(n.param);
    return;
  }
  if (n.message != tolva::device::MSG_IRC_VALUE) return;
  const AutoCalibration::Reaction r = calibration_->OnReport(n.param, n.value, n.record.get());
  if (!r.tips.empty()) SetTips(r.tips);
  if (r.progress >= 0) progress->SetValue(r.progress);
  if (r.run_ended) {
    auto* start = findChild<CSButtonUI*>(QStringLiteral("start_auto_cal"));
    tolva::kit::SetWidgetText(start, QStringLiteral("${start_irc}"));
    // A click before the worker has ended would be taken for a stop: it comes back then.
    start->setEnabled(!calibration_->IsRunning());
    findChild<QWidget*>(QStringLiteral("closebtn"))->setEnabled(true);
  }
  if (r.distance_channel >= 0 && r.distance_channel < kOutputChannels) {
    auto* label = findChild<QLabel*>(QStringLiteral("ch_%1: ").arg(r.distance_channel));
    label->setText(QString::asprintf("%f", static_cast<double>(r.distance)));
    label->setVisible(true);
  }
  if (r.eq_curve >= 0) ShowEqCurves();
  if (r.spectrum_curve >= 0) ShowSpectrumCurves();
  UpdateDecisionButtons();
}

void CAutoCalWnd::OnNotify(const tolva::kit::ControlNotify& n) {
  if (n.type == msg::kSelectChanged) {
    DebugPrint("on option %s DUI_MSGTYPE_SELECTCHANGED index ", n.name.c_str());
    DebugPrint(L"%d\n", n.user_data);
    const bool on = IsChecked(n.name.c_str());
    if (n.name == "irc_eq") calibration_->SetModule(1, on);
    if (n.name == "irc_delay") calibration_->SetModule(2, on);
    if (n.name == "irc_phase") calibration_->SetModule(4, on);
    if (n.name == "display_eq" || n.name.rfind("ch_checkbox_", 0) == 0) ShowEqCurves();
    if (n.name == "display_spk" || n.name.rfind("ch_checkbox_", 0) == 0) ShowSpectrumCurves();
    return;
  }
  if (n.type != msg::kClick) return;
  if (n.name == "start_auto_cal") {
    OnStart();
  } else if (n.name == "irc_save_data") {
    SetTips(calibration_->Save());
    UpdateDecisionButtons();
  } else if (n.name == "irc_cancel_data") {
    SetTips(calibration_->Cancel());
    UpdateDecisionButtons();
  } else if (n.name == "closebtn") {
    CloseWindow();
  }
}

void CAutoCalWnd::CloseWindow() {
  if (closed_) return;
  if (calibration_->IsRunning()) {
    // During a run the close button is disabled and Escape does nothing; once the run has
    // ended or was stopped, the window closes as soon as its worker is through.
    if (calibration_->IsWindingDown()) close_pending_ = true;
    return;
  }
  FinishClose();
}

void CAutoCalWnd::FinishClose() {
  if (closed_) return;
  if (abandoned_) {
    closed_ = true;
    outcome_ = {};
    done(0);
    return;
  }
  // An undecided result is asked about with three answers: Cancel keeps the window open with
  // the result still undecided, rather than discarding it unsaid.
  bool apply = false;
  if (calibration_->IsCompleted() && !calibration_->IsDecided()) {
    const int answer = ShowChoiceDialog(
        this, QStringLiteral("${tips}"), QStringLiteral("${irc_apply_tips}"),
        {QStringLiteral("${irc_save_data}"), QStringLiteral("${cancel}"),
         QStringLiteral("${irc_cancel_data}")});
    if (closed_) return;  // the unit went while the question was up
    if (answer == tolva::kit::kResultCancel) {
      close_pending_ = false;
      return;
    }
    apply = answer == tolva::kit::kResultConfirm;
  }
  const AutoCalibration::Outcome outcome = calibration_->Close([apply] { return apply; });
  if (closed_) return;  // the unit went while the question was up
  closed_ = true;
  outcome_ = outcome;
  done(outcome.result);
}

void CAutoCalWnd::CloseForDisconnect() {
  abandoned_ = true;
  calibration_->RequestStop();
  if (calibration_->IsRunning()) {
    close_pending_ = true;
    return;
  }
  FinishClose();
}

void CAutoCalWnd::reject() {
  CloseWindow();
}

AutoCalibration::Outcome ShowAutoCalWindow(QWidget* owner,
                                           tolva::model::EqualizerManager& manager) {
  CAutoCalWnd window(owner, manager);
  // A window of its own, so it stays up while its owner is minimised.
  window.setParent(nullptr, window.windowFlags());
  QWidget* main = owner != nullptr ? owner->window() : nullptr;
  if (main != nullptr) main->showMinimized();
  window.Run();
  if (main != nullptr) main->showNormal();
  return window.Result();
}

void CloseOpenCalibrationWindow() {
  if (CAutoCalWnd* window = OpenWindow()) window->CloseForDisconnect();
}
