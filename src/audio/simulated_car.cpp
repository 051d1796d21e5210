#include "audio/simulated_car.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp_math/response_math.h"
#include "measure/arrival.h"
#include "measure/calibration.h"
#include "measure/fft.h"

namespace tolva::audio {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::complex<double> SectionAt(const dsp::BiquadSection& s, std::complex<double> z1) {
  return (s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (s.a0 + s.a1 * z1 + s.a2 * z1 * z1);
}

std::complex<double> CrossoverAt(const dsp::CrossoverFilterInput& filter, bool low_pass,
                                 std::complex<double> z1) {
  if (filter.bypass == 1) return 1.0;
  std::complex<double> h = 1.0;
  for (const dsp::DesignedSection& section :
       dsp::DesignCrossoverSections(low_pass, filter.fs, filter.slope, filter.type)) {
    if (section.kind == dsp::SectionKind::kAbsent) continue;
    h *= SectionAt(dsp::CrossoverSectionCoefficients(section, low_pass), z1);
  }
  return h;
}

std::complex<double> CabinAt(const std::vector<float>& cabin, double f, double rate) {
  if (cabin.empty()) return 1.0;
  std::complex<double> sum = 0.0;
  for (std::size_t i = 0; i < cabin.size(); ++i)
    sum += static_cast<double>(cabin[i]) *
           std::polar(1.0, -kTwoPi * f * static_cast<double>(i) / rate);
  return sum;
}

double MicDb(const SimulatedCar& car, double f) {
  if (car.mic_freq.empty()) return 0.0;
  measure::Calibration curve;
  curve.freq = car.mic_freq;
  curve.db = car.mic_db;
  return measure::CalibrationAt(curve, f);
}

}  // namespace

std::complex<double> SimulatedOutput::UnitResponse(double f) const {
  // The unit designs its filters for 48 kHz, whatever the player's rate.
  const std::complex<double> z1 = std::polar(1.0, -kTwoPi * f / dsp::kSampleRate);
  std::complex<double> h = CrossoverAt(hp, false, z1) * CrossoverAt(lp, true, z1);
  if (!eq_bypass) {
    for (const dsp::PeakingBandInput& band : bands) {
      if (!band.enabled || band.gain_db == 0.0 ||
          dsp::IsDegeneratePeakingBand(band.freq, band.gain_db, band.q))
        continue;
      h *= SectionAt(dsp::DesignPeakingBand(dsp::kSampleRate, band.freq, band.gain_db, band.q), z1);
    }
  }
  return h * std::pow(10.0, gain_db / 20.0) * (inverted ? -1.0 : 1.0);
}

std::vector<AudioDevice> SimulatedAudio::Devices() {
  const int channels = static_cast<int>(std::max<std::size_t>(1, car_.outputs.size()));
  return {{kSimulatedDevice, "simulated car: the unit's outputs, the cabin and a microphone",
           channels, true, true}};
}

std::vector<float> SimulatedAudio::Microphone(const std::vector<std::vector<float>>& play,
                                              double rate, std::size_t length) {
  const std::size_t n =
      measure::FastFftSize(length + car_.cabin.size() + static_cast<std::size_t>(rate));
  measure::RealFft fft(n);
  std::vector<std::complex<double>> sum(fft.bins(), 0.0);
  std::vector<float> buffer(n);
  std::vector<measure::Complex> spectrum(fft.bins());
  const double latency = car_.latency_ms / 1000.0;
  for (std::size_t c = 0; c < play.size() && c < car_.outputs.size(); ++c) {
    const SimulatedOutput& out = car_.outputs[c];
    std::fill(buffer.begin(), buffer.end(), 0.0f);
    std::copy_n(play[c].begin(), std::min(play[c].size(), n), buffer.begin());
    fft.Forward(buffer, spectrum);
    const double delay = (out.unit_delay_ms + out.distance_ms) / 1000.0 + latency;
    const double level = std::pow(10.0, out.level_db / 20.0);
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
      const double f = static_cast<double>(k) * rate / static_cast<double>(n);
      sum[k] += std::complex<double>(spectrum[k]) * out.UnitResponse(f) * level *
                std::polar(1.0, -kTwoPi * f * delay);
    }
  }
  std::vector<measure::Complex> cabin(fft.bins(), 1.0f);
  if (!car_.cabin.empty()) {
    std::fill(buffer.begin(), buffer.end(), 0.0f);
    std::copy(car_.cabin.begin(), car_.cabin.end(), buffer.begin());
    fft.Forward(buffer, cabin);
  }
  for (std::size_t k = 0; k < spectrum.size(); ++k) {
    const double f = static_cast<double>(k) * rate / static_cast<double>(n);
    const double mic = std::pow(10.0, MicDb(car_, f) / 20.0);
    spectrum[k] =
        measure::Complex(sum[k] * std::complex<double>(cabin[k]) * mic / static_cast<double>(n));
  }
  fft.Inverse(spectrum, buffer);

