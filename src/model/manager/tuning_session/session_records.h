#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "measure/analysis.h"
#include "measure/calibration.h"
#include "measure/measurement_run.h"
#include "model/autotune/alignment.h"
#include "model/autotune/auto_eq.h"
#include "model/autotune/target_curve.h"
#include "model/profile/profile.h"

// The plain values a measurement session hands the window: what to measure, how each
// measurement went, what to draw on the overlay, and the preview of a tune before it is sent.
namespace tolva::model {

// One run: an output alone, or the two outputs of a crossover together (lower first).
struct MeasureTarget {
  std::vector<int> outputs;
  bool operator==(const MeasureTarget&) const = default;
};

// How the laptop reaches the unit and the microphone. Playback channel k feeds the unit's input
// k + 1; the sweep plays on run.measured_channel, and each output measured must take that input
// in the live routing; the session mutes all the others. run.reference: kLoopback (a capture
// channel holds the played signal), kAcoustic (a chirp on run.reference_channel through
// reference_output, which stays unmuted) or kNone (arrivals then include the audio system's
// latency and delays are marked not reliable).
struct AudioSetup {
  std::string play_device;
  std::string record_device;
  measure::RunSettings run;
  int reference_output = -1;  // kAcoustic: the output that plays the chirp
  std::optional<measure::Calibration> calibration;
  measure::AnalysisOptions analysis;
  double meter_seconds = 0.5;  // the microphone listened to before each run; 0: not
};

// Why a measurement cannot support a decision, as the window shows it.
enum class Verdict {
  kUsable,
  kLowSnr,      // "${tune_low_snr}": below kMinSnrDb
  kClipped,     // "${tune_clipped}": the microphone clipped during the sweep
  kIncoherent,  // "${tune_incoherent}": repeated sweeps disagree (mean coherence below kMinCoherence)
  kFailed,      // the run gave no measurement; the reason says why
};
inline constexpr double kMinSnrDb = 20.0;
inline constexpr double kMinCoherence = 0.8;

struct MeasurementQuality {
  double snr_db = std::numeric_limits<double>::quiet_NaN();
  double coherence = 1.0;  // mean over the level band; 1 with one sweep
  bool clipped = false;
  double mic_idle_peak_dbfs = -300.0;  // before the sweep
  double recording_peak_dbfs = -300.0;
  int sweeps = 0;
};

struct SessionMeasurement {
  MeasureTarget target;
  int position = 0;  // microphone position of this target, from 0
  std::optional<measure::SweepMeasurement> result;
  MeasurementQuality quality;
  Verdict verdict = Verdict::kFailed;
  // A "${...}" key, empty when usable: "${tune_low_snr}", "${tune_clipped}",
  // "${tune_incoherent}", "${tune_failed}", "${tune_unit_left}", "${tune_mutes_unconfirmed}",
  // "${tune_mic_clips_idle}", "${tune_stopped}", "${tune_audio_failed}".
  std::string reason;
  std::string detail;  // the analysis's or audio system's own words (English), for the log
  // The measured outputs' settings while they played (delay, gain, bands, polarity, crossover).
  std::array<ChannelSettings, kOutputChannels> played{};
  // What dated the arrival; kAcoustic: the chirp through timing_output, whose own delay then
  // is in played, so that runs made while it changed still compare.
  measure::TimingReference reference = measure::TimingReference::kNone;
  int timing_output = -1;
  bool Usable() const { return verdict == Verdict::kUsable; }
};

// What the overlay draws for an output: its response at the seat as measured (every usable
// position alone, power-averaged, as it played) beside the curve its present settings predict
// (crossovers, bands and gain, as the main graph draws them), each on its own frequencies. The
// measurement is moved to the predicted curve's level over the output's passband.
struct OverlayCurve {
  std::vector<double> measured_freq, measured_db;
  std::vector<double> predicted_freq, predicted_db;
  // On predicted_freq: the curve of the settings the last position was measured with.
  std::vector<double> played_db;
  // On measured_freq: the measurement as the present settings would make it (measured, less
  // the settings it played with, plus the present ones); equal to measured_db until they change.
  std::vector<double> at_seat_db;
  int positions = 0;
  double level_db = 0.0;  // what was taken off the measurement
  bool Empty() const { return measured_freq.empty(); }
};

struct TuneChoices {
  autotune::TargetCurve target = autotune::FlatTarget();
  double max_boost_db = 6.0;  // 0: cuts only
  double low_hz = 20.0, high_hz = 20000.0;
};

// One output in the preview. fit.freq / before_db / after_db / target_db are the curves (the
// output as measured with its present bands, as predicted with the fit's, the target at its
// level), fit.before / fit.after the residual figures, fit.masked the ranges not boosted.
struct OutputPreview {
  int output = 0;
  // Linked outputs share one band table: the pair is fitted once from both sides' positions,
  // and both rows carry the same fit. -1: not linked.
  int partner = -1;
  autotune::OutputFit fit;
  std::string problem_key;  // "${tune_fit_failed}" when fit.problem is set (its words in fit)
  std::array<EqBand, kEqBands> bands_now{};
  bool bands_differ = false;  // the fit would change what the unit holds
  float delay_now_ms = 0.0f, delay_suggested_ms = 0.0f;
  bool delay_reliable = false;
  // The alignment's words, "${tune_delay_no_reference}", or "${tune_delay_mixed_reference}"
  // when the outputs were dated against different references.
  std::string delay_note;
  int gain_now_db = 0, gain_suggested_db = 0;
  bool inverted_now = false, inverted_suggested = false;  // from the crossover checks
};

struct TunePreview {
  TuneChoices choices;
  std::vector<OutputPreview> outputs;  // the outputs with a usable measurement, in order
  std::vector<autotune::CrossoverCheck> crossovers;
  std::vector<int> unusable;  // measured outputs left out: no usable measurement
};

// Which suggestions of an output the user accepted.
struct ApplyChoice {
  bool bands = true;
  bool delay = false;
  bool gain = false;
  bool polarity = false;
};

struct ApplyResult {
  bool applied = false;  // one step was recorded and its commands queued
  std::string reason;    // why not: "${tune_nothing_to_apply}", "${tune_busy}", "${tune_no_preview}", "${tune_declined}"
  std::size_t commands = 0;
  // The other A/B side holds the tune before the apply: CompareBefore switches to it.
  bool before_on_other_side = false;
};

}  // namespace tolva::model
