#include "model/manager/operations/auto_calibration.h"

#include "base/debug_print.h"
#include "device/link/exchange_tally.h"
#include "device/protocol/irc_records.h"
#include "dsp_math/response_math.h"

namespace tolva::model {
namespace {

constexpr int kPollPauseMs = 500;
constexpr double kRate = 48000.0;
constexpr int kSpectrumBlock = 9;

}  // namespace

std::string IrcStatusText(int status) {
  switch (status) {
    case 1:
      return "${detect_speaker}";
    case 2:
      return "${detect_level}";
    case 3:
      return "${detect_location}";
    case 4:
      return "${adjust_ch_volume}";  // the unit's own word for it was shown as it stands
    case 5:
      return "${compensate_eq}";
    case 6:
    case 9:
      return "${test_freq_response}";
    case 10:
    case 12:
      return "${irc_completed}";
    default:
      return {};
  }
}

std::string IrcFailureText(int code) {
  static constexpr const char* kTexts[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                                           "${irc_failed_speaker}",   "${irc_failed_delay}",
                                           "${irc_failed_ch_volume}", "${irc_failed_eq}"};
  return code >= 0 && code < 6 ? kTexts[code] : std::string();
}

AutoCalibration::AutoCalibration(device::DspLink& link,
                                 std::function<void(std::uint32_t, std::int64_t)> post,
                                 Clock& clock)
    : link_(link), post_(std::move(post)), clock_(clock) {
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    for (int b = 0; b < kEqBands; ++b) {
      correction_[ch][b] = EqBand{};
      correction_[ch][b].freq = kBandCentres[b];
    }
    for (int k = 0; k < kSpectrumPoints; ++k) {
      spectrum_[ch][k] = {0.0f, 20 + 19980 * k / kSpectrumPoints};
    }
    ComputeEqCurve(ch);
  }
}

AutoCalibration::~AutoCalibration() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

bool AutoCalibration::IsMeasurable(int role) {
  return role > 0 && role != 22 && role != 23 && role != 24;
}

void AutoCalibration::SetModule(int bit, bool on) {
  modules_ = on ? (modules_ | bit) : (modules_ & ~bit);
  DebugPrint(L"mIrcModel %02x\n", modules_);
}

void AutoCalibration::ComputeEqCurve(int output) {
  const dsp::Curve& grid = dsp::StandardEvaluator().grid();
  dsp::Curve& sum = eq_curves_[output];
  sum.fill(0.0);
  dsp::Curve band{};
  for (const EqBand& b : correction_[output]) {
    dsp::PeakingBandResponse(kRate, b.freq, b.eqGain, b.eqFactor, grid.data(), band.data(),
                             band.size());
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += band[i];
  }
}

bool AutoCalibration::IsWindingDown() const {
  const int status = status_.load();
  return running_ && (stop_ || status == device::kIrcDone || status == device::kIrcFailed ||
                      status == device::kIrcExit);
}

AutoCalibration::StartResult AutoCalibration::StartOrStop(int eq_mode, int channel_mask) {
  if (modules_ == 0) return StartResult::kNoModule;
  if (IsWindingDown()) return StartResult::kWindingDown;
  eq_mode_ = eq_mode;
  mask_ = channel_mask;
  DebugPrint(L"mIrcCh = 0x%x\n", mask_);
  decided_ = false;
  if (running_) {
    stop_ = true;
    completed_ = false;
    return StartResult::kStopping;
  }
  if (worker_.joinable()) worker_.join();  // it has ended: running_ is its last write but one
  status_ = 0;
  stop_ = false;
  skip_test_data_ = false;
  completed_ = false;
  running_ = true;
  worker_ = std::thread([this, run = RunSettings{modules_, mask_, eq_mode_}] { Run(run); });
  return StartResult::kStarted;
}

void AutoCalibration::Run(RunSettings run) {
  DebugPrint(L"AutoCalThread begin\n");
  // A request left unanswered, or a unit gone, ends the run as failed: a run measured in part
  // must never be offered for applying, and a gone unit must not be polled for ever.
  device::ExchangeTally tally;
  bool failed = !link_.IRC_Sel_Test_Module(run.modules) ||
                !link_.IRC_Ctrl(1, run.mask, run.eq_mode, true);
  int unanswered_polls = 0;
  while (!failed) {
    const int status = status_.load();
    if (status == device::kIrcDone || status == device::kIrcFailed || status == device::kIrcExit ||
        stop_) {
      break;
    }
    const bool answered = link_.IRC_Get();
    unanswered_polls = answered ? 0 : unanswered_polls + 1;
    if (tally.unit_gone() || unanswered_polls >= kMaxUnansweredPolls) {
      failed = true;
      break;
    }
    clock_.SleepMs(kPollPauseMs);
    // The report is applied on the window thread; what it set is read back here.
    if (answered && !FetchMeasurements(status_.load())) {
      failed = true;
      break;
    }
    clock_.SleepMs(kPollPauseMs);
  }
  // The stop goes out from here, so it never waits in the queue nor holds up the window.
  int end = kEndedByUnit;
  if (failed) {
    // Only a reply may have been lost: the unit could still be measuring.
    if (!tally.unit_gone()) link_.IRC_Ctrl(0, run.mask, run.eq_mode, true);
    end = kUnitUnanswered;
  } else if (stop_) {
    end = link_.IRC_Ctrl(0, run.mask, run.eq_mode, true) ? kStopAnswered : kStopUnanswered;
  }
  DebugPrint(L"AutoCalThread end, pwm->mIrcStatus=0x%x\n", status_.load());
  running_ = false;
  post_(kMsgRunEnded, end);
}