  // The microphone's own clock: its n-th sample is taken at n/(1+drift) of the player's.
  std::vector<float> out(length);
  const double drift = car_.clock_drift_ppm * 1e-6;
  if (drift == 0.0) {
    std::copy_n(buffer.begin(), length, out.begin());
  } else {
    measure::ImpulseResponse signal;
    signal.samples = std::move(buffer);
    for (std::size_t i = 0; i < length; ++i) {
      out[i] = static_cast<float>(
          measure::InterpolateAt(signal, static_cast<double>(i) / (1.0 + drift)));
    }
  }
  std::normal_distribution<double> noise(0.0, std::pow(10.0, car_.noise_dbfs / 20.0));
  for (float& v : out) v += static_cast<float>(noise(random_));
  return out;
}

Recorded SimulatedAudio::PlayAndRecord(const PlayRecordRequest& request) {
  Recorded r;
  if (request.play_device != kSimulatedDevice || request.record_device != kSimulatedDevice) {
    r.error = "the simulated car has only the device \"simulated\"";
    return r;
  }
  if (request.play.empty() || request.record_channels < 1) {
    r.error = "nothing to play or record";
    return r;
  }
  random_.seed(car_.seed);
  const std::size_t length =
      request.play.front().size() + static_cast<std::size_t>(request.tail_seconds * request.rate);
  r.channels.assign(static_cast<std::size_t>(request.record_channels),
                    std::vector<float>(length, 0.0f));
  r.channels[0] = Microphone(request.play, request.rate, length);
  if (car_.loopback_of >= 0 && request.record_channels > 1 &&
      static_cast<std::size_t>(car_.loopback_of) < request.play.size()) {
    // Electrically: the played channel after the audio system's latency, nothing else.
    const auto shift =
        static_cast<std::size_t>(std::lround(car_.latency_ms / 1000.0 * request.rate));
    const auto& played = request.play[static_cast<std::size_t>(car_.loopback_of)];
    for (std::size_t i = shift; i < length && i - shift < played.size(); ++i)
      r.channels[1][i] = played[i - shift];
  }
  return r;
}

std::string SimulatedAudio::Listen(const std::string& record_device, int channels, double rate,
                                   double seconds, measure::InputMeter& meter) {
  if (record_device != kSimulatedDevice)
    return "the simulated car has only the device \"simulated\"";
  std::normal_distribution<double> noise(0.0, std::pow(10.0, car_.noise_dbfs / 20.0));
  const auto frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> block(frames * static_cast<std::size_t>(std::max(1, channels)));
  for (float& v : block) v = static_cast<float>(noise(random_));
  meter.Feed(block);
  return {};
}

double SimulatedAudio::ExpectedDb(int channel, double f, double rate) const {
  const SimulatedOutput& out = car_.outputs.at(static_cast<std::size_t>(channel));
  const std::complex<double> h =
      out.UnitResponse(f) * std::pow(10.0, out.level_db / 20.0) * CabinAt(car_.cabin, f, rate);
  return 20.0 * std::log10(std::abs(h));
}

}  // namespace tolva::audio
