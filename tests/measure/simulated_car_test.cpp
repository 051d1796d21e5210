// The whole live chain against the simulated car: played stream with its timing reference,
// the unit's own filters, distance, cabin, microphone, noise at 40 dB below the signal and a
// drifting clock; the measurement must give back the output's response and its arrival.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/simulated_car.h"
#include "measure/measurement_run.h"

namespace tolva::measure {
namespace {

constexpr double kRate = 48000.0;

audio::SimulatedCar Car() {
  audio::SimulatedCar car;
  audio::SimulatedOutput woofer;
  woofer.hp = {50, 1, 2, 0};
  woofer.bands = {{150.0, -5.0, 2.5, true}, {900.0, 3.5, 4.0, true}, {3000.0, -8.0, 6.0, false}};
  woofer.gain_db = -4.0;
  woofer.unit_delay_ms = 1.25;
  woofer.distance_ms = 3.1;
  // The fixed output of the acoustic reference: full range, so its peak is its delay.
  audio::SimulatedOutput reference;
  reference.distance_ms = 2.2;
  reference.unit_delay_ms = 0.4;
  car.outputs = {woofer, reference};
  car.cabin.assign(600, 0.0f);
  car.cabin[0] = 1.0f;
  car.cabin[130] = 0.3f;
  car.cabin[377] = -0.15f;
  car.cabin[590] = 0.08f;
  car.mic_freq = {20.0, 200.0, 8000.0, 20000.0};
  car.mic_db = {-1.5, 0.0, 1.0, 4.0};
  car.clock_drift_ppm = 1.0;
  car.latency_ms = 31.0;
  car.loopback_of = 0;
  return car;
}

struct Case {
  const char* name;
  TimingReference reference;
  double expected_ms;  // the woofer's delay, less the reference's
};

class SimulatedCarMeasurement : public ::testing::TestWithParam<Case> {};

TEST_P(SimulatedCarMeasurement, RecoversTheOutputAndItsArrival) {
  const Case c = GetParam();
  audio::SimulatedCar car = Car();
  RunSettings settings;
  settings.reference = c.reference;
  settings.capture_channels = c.reference == TimingReference::kLoopback ? 2 : 1;
  const RunPlan plan = PlanRun(settings);

  // Noise 40 dB below what the microphone hears during the sweep.
  car.noise_dbfs = -400.0;
  audio::SimulatedAudio quiet(car);
  const audio::Recorded clean = quiet.PlayAndRecord(
      {"simulated", "simulated", kRate, plan.play, settings.capture_channels, 0.5});
  double sum = 0.0;
  const std::size_t from = plan.sweep_offsets[0] + plan.sweep.sweep_start;
  for (std::size_t i = from; i < from + plan.sweep.sweep_length; ++i)
    sum += clean.channels[0][i] * clean.channels[0][i];
  car.noise_dbfs = 10.0 * std::log10(sum / static_cast<double>(plan.sweep.sweep_length)) - 40.0;

  audio::SimulatedAudio audio(car);
  const audio::Recorded recorded = audio.PlayAndRecord(
      {"simulated", "simulated", kRate, plan.play, settings.capture_channels, 0.5});
  ASSERT_EQ(recorded.error, "");
  Calibration cal;
  cal.freq = car.mic_freq;
  cal.db = car.mic_db;
  const AnalysisOptions options;
  const RunResult result =
      AnalyzeRun(plan, recorded.channels, kRate, options, &cal, recorded.capture_lead);
  ASSERT_TRUE(result.measurement) << result.error;
  const SweepMeasurement& m = *result.measurement;
  EXPECT_NEAR(m.snr_db, 40.0, 1.0);
  EXPECT_NEAR(m.arrival_ms, c.expected_ms, 0.02);

  // The truth through the same smoothing: the cabin's comb is part of the response.
  DenseSpectrum truth;
  truth.bin_hz = 0.5;
  for (double f = 0.0; f <= kRate / 2.0; f += truth.bin_hz) {
    const audio::SimulatedOutput& w = car.outputs[0];
    std::complex<double> cabin = 0.0;
    for (std::size_t i = 0; i < car.cabin.size(); ++i) {
      cabin += static_cast<double>(car.cabin[i]) *
               std::polar(1.0, -2.0 * M_PI * f * static_cast<double>(i) / kRate);
    }
    truth.bins.push_back(w.UnitResponse(f) * cabin);
  }
  const Response expected = ResponseOnGrid(truth, m.response.freq, options.smoothing);
  double worst = 0.0, at = 0.0;
  for (std::size_t i = 0; i < m.response.freq.size(); ++i) {
    const double f = m.response.freq[i];
    if (f < 50.0 || f > 16000.0) continue;
    const double e = std::fabs(m.response.db[i] - expected.db[i]);
    if (e > worst) worst = e, at = f;
  }
  EXPECT_LT(worst, 0.1) << "at " << at << " Hz";
  RecordProperty("worst_db", std::to_string(worst));
  std::printf("worst %.4f dB at %.0f Hz, arrival %.5f ms (expected %.5f), SNR %.1f dB\n", worst, at,
              m.arrival_ms, c.expected_ms, m.snr_db);
}

INSTANTIATE_TEST_SUITE_P(References, SimulatedCarMeasurement,
                         ::testing::Values(Case{"loopback", TimingReference::kLoopback, 1.25 + 3.1},
                                           Case{"acoustic", TimingReference::kAcoustic,
                                                (1.25 + 3.1) - (0.4 + 2.2)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatedCar, ClipsAndSilencesAreRefused) {
  audio::SimulatedCar car = Car();
  car.outputs[0].gain_db = 30.0;
  RunSettings settings;
  const RunPlan plan = PlanRun(settings);
  audio::SimulatedAudio loud(car);
  const audio::Recorded r =
      loud.PlayAndRecord({"simulated", "simulated", kRate, plan.play, 1, 0.5});
  const RunResult clipped = AnalyzeRun(plan, r.channels, kRate, {}, nullptr);
  EXPECT_NE(clipped.error.find("clipped"), std::string::npos);

  // A meter before the sweep catches a clipping input.
  InputMeter meter(1);
  const float frames[] = {0.2f, 1.0f, 1.0f, 1.0f, 0.1f};
  meter.Feed(frames);
  EXPECT_TRUE(meter.Levels()[0].clipping);
  EXPECT_NEAR(meter.Levels()[0].peak_dbfs, 0.0, 1e-9);

  EXPECT_NE(RunSettingsProblem({.reference = TimingReference::kAcoustic, .reference_channel = 0}),
            "");
  EXPECT_NE(RunSettingsProblem({.reference = TimingReference::kLoopback, .capture_channels = 1}),
            "");
}

}  // namespace
}  // namespace tolva::measure