bool AutoCalibration::FetchMeasurements(int status) {
  switch (status) {
    case device::kIrcSpectrumReady: {
      const int ch = report_channel_.load();
      for (int band = 0; band + kSpectrumBlock <= 117; band += kSpectrumBlock) {
        if (!link_.IRC_Get_Spectrum(ch, band, band + kSpectrumBlock - 1)) return false;
      }
      return link_.IRC_Get_Spectrum(ch, 117, kSpectrumPoints - 1);
    }
    case device::kIrcEqReady: {
      const int ch = report_channel_.load();
      return link_.IRC_Get_EQ(ch, 0, 5) && link_.IRC_Get_EQ(ch, 6, 10);
    }
    case device::kIrcTestDataUpdate:
      if (skip_test_data_.exchange(false)) return true;
      [[fallthrough]];
    default:
      post_(kMsgProgress, progress_.load());
      return true;
  }
}

std::string AutoCalibration::OnRunEnded(std::int64_t run_end) {
  if (run_end == kUnitUnanswered) completed_ = false;
  return run_end == kUnitUnanswered || run_end == kStopUnanswered ? "${irc_cmd_failed}"
                                                                   : std::string();
}

AutoCalibration::Reaction AutoCalibration::OnReport(std::int64_t kind, std::int64_t value,
                                                    const device::NotificationRecord* record) {
  Reaction r;
  status_ = static_cast<int>(kind);
  if (stop_) return r;
  switch (kind) {
    case 0:
      r.progress = progress_ = static_cast<int>(value);
      break;
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      r.tips = IrcStatusText(static_cast<int>(kind));
      r.progress = progress_ = static_cast<int>(value);
      break;
    case device::kIrcSpectrumReady:
    case device::kIrcEqReady:
      report_channel_ = static_cast<int>(value);
      break;
    case device::kIrcTestDataUpdate:
      r.tips = "${test_freq_response}";
      skip_test_data_ = true;
      break;
    case device::kIrcDone:
    case device::kIrcExit:
      r.tips = "${irc_completed}";
      r.run_ended = true;
      completed_ = true;
      r.progress = progress_ = static_cast<int>(value);
      break;
    case device::kIrcFailed:
      r.run_ended = true;
      completed_ = false;
      r.tips = IrcFailureText(static_cast<int>(value));
      break;
    case device::kIrcDistance:
      if (const auto* d = dynamic_cast<const device::IrcDistanceReply*>(record)) {
        r.distance_channel = d->ch;
        r.distance = d->distance;
      }
      break;
    case device::kIrcEq:
      if (const auto* e = dynamic_cast<const device::IrcEqReply*>(record)) {
        DebugPrint(L"message DSP_IRC_EQ\n");
        if (e->ch < 0 || e->ch >= kOutputChannels || e->band < 0 || e->band >= kEqBands) break;
        EqBand& b = correction_[e->ch][e->band];
        b.freq = e->freq;
        b.eqFactor = e->q;
        b.eqGain = e->gain;
        DebugPrint(L"ch(%d), band(%d), freq=%d, Q=%1.2f, Gain=%.2f\n", e->ch, e->band, e->freq,
                   static_cast<double>(e->q), static_cast<double>(e->gain));
        if (e->band > 9) {
          DebugPrint(L"update EQ response\n");
          ComputeEqCurve(e->ch);
          r.eq_curve = e->ch;
          DebugPrint(L"update EQ response end\n");
        }
      }
      break;
    case device::kIrcSpectrum:
      if (const auto* s = dynamic_cast<const device::IrcSpectrumReply*>(record)) {
        if (s->ch < 0 || s->ch >= kOutputChannels || s->band < 0 || s->band >= kSpectrumPoints) {
          break;
        }
        spectrum_[s->ch][s->band] = {s->gain, static_cast<int>(s->freq)};
        if (s->band == kSpectrumPoints - 1) r.spectrum_curve = s->ch;
      }
      break;
    default:
      break;
  }
  return r;
}

std::string AutoCalibration::Save() {
  // A completed run can be decided while its worker winds down: it sends nothing more.
  if (!completed_ || decided_) return "${irc_start_tips}";
  if (!link_.IRC_Ctrl(2, mask_, eq_mode_, false)) return "${irc_cmd_failed}";
  decided_ = true;
  return "${irc_applyed}";
}

std::string AutoCalibration::Cancel() {
  if (!completed_ || decided_) return "${irc_start_tips}";
  if (!link_.IRC_Ctrl(3, mask_, eq_mode_, false)) return "${irc_cmd_failed}";
  decided_ = true;
  return "${irc_canceled}";
}

AutoCalibration::Outcome AutoCalibration::Close(const std::function<bool()>& ask_apply) {
  if (worker_.joinable()) worker_.join();
  Outcome out{0, false, mask_, eq_mode_};
  if (decided_) {
    out.result = 1;
  } else if (completed_ && ask_apply()) {
    out.result = 1;
    out.apply_owed = true;
  } else if (!link_.IRC_Ctrl(3, mask_, eq_mode_, false)) {
    DebugPrint(L"IRC cancel not sent: the link takes no commands\n");
  }
  return out;
}

}  // namespace tolva::model
