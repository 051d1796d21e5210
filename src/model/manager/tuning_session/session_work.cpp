#include "model/manager/tuning_session/session_work.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <utility>

#include "measure/input_meter.h"
#include "model/autotune/passband.h"
#include "model/autotune/tune_session.h"
#include "model/fitting/band_fitter.h"
#include "model/profile/channel_curves.h"
#include "model/profile/polarity.h"

namespace tolva::model::session_work {
namespace {

using Stage = MeasurementSession::Stage;

double PeakDbfs(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  return peak > 0.0f ? 20.0 * std::log10(peak) : -300.0;
}

// The bands an output played while measured: their response is in the measurement.
std::vector<EqBand> BandsPlayed(const ChannelSettings& ch) {
  if (ch.bypass != 0) return {};
  return {ch.eqArray.begin(), ch.eqArray.begin() + std::clamp(ch.eqSize, 0, kEqBands)};
}

bool Alone(const SessionMeasurement& m, int output) {
  return m.Usable() && m.target.outputs.size() == 1 && m.target.outputs[0] == output;
}

// The arrival against what dated it, made comparable between runs: an acoustic reference's
// chirp came through its output's own delay, which may have changed between runs.
double ComparableArrival(const SessionMeasurement& m) {
  const bool chirp = m.reference == measure::TimingReference::kAcoustic && m.timing_output >= 0 &&
                     m.timing_output < kOutputChannels;
  return m.result->arrival_ms + (chirp ? m.played[m.timing_output].delay : 0.0);
}

int PartnerIn(const Profile& p, int output) {
  if (p.linkMode != 1) return -1;
  const int partner = p.linkOutputs[output];
  return partner >= 0 && partner < kOutputChannels && partner != output ? partner : -1;
}

}  // namespace

RunFinding PlayAndAnalyse(const AudioSetup& setup, audio::AudioInterface& audio,
                          const std::function<bool()>& stopped,
                          const std::function<void(Stage)>& progress) {
  RunFinding f;
  const measure::RunSettings& run = setup.run;
  const double rate = run.sweep.rate;
  if (setup.meter_seconds > 0.0) {
    progress(Stage::kListening);
    measure::InputMeter meter(run.capture_channels);
    if (std::string e = audio.Listen(setup.record_device, run.capture_channels, rate,
                                     setup.meter_seconds, meter);
        !e.empty()) {
      f.reason = "${tune_audio_failed}";
      f.detail = std::move(e);
      return f;
    }
    const measure::InputLevel level = meter.Levels()[static_cast<std::size_t>(run.mic_channel)];
    f.quality.mic_idle_peak_dbfs = level.peak_dbfs;
    // A microphone that clips with nothing playing spoils every sweep.
    if (level.clipping) {
      f.reason = "${tune_mic_clips_idle}";
      return f;
    }
  }
  if (stopped()) return f;
  progress(Stage::kPlaying);
  const measure::RunPlan plan = measure::PlanRun(run);
  const audio::Recorded recorded = audio.PlayAndRecord(
      {setup.play_device, setup.record_device, rate, plan.play, run.capture_channels,
       plan.tail_seconds});
  if (!recorded.error.empty()) {
    f.reason = "${tune_audio_failed}";
    f.detail = recorded.error;
    return f;
  }
  if (stopped()) return f;
  progress(Stage::kAnalysing);
  const auto mic = static_cast<std::size_t>(run.mic_channel);
  if (mic < recorded.channels.size()) {
    f.quality.recording_peak_dbfs = PeakDbfs(recorded.channels[mic]);
    f.quality.clipped = measure::IsClipped(recorded.channels[mic]);
  }
  if (f.quality.clipped) return f;
  const measure::RunResult result =
      measure::AnalyzeRun(plan, recorded.channels, rate, setup.analysis,
                          setup.calibration ? &*setup.calibration : nullptr, recorded.capture_lead);
  if (!result.measurement) {
    f.reason = "${tune_failed}";
    f.detail = result.error;
    return f;
  }
  f.result = result.measurement;
  f.quality.snr_db = result.measurement->snr_db;
  f.quality.coherence = result.measurement->coherence;
  f.quality.sweeps = result.measurement->sweeps;
  return f;
}

void Judge(SessionMeasurement& m) {
  if (m.quality.clipped) {
    m.verdict = Verdict::kClipped;
    m.reason = "${tune_clipped}";
  } else if (!m.reason.empty() || !m.result) {
    m.verdict = Verdict::kFailed;
    if (m.reason.empty()) m.reason = "${tune_failed}";
  } else if (std::isfinite(m.quality.snr_db) && m.quality.snr_db < kMinSnrDb) {
    m.verdict = Verdict::kLowSnr;
    m.reason = "${tune_low_snr}";
  } else if (m.quality.sweeps > 1 && m.quality.coherence < kMinCoherence) {
    m.verdict = Verdict::kIncoherent;
    m.reason = "${tune_incoherent}";
  } else {
    m.verdict = Verdict::kUsable;
    m.reason.clear();
  }
}

TunePreview ComputeTune(const std::vector<SessionMeasurement>& measurements, const Profile& live,
                        const TuneChoices& choices) {
  TunePreview preview;
  preview.choices = choices;
  autotune::AutoEqOptions options;
  options.target = choices.target;
  options.max_boost_db = choices.max_boost_db;
  options.low_hz = choices.low_hz;
  options.high_hz = choices.high_hz;

  // The alignment takes each output as it played when measured (its delay, gain and polarity
  // then); the bands are judged against what it holds now.
  auto basis = std::make_unique<Profile>(live);
  autotune::SessionInput input;
  // Arrivals dated against different references (none, the loopback, one chirp or another)
  // do not compare.
  std::optional<std::pair<measure::TimingReference, int>> dated_by;
  bool mixed = false;
  for (int o = 0; o < kOutputChannels; ++o) {
    autotune::OutputMeasurements om;
    om.output = o;
    om.snr_db = std::numeric_limits<double>::infinity();
    const SessionMeasurement* last = nullptr;
    bool tried = false;
    for (const SessionMeasurement& m : measurements) {
      tried = tried || (m.target.outputs.size() == 1 && m.target.outputs[0] == o);
      if (!Alone(m, o)) continue;
      om.positions.push_back(m.result->response);
      om.arrival_ms += ComparableArrival(m);
      const std::pair reference{m.reference, m.timing_output};
      mixed = mixed || (dated_by && *dated_by != reference);
      dated_by = reference;
      om.snr_db = std::min(om.snr_db, m.result->snr_db);
      last = &m;
    }
    if (last == nullptr) {
      if (tried) preview.unusable.push_back(o);
      continue;
    }
    om.arrival_ms /= static_cast<double>(om.positions.size());
    const ChannelSettings& played = last->played[o];
    om.playing = BandsPlayed(played);
    ChannelSettings& ch = basis->channels[o];
    ch.delay = played.delay;
    ch.gain = played.gain;
    ch.phase = played.phase;
    input.outputs.push_back(std::move(om));
  }
  for (const SessionMeasurement& m : measurements) {
    if (m.Usable() && m.target.outputs.size() == 2) {
      const auto [a, b] = std::minmax(m.target.outputs[0], m.target.outputs[1]);
      input.together[{a, b}].push_back(m.result->response);
    }
  }
  for (const autotune::OutputMeasurements& om : input.outputs) {
    const int partner = PartnerIn(live, om.output);
    if (partner > om.output) input.linked.emplace_back(om.output, partner);
  }
  const autotune::SessionResult r = autotune::ComputeSession(input, *basis, options);

  std::map<int, std::size_t> row_of;
  for (std::size_t i = 0; i < input.outputs.size(); ++i) {
    const int o = input.outputs[i].output;
    const ChannelSettings& now = live.channels[o];
    OutputPreview op;
    op.output = o;
    op.partner = PartnerIn(live, o);
    op.fit = r.fits[i];
    op.bands_now = now.eqArray;
    op.delay_now_ms = op.delay_suggested_ms = now.delay;
    op.gain_now_db = op.gain_suggested_db = now.gain;
    op.inverted_now = op.inverted_suggested = PolarityInverted(now.phase);
    row_of[o] = preview.outputs.size();
    preview.outputs.push_back(std::move(op));
  }
  for (OutputPreview& op : preview.outputs) {
    if (!op.fit.problem.empty()) op.problem_key = "${tune_fit_failed}";
    op.bands_differ = op.fit.problem.empty() && op.fit.Changed();
  }
  const bool untimed = !dated_by || dated_by->first == measure::TimingReference::kNone;
  for (const autotune::DelaySuggestion& d : r.alignment.delays) {
    if (!row_of.contains(d.output)) continue;
    OutputPreview& op = preview.outputs[row_of[d.output]];
    op.delay_suggested_ms = d.delay_ms;
    op.delay_reliable = d.reliable && !untimed && !mixed;
    op.delay_note = mixed     ? "${tune_delay_mixed_reference}"
                    : untimed ? "${tune_delay_no_reference}"
                              : d.note;
  }
  for (const autotune::GainSuggestion& g : r.alignment.gains) {
    if (row_of.contains(g.output)) preview.outputs[row_of[g.output]].gain_suggested_db = g.gain_db;
  }
  // A linked pair plays one gain: the one between the two suggestions.
  for (OutputPreview& op : preview.outputs) {
    const auto partner = row_of.find(op.partner);
    if (partner == row_of.end() || op.partner < op.output) continue;
    OutputPreview& other = preview.outputs[partner->second];
    const int shared = static_cast<int>(
        std::lround((op.gain_suggested_db + other.gain_suggested_db) / 2.0));
    op.gain_suggested_db = other.gain_suggested_db = shared;
  }
  for (const autotune::CrossoverCheck& c : r.crossovers) {
    if (c.verdict != autotune::CrossoverCheck::Verdict::kInverted) continue;
    const int high = c.pair.high_output;
    if (row_of.contains(high)) {
      preview.outputs[row_of[high]].inverted_suggested =
          !PolarityInverted(basis->channels[high].phase);
    }
  }
  for (const autotune::CrossoverCheck& c : r.crossovers) {
    if (live.outputs[c.pair.low_output] > 0 && live.outputs[c.pair.high_output] > 0) {
      preview.crossovers.push_back(c);
    }
  }
  return preview;
}

void MeasuredOverlay(const std::vector<SessionMeasurement>& measurements, int output,
                     const Profile& live, OverlayCurve& overlay) {
  std::vector<measure::Response> positions;
  const SessionMeasurement* last = nullptr;
  for (const SessionMeasurement& m : measurements) {
    if (!Alone(m, output)) continue;
    positions.push_back(m.result->response);
    last = &m;
  }
  overlay.positions = static_cast<int>(positions.size());
  if (last == nullptr) return;
  const Crossover& crossover = live.channels[output].crossover;
  const std::vector<double> grid = autotune::FitGrid({});
  const autotune::SeatResponse seat = autotune::CombinePositions(positions, grid);
  double offset = autotune::PassbandMean(seat.freq, seat.db, crossover) -
                  autotune::PassbandMean(overlay.predicted_freq, overlay.predicted_db, crossover);
  if (!std::isfinite(offset)) offset = 0.0;
  overlay.level_db = offset;

  auto played = std::make_unique<Profile>(live);
  played->channels[output] = last->played[output];
  dsp::ChannelCurves curves;
  ComputeChannelCurves(*played, output, curves);
  const dsp::Curve& freq = dsp::StandardEvaluator().grid();
  const double gain = last->played[output].gain;
  for (std::size_t i = 0; i < freq.size(); ++i) {
    if (freq[i] >= 20.0 && freq[i] <= 20000.0) overlay.played_db.push_back(curves.total[i] + gain);
  }
  for (std::size_t i = 0; i < seat.freq.size(); ++i) {
    if (!std::isfinite(seat.db[i])) continue;
    const double f = seat.freq[i];
    const double change =
        autotune::LevelAt(overlay.predicted_freq, overlay.predicted_db, f, true) -
        autotune::LevelAt(overlay.predicted_freq, overlay.played_db, f, true);
    overlay.measured_freq.push_back(f);
    overlay.measured_db.push_back(seat.db[i] - offset);
    overlay.at_seat_db.push_back(seat.db[i] - offset + change);
  }
}

}  // namespace tolva::model::session_work
