#include "measure/sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <stdexcept>

#include "measure/fft.h"

namespace tolva::measure {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// start·T/ln(end/start): the number of whole cycles the synchronisation needs, as a function
// of the start frequency; it grows with the start.
double CyclesPerTimeConstant(double start, double end, double seconds) {
  return start * seconds / std::log(end / start);
}

// The start frequency at most `start` for which the count above is the whole number m.
double SynchronisedStart(double start, double end, double seconds) {
  const double m = std::max(1.0, std::floor(CyclesPerTimeConstant(start, end, seconds)));
  double lo = start * 1e-6, hi = start;
  if (CyclesPerTimeConstant(hi, end, seconds) < m) return start;  // m = 1 with a tiny start
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (CyclesPerTimeConstant(mid, end, seconds) < m ? lo : hi) = mid;
  }
  return hi;
}

// Half-cosine ramp from 0 to 1 over n samples.
double Ramp(std::size_t i, std::size_t n) {
  if (n == 0 || i >= n) return 1.0;
  return 0.5 -
         0.5 * std::cos(std::numbers::pi * (static_cast<double>(i) + 0.5) / static_cast<double>(n));
}

}  // namespace

std::string SweepSettingsProblem(const SweepSettings& s) {
  const auto finite = [](double v) { return std::isfinite(v); };
  if (!finite(s.rate) || s.rate < 8000.0 || s.rate > 384000.0)
    return "the rate must lie within 8000 … 384000 Hz";
  if (!finite(s.start_hz) || s.start_hz < 1.0) return "the start frequency must be at least 1 Hz";
  if (!finite(s.end_hz) || s.end_hz > s.rate / 2.0)
    return "the end frequency must be at most half the rate";
  if (s.end_hz < s.start_hz * 2.0)
    return "the end frequency must be at least an octave above the start";
  if (!finite(s.seconds) || s.seconds < 0.1 || s.seconds > 60.0)
    return "the sweep must last 0.1 … 60 s";
  if (!finite(s.level_dbfs) || s.level_dbfs > 0.0 || s.level_dbfs < -60.0)
    return "the level must lie within -60 … 0 dBFS";
  for (const double t :
       {s.fade_in_seconds, s.fade_out_seconds, s.silence_before_seconds, s.silence_after_seconds}) {
    if (!finite(t) || t < 0.0 || t > 60.0) return "fades and silences must lie within 0 … 60 s";
  }
  return {};
}

double Sweep::HarmonicLead(int k) const {
  return time_constant * std::log(static_cast<double>(k));
}

Sweep GenerateSweep(const SweepSettings& s) {
  if (const std::string problem = SweepSettingsProblem(s); !problem.empty()) {
    throw std::invalid_argument(problem);
  }
  Sweep sweep;
  sweep.rate = s.rate;
  sweep.end_hz = s.end_hz;
  sweep.start_hz = SynchronisedStart(s.start_hz, s.end_hz, s.seconds);
  sweep.time_constant = s.seconds / std::log(s.end_hz / sweep.start_hz);
  sweep.sweep_length = static_cast<std::size_t>(std::llround(s.seconds * s.rate));
  sweep.sweep_start = static_cast<std::size_t>(std::llround(s.silence_before_seconds * s.rate));
  const auto after = static_cast<std::size_t>(std::llround(s.silence_after_seconds * s.rate));
  sweep.samples.assign(sweep.sweep_start + sweep.sweep_length + after, 0.0f);

  // Fades never take more than a quarter of the sweep each.
  const std::size_t limit = sweep.sweep_length / 4;
  const std::size_t fade_in = std::min(limit, static_cast<std::size_t>(s.fade_in_seconds * s.rate));
  const std::size_t fade_out =
      std::min(limit, static_cast<std::size_t>(s.fade_out_seconds * s.rate));
  const double amplitude = std::pow(10.0, s.level_dbfs / 20.0);
  const double k = kTwoPi * sweep.start_hz * sweep.time_constant;
  // e^{t/L} grows by one factor per sample; it is taken afresh every few thousand samples, so
  // that the phase (up to 10⁵ radians) stays within 10⁻⁸ rad of k·(e^{t/L} − 1).
  constexpr std::size_t kExactEvery = 4096;
  const double growth = std::exp(1.0 / (s.rate * sweep.time_constant));
  double grown = 0.0;  // e^{t/L} - 1
  double factor = 1.0;
  for (std::size_t i = 0; i < sweep.sweep_length; ++i) {
    if (i % kExactEvery == 0) {
      // expm1 keeps the phase exact near the start, where e^{t/L} is close to 1.
      grown = std::expm1(static_cast<double>(i) / s.rate / sweep.time_constant);
      factor = grown + 1.0;
    } else {
      factor *= growth;
      grown = factor - 1.0;
    }
    // Whole turns taken out first (the phase is not negative): sin is quicker on a small
    // argument, and no less exact.
    double phase = k * grown;
    phase -= kTwoPi * static_cast<double>(static_cast<long long>(phase / kTwoPi + 0.5));
    const double envelope = Ramp(i, fade_in) * Ramp(sweep.sweep_length - 1 - i, fade_out);
    sweep.samples[sweep.sweep_start + i] =
        static_cast<float>(amplitude * envelope * std::sin(phase));
  }
  return sweep;
}

