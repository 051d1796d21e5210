#include "measure/analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tolva::measure {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A converter's full scale as a float file holds it; 16-bit PCM tops out at 32767/32768.
constexpr float kFullScale = 0.999f;
constexpr std::size_t kClippedRun = 3;
// Below -100 dBFS nothing was recorded: a muted or unplugged input.
constexpr float kSilence = 1e-5f;
// An impulse that stands less than this far out of the deconvolved noise is no sweep.
constexpr double kFoundPeakToNoiseDb = 25.0;
constexpr double kQuietMarginSeconds = 0.05;
constexpr double kMinQuietSeconds = 0.1;
constexpr double kDecaySeconds = 0.3;

double MeanSquare(std::span<const float> x, std::size_t from, std::size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return kNaN;
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
  return sum / static_cast<double>(to - from);
}

// The recording during the sweep against its quiet part: before the sweep arrived, or else
// after it and the cabin's decay.
double SignalToNoiseDb(const Sweep& sweep, std::span<const float> recording, double arrival_s) {
  const double rate = sweep.rate;
  const double onset = static_cast<double>(sweep.sweep_start) + arrival_s * rate;
  const double end = onset + static_cast<double>(sweep.sweep_length);
  double noise = kNaN;
  const double quiet_end = onset - kQuietMarginSeconds * rate;
  if (quiet_end >= kMinQuietSeconds * rate) {
    noise = MeanSquare(recording, 0, static_cast<std::size_t>(quiet_end));
  } else if (const double tail = end + kDecaySeconds * rate;
             tail + kMinQuietSeconds * rate <= static_cast<double>(recording.size())) {
    noise = MeanSquare(recording, static_cast<std::size_t>(tail), recording.size());
  }
  const double signal = MeanSquare(recording, static_cast<std::size_t>(std::max(0.0, onset)),
                                   static_cast<std::size_t>(std::max(0.0, end)));
  if (std::isnan(noise) || std::isnan(signal)) return kNaN;
  if (noise <= 0.0) return 200.0;
  return 10.0 * std::log10(std::max(signal - noise, noise * 1e-3) / noise);
}

std::vector<double> GridOf(const Sweep& sweep, const AnalysisOptions& options) {
  return LogGrid(sweep.start_hz, std::min(sweep.end_hz, sweep.rate / 2.0),
                 options.points_per_octave);
}

// Complex mean over responses on one grid, with |mean|²/mean|·|² as the coherence.
Response AverageOnGrid(std::span<const Response> responses) {
  Response out = responses.front();
  if (responses.size() == 1) return out;
  out.coherence.assign(out.freq.size(), 0.0);
  for (std::size_t i = 0; i < out.freq.size(); ++i) {
    std::complex<double> sum = 0.0;
    double power = 0.0;
    for (const Response& r : responses) {
      const double a = std::pow(10.0, r.db[i] / 20.0);
      sum += std::polar(a, r.phase_deg[i] * std::numbers::pi / 180.0);
      power += a * a;
    }
    const double n = static_cast<double>(responses.size());
    const std::complex<double> mean = sum / n;
    out.db[i] = 10.0 * std::log10(std::max(std::norm(mean), 1e-30));
    out.phase_deg[i] = std::arg(mean) * 180.0 / std::numbers::pi;
    out.coherence[i] = power > 0.0 ? std::clamp(std::norm(mean) / (power / n), 0.0, 1.0) : 0.0;
  }
  return out;
}

DenseSpectrum AverageDense(std::span<const SweepCapture> captures) {
  DenseSpectrum out;
  out.bin_hz = captures.front().spectrum.bin_hz;
  const std::size_t bins = captures.front().spectrum.bins.size();
  out.bins.assign(bins, 0.0);
  out.mean_power.assign(bins, 0.0);
  for (const SweepCapture& c : captures) {
    for (std::size_t k = 0; k < bins; ++k) {
      out.bins[k] += c.spectrum.bins[k];
      out.mean_power[k] += std::norm(c.spectrum.bins[k]);
    }
  }
  const double n = static_cast<double>(captures.size());
  for (std::size_t k = 0; k < bins; ++k) {
    out.bins[k] /= n;
    out.mean_power[k] /= n;
  }
  return out;
}

}  // namespace

bool IsClipped(std::span<const float> recording) {
  std::size_t run = 0;
  for (const float v : recording) {
    const float a = std::fabs(v);
    if (a > 1.0f) return true;
    run = a >= kFullScale ? run + 1 : 0;
    if (run >= kClippedRun) return true;
  }
  return false;
}

std::string RecordingProblem(const Sweep& sweep, std::span<const float> recording, double rate) {
  if (rate != sweep.rate) {
    return "the recording's rate is " + std::to_string(std::lround(rate)) + " Hz, the sweep's " +
           std::to_string(std::lround(sweep.rate)) + " Hz";
  }
  if (recording.size() < sweep.sweep_length) {
    return "the recording (" + std::to_string(recording.size()) +
           " samples) is shorter than the sweep (" + std::to_string(sweep.sweep_length) + ")";
  }
  if (IsClipped(recording))
    return "the recording is clipped: lower the level or the microphone's gain";
  float peak = 0.0f;
  for (const float v : recording) peak = std::max(peak, std::fabs(v));
  if (!(peak >= kSilence)) return "the recording is silent";
  return {};
}

