// Recordings of known paths, made up against the sweep the tools play, must give back the
// path's response and delay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "measure/analysis.h"
#include "measure/sweep.h"
#include "measure/synthetic_path.h"

namespace tolva::measure {
namespace {

using testing::KnownPath;

constexpr double kRate = 48000.0;

KnownPath CarOutput() {
  KnownPath p;
  p.sections.push_back(dsp::DesignPeakingBand(kRate, 120.0, -6.0, 2.0));
  p.sections.push_back(dsp::DesignPeakingBand(kRate, 2500.0, 4.5, 4.0));
  // A second-order high-pass at 60 Hz (Butterworth, by the bilinear transform).
  const double k = std::tan(M_PI * 60.0 / kRate);
  const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
  p.sections.push_back({norm, -2.0 * norm, norm, 1.0, 2.0 * (k * k - 1.0) * norm,
                        (1.0 - std::sqrt(2.0) * k + k * k) * norm});
  p.gain_db = -9.0;
  p.delay_s = 0.0034567;
  return p;
}

struct Worst {
  double db = 0.0;
  double at_hz = 0.0;
};

Worst WorstError(const Response& r, const KnownPath& path, double low, double high) {
  Worst w;
  for (std::size_t i = 0; i < r.freq.size(); ++i) {
    if (r.freq[i] < low || r.freq[i] > high) continue;
    const double e = std::fabs(r.db[i] - path.Db(r.freq[i], kRate));
    if (e > w.db) w = {e, r.freq[i]};
  }
  return w;
}

struct Case {
  const char* name;
  long lead;          // samples the recording started late (negative: early)
  std::size_t extra;  // samples recorded beyond the played file
  double snr_db;
};

class Recovery : public ::testing::TestWithParam<Case> {};

TEST_P(Recovery, GivesBackResponseAndDelay) {
  const Case c = GetParam();
  const Sweep sweep = GenerateSweep({});
  const KnownPath path = CarOutput();
  std::vector<float> recording =
      testing::Record(sweep.samples, path, kRate, c.lead, sweep.samples.size() + c.extra);
  const double rms = testing::Rms(recording, sweep.sweep_start, sweep.sweep_length);
  testing::AddNoise(recording, rms, c.snr_db, 7);
  ASSERT_EQ(RecordingProblem(sweep, recording, kRate), "");

  const Deconvolver deconvolver(sweep);
  const AnalysisOptions options;
  CaptureResult capture = CaptureSweep(deconvolver, recording, options);
  ASSERT_TRUE(capture.capture) << capture.error;
  const SweepMeasurement m =
      CombineCaptures(sweep, std::span(&*capture.capture, 1), options, nullptr);

  const Worst worst = WorstError(m.response, path, 50.0, 16000.0);
  EXPECT_LT(worst.db, 0.1) << "at " << worst.at_hz << " Hz";
  const double expected_ms = path.delay_s * 1000.0 - static_cast<double>(c.lead) / kRate * 1000.0;
  EXPECT_NEAR(m.arrival_ms, expected_ms, 0.02);
  EXPECT_NEAR(m.snr_db, c.snr_db, 1.5);
  EXPECT_FALSE(m.inverted);
  std::printf("%s: worst %.4f dB at %.0f Hz, arrival off by %.5f ms\n", c.name, worst.db,
              worst.at_hz, m.arrival_ms - expected_ms);
}

INSTANTIATE_TEST_SUITE_P(Recordings, Recovery,
                         ::testing::Values(Case{"aligned", 0, 0, 40.0},
                                           Case{"late_and_longer", 9000, 48000, 40.0},
                                           Case{"early", -20000, 0, 40.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Recovery, PolarityAndCalibration) {
  const Sweep sweep = GenerateSweep({});
  KnownPath path = CarOutput();
  path.gain_db = 0.0;
  path.sections.resize(2);
  std::vector<float> recording =
      testing::Record(sweep.samples, path, kRate, 0, sweep.samples.size());
  for (float& v : recording) v = -v;
  Calibration cal;
  cal.freq = {100.0, 1000.0, 10000.0};
  cal.db = {1.0, 0.0, -2.0};
  const Deconvolver deconvolver(sweep);
  CaptureResult capture = CaptureSweep(deconvolver, recording, {});
  ASSERT_TRUE(capture.capture);
  const SweepMeasurement m = CombineCaptures(sweep, std::span(&*capture.capture, 1), {}, &cal);
  EXPECT_TRUE(m.inverted);
  for (std::size_t i = 0; i < m.response.freq.size(); ++i) {
    const double f = m.response.freq[i];
    if (f < 50.0 || f > 16000.0) continue;
    EXPECT_NEAR(m.response.db[i], path.Db(f, kRate) - CalibrationAt(cal, f), 0.05) << f;
  }
}

TEST(Recovery, AveragedSweepsKeepTheResponseAndMeasureCoherence) {
  const Sweep sweep = GenerateSweep({});
  const KnownPath path = CarOutput();
  const Deconvolver deconvolver(sweep);
  std::vector<SweepCapture> captures;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    std::vector<float> recording =
        testing::Record(sweep.samples, path, kRate, 0, sweep.samples.size());
    testing::AddNoise(recording, testing::Rms(recording, sweep.sweep_start, sweep.sweep_length),
                      20.0, seed);
    CaptureResult c = CaptureSweep(deconvolver, recording, {});
    ASSERT_TRUE(c.capture);
    captures.push_back(std::move(*c.capture));
  }
  const SweepMeasurement m = CombineCaptures(sweep, captures, {}, nullptr);
  EXPECT_EQ(m.sweeps, 3);
  ASSERT_EQ(m.response.coherence.size(), m.response.freq.size());
  EXPECT_GT(m.coherence, 0.99);
  EXPECT_LT(WorstError(m.response, path, 50.0, 16000.0).db, 0.3);
  // Sweeps that disagree (here: one with its polarity flipped) are not coherent.
  for (float& v : captures[1].ir.samples) v = -v;
  for (auto& b : captures[1].spectrum.bins) b = -b;
  EXPECT_LT(CombineCaptures(sweep, std::span(captures.data(), 2), {}, nullptr).coherence, 0.05);
}

TEST(RecordingProblems, AreNamed) {
  const Sweep sweep = GenerateSweep({});
  std::vector<float> fine = sweep.samples;
  EXPECT_EQ(RecordingProblem(sweep, fine, kRate), "");
  EXPECT_NE(RecordingProblem(sweep, fine, 44100.0).find("rate"), std::string::npos);
  EXPECT_NE(RecordingProblem(sweep, std::vector<float>(fine.begin(), fine.begin() + 1000), kRate)
                .find("shorter"),
            std::string::npos);
  std::vector<float> clipped = fine;
  for (float& v : clipped) v = std::clamp(v * 8.0f, -1.0f, 1.0f);
  EXPECT_NE(RecordingProblem(sweep, clipped, kRate).find("clipped"), std::string::npos);
  EXPECT_NE(RecordingProblem(sweep, std::vector<float>(fine.size(), 0.0f), kRate).find("silent"),
            std::string::npos);

  // Noise alone gives no impulse.
  std::vector<float> noise(fine.size(), 0.0f);
  testing::AddNoise(noise, 0.1, 0.0, 3);
  const CaptureResult c = CaptureSweep(Deconvolver(sweep), noise, {});
  EXPECT_FALSE(c.capture);
  EXPECT_NE(c.error.find("no sweep"), std::string::npos);
}

}  // namespace
}  // namespace tolva::measure