std::optional<Sweep> RecognizeSweep(std::vector<float> samples, double rate) {
  float peak = 0.0f;
  for (const float v : samples) peak = std::max(peak, std::fabs(v));
  if (!(peak > 0.0f) || rate <= 0.0) return std::nullopt;
  // The fades make the ends soft; -80 dB of the peak finds them within a fraction of the fade.
  const float threshold = peak * 1e-4f;
  const auto audible = [threshold](float v) { return std::fabs(v) > threshold; };
  const auto first = std::find_if(samples.begin(), samples.end(), audible);
  const auto last = std::find_if(samples.rbegin(), samples.rend(), audible);
  Sweep sweep;
  sweep.rate = rate;
  sweep.sweep_start = static_cast<std::size_t>(first - samples.begin());
  sweep.sweep_length = static_cast<std::size_t>(samples.rend() - last) - sweep.sweep_start;
  if (sweep.sweep_length < static_cast<std::size_t>(0.05 * rate)) return std::nullopt;

  // The band from the spectrum: an exponential sweep's power falls as 1/f inside its band, so
  // f·|S|² is flat there and drops steeply outside.
  const std::size_t n = FastFftSize(samples.size());
  std::vector<float> padded(samples.begin(), samples.end());
  padded.resize(n, 0.0f);
  RealFft fft(n);
  std::vector<Complex> spectrum(fft.bins());
  fft.Forward(padded, spectrum);
  // Mean of f·|S|² over sixth-octave bands; the band edges are where it stays within 10 dB of
  // the loudest band.
  const double bin_hz = rate / static_cast<double>(n);
  struct Band {
    double centre;
    double level;
  };
  std::vector<Band> bands;
  for (double f = 1.0; f < rate / 2.0; f *= std::pow(2.0, 1.0 / 6.0)) {
    const auto b0 = static_cast<std::size_t>(std::ceil(f * std::pow(2.0, -1.0 / 12.0) / bin_hz));
    const auto b1 = std::min(spectrum.size() - 1,
                             static_cast<std::size_t>(f * std::pow(2.0, 1.0 / 12.0) / bin_hz));
    if (b0 == 0 || b1 < b0) continue;
    double sum = 0.0;
    for (std::size_t b = b0; b <= b1; ++b) sum += std::norm(spectrum[b]) * static_cast<double>(b);
    bands.push_back({f, sum / static_cast<double>(b1 - b0 + 1)});
  }
  double loudest = 0.0;
  for (const Band& b : bands) loudest = std::max(loudest, b.level);
  const auto in_band = [loudest](const Band& b) { return b.level >= loudest * 0.1; };
  const auto lo = std::find_if(bands.begin(), bands.end(), in_band);
  const auto hi = std::find_if(bands.rbegin(), bands.rend(), in_band);
  if (lo == bands.end()) return std::nullopt;
  sweep.start_hz = std::max(1.0, lo->centre);
  sweep.end_hz = std::min(rate / 2.0, hi->centre);
  if (sweep.end_hz < 2.0 * sweep.start_hz) return std::nullopt;
  sweep.time_constant =
      static_cast<double>(sweep.sweep_length) / rate / std::log(sweep.end_hz / sweep.start_hz);
  sweep.samples = std::move(samples);
  return sweep;
}

}  // namespace tolva::measure

namespace tolva::measure {

namespace {
constexpr std::string_view kDescriptionTag = "tolva-sweep";
}

std::string DescribeSweep(const Sweep& s) {
  char text[256];
  std::snprintf(
      text, sizeof text,
      "%s start_hz=%.17g end_hz=%.17g time_constant=%.17g sweep_start=%zu sweep_length=%zu",
      kDescriptionTag.data(), s.start_hz, s.end_hz, s.time_constant, s.sweep_start, s.sweep_length);
  return text;
}

bool ParseSweepDescription(std::string_view text, Sweep& sweep) {
  if (!text.starts_with(kDescriptionTag)) return false;
  Sweep s = sweep;
  int found = 0;
  std::size_t i = kDescriptionTag.size();
  while (i < text.size()) {
    const std::size_t start = text.find_first_not_of(' ', i);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string_view field = text.substr(start, end - start);
    i = end;
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, eq);
    const std::string value(field.substr(eq + 1));
    char* stop = nullptr;
    const double v = std::strtod(value.c_str(), &stop);
    if (stop == value.c_str() || *stop != '\0' || !std::isfinite(v) || v < 0.0) return false;
    if (key == "start_hz")
      s.start_hz = v, ++found;
    else if (key == "end_hz")
      s.end_hz = v, ++found;
    else if (key == "time_constant")
      s.time_constant = v, ++found;
    else if (key == "sweep_start")
      s.sweep_start = static_cast<std::size_t>(v), ++found;
    else if (key == "sweep_length")
      s.sweep_length = static_cast<std::size_t>(v), ++found;
  }
  if (found != 5 || s.start_hz <= 0.0 || s.end_hz <= s.start_hz || s.time_constant <= 0.0)
    return false;
  if (s.sweep_start + s.sweep_length > s.samples.size()) return false;
  sweep = s;
  return true;
}

}  // namespace tolva::measure