CaptureResult CaptureSweep(const Deconvolver& deconvolver, std::span<const float> recording,
                           const AnalysisOptions& options) {
  const Sweep& sweep = deconvolver.sweep();
  CaptureResult result;
  SweepCapture c;
  c.ir = deconvolver.Deconvolve(recording);
  // A recording that started late shows the path at negative lags, down to minus the leading
  // silence; before that lie the harmonics.
  const double earliest = -static_cast<double>(sweep.sweep_start) / sweep.rate - 0.01;
  c.arrival =
      FindArrival(c.ir, earliest, c.ir.LagSeconds(static_cast<double>(c.ir.samples.size())));
  c.peak_to_noise_db =
      PeakToNoiseDb(c.ir, c.arrival, sweep.HarmonicLead(8) + options.window.left_ms / 1000.0,
                    kDecaySeconds + options.window.right_ms / 1000.0);
  if (!(c.peak_to_noise_db >= kFoundPeakToNoiseDb)) {
    result.error = "no sweep found in the recording (its impulse stands only " +
                   std::to_string(std::lround(c.peak_to_noise_db)) + " dB above the noise)";
    return result;
  }
  c.snr_db = SignalToNoiseDb(sweep, recording, c.arrival.seconds);
  c.spectrum = WindowedSpectrum(c.ir, c.arrival, options.window);
  result.capture = std::move(c);
  return result;
}

SweepMeasurement CombineCaptures(const Sweep& sweep, std::span<const SweepCapture> captures,
                                 const AnalysisOptions& options, const Calibration* calibration,
                                 double reference_s) {
  SweepMeasurement m;
  if (captures.empty()) return m;
  const std::vector<double> grid = GridOf(sweep, options);
  if (options.frequency_dependent) {
    std::vector<Response> each;
    for (const SweepCapture& c : captures) {
      each.push_back(FrequencyDependentResponse(c.ir, c.arrival, *options.frequency_dependent, grid,
                                                options.smoothing));
    }
    m.response = AverageOnGrid(each);
  } else if (captures.size() == 1) {
    m.response = ResponseOnGrid(captures.front().spectrum, grid, options.smoothing);
  } else {
    m.response = ResponseOnGrid(AverageDense(captures), grid, options.smoothing);
  }
  if (calibration) ApplyCalibration(m.response, *calibration);

  double arrival = 0.0, peak = 0.0;
  m.snr_db = std::numeric_limits<double>::infinity();
  for (const SweepCapture& c : captures) {
    arrival += c.arrival.seconds;
    peak += c.arrival.peak;
    if (!std::isnan(c.snr_db)) m.snr_db = std::min(m.snr_db, c.snr_db);
  }
  if (std::isinf(m.snr_db)) m.snr_db = kNaN;
  m.sweeps = static_cast<int>(captures.size());
  m.arrival_ms = (arrival / m.sweeps - reference_s) * 1000.0;
  m.inverted = peak < 0.0;
  m.level_db = LevelDb(m.response, options.level_low_hz, options.level_high_hz);
  m.coherence = 1.0;
  if (!m.response.coherence.empty()) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < m.response.freq.size(); ++i) {
      if (m.response.freq[i] < options.level_low_hz || m.response.freq[i] > options.level_high_hz)
        continue;
      sum += m.response.coherence[i];
      ++count;
    }
    if (count > 0) m.coherence = sum / count;
  }
  return m;
}

SweepMeasurement AveragePositions(std::span<const SweepMeasurement> positions) {
  SweepMeasurement out;
  if (positions.empty()) return out;
  out = positions.front();
  const double n = static_cast<double>(positions.size());
  out.response.phase_deg.clear();
  out.response.coherence.clear();
  double arrival = 0.0, level = 0.0, snr = 0.0, coherence = 0.0;
  int sweeps = 0;
  for (std::size_t i = 0; i < out.response.freq.size(); ++i) {
    double power = 0.0;
    for (const SweepMeasurement& p : positions) power += std::pow(10.0, p.response.db[i] / 10.0);
    out.response.db[i] = 10.0 * std::log10(std::max(power / n, 1e-30));
  }
  for (const SweepMeasurement& p : positions) {
    arrival += p.arrival_ms;
    level += std::pow(10.0, p.level_db / 10.0);
    snr += p.snr_db;
    coherence += p.coherence;
    sweeps += p.sweeps;
  }
  out.arrival_ms = arrival / n;
  out.level_db = 10.0 * std::log10(level / n);
  out.snr_db = snr / n;
  out.coherence = coherence / n;
  out.sweeps = sweeps;
  return out;
}

}  // namespace tolva::measure
