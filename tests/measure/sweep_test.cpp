#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "measure/arrival.h"
#include "measure/deconvolution.h"
#include "measure/distortion.h"
#include "measure/fft.h"
#include "measure/response.h"
#include "measure/sweep.h"

namespace tolva::measure {
namespace {

// The sweep as a memoryless x + a·x² + b·x³ plays it.
std::vector<float> ThroughCubic(const std::vector<float>& sweep, double a, double b) {
  std::vector<float> out(sweep.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double x = sweep[i];
    out[i] = static_cast<float>(x + a * x * x + b * x * x * x);
  }
  return out;
}

TEST(Sweep, IsSynchronisedAndLaidOutAsAsked) {
  const SweepSettings settings;
  const Sweep s = GenerateSweep(settings);
  EXPECT_LE(s.start_hz, settings.start_hz);
  EXPECT_GT(s.start_hz, settings.start_hz * 0.8);
  const double cycles = s.start_hz * s.time_constant;
  EXPECT_NEAR(cycles, std::round(cycles), 1e-9);
  EXPECT_EQ(s.sweep_start, 24000u);
  EXPECT_EQ(s.sweep_length, 240000u);
  EXPECT_EQ(s.samples.size(), 24000u + 240000u + 48000u);
  float peak = 0.0f;
  for (const float v : s.samples) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(20.0 * std::log10(peak), -12.0, 0.01);
  EXPECT_EQ(s.samples[s.sweep_start - 1], 0.0f);
  EXPECT_EQ(s.samples[s.sweep_start + s.sweep_length], 0.0f);

  EXPECT_NE(SweepSettingsProblem({.end_hz = 30000.0}), "");
  EXPECT_NE(SweepSettingsProblem({.start_hz = 1000.0, .end_hz = 1500.0}), "");
  EXPECT_NE(SweepSettingsProblem({.level_dbfs = 3.0}), "");
  EXPECT_NE(SweepSettingsProblem({.seconds = NAN}), "");
}

// A memoryless x + a·x² + b·x³ gives harmonics of known size; with the synchronised sweep
// their impulses land exactly L·ln k before the linear one.
TEST(Sweep, HarmonicsLandWhereAndAsLoudAsExpected) {
  const Sweep s = GenerateSweep({});
  const double a = 0.2, b = 0.3;
  const std::vector<float> recording = ThroughCubic(s.samples, a, b);
  const ImpulseResponse ir = Deconvolver(s).Deconvolve(recording);
  const Arrival linear = FindArrival(ir, -0.1, 0.1);
  EXPECT_NEAR(linear.seconds, 0.0, 1e-6);
  const double amplitude = std::pow(10.0, -12.0 / 20.0);
  // The k-th impulse's spectrum is the k-th harmonic's amplitude over the input's (the linear
  // part stays within 2 % of 1).
  const double expected[] = {0.0, 0.0, a * amplitude / 2.0, b * amplitude * amplitude / 4.0};
  for (int k = 2; k <= 3; ++k) {
    const double lead = s.HarmonicLead(k);
    const Arrival h = FindArrival(ir, -lead - 0.01, -lead + 0.01);
    EXPECT_NEAR(h.seconds, -lead, 1.0 / s.rate) << "harmonic " << k;
    const DenseSpectrum spectrum = WindowedSpectrum(ir, h, {.left_ms = 5.0, .right_ms = 50.0});
    const Response r =
        ResponseOnGrid(spectrum, {500.0, 2000.0, 8000.0}, {Smoothing::Kind::kFraction, 3});
    for (std::size_t i = 0; i < r.freq.size(); ++i) {
      EXPECT_NEAR(std::pow(10.0, r.db[i] / 20.0), expected[k], expected[k] * 0.05)
          << "harmonic " << k << " at " << r.freq[i];
    }
  }
}

TEST(Sweep, FiguresSurviveTheFileComment) {
  const Sweep s =
      GenerateSweep({.rate = 44100.0, .start_hz = 20.0, .end_hz = 20000.0, .seconds = 2.0});
  Sweep read;
  read.samples = s.samples;
  ASSERT_TRUE(ParseSweepDescription(DescribeSweep(s), read));
  EXPECT_EQ(read.start_hz, s.start_hz);
  EXPECT_EQ(read.time_constant, s.time_constant);
  EXPECT_EQ(read.sweep_start, s.sweep_start);
  EXPECT_EQ(read.sweep_length, s.sweep_length);
  Sweep short_file;
  short_file.samples.resize(10);
  EXPECT_FALSE(ParseSweepDescription(DescribeSweep(s), short_file));
  EXPECT_FALSE(ParseSweepDescription("some other comment", read));
}

TEST(Sweep, IsRecognisedFromItsSamplesAlone) {
  const Sweep s = GenerateSweep({.start_hz = 20.0, .end_hz = 20000.0, .seconds = 3.0});
  const std::optional<Sweep> r = RecognizeSweep(s.samples, s.rate);
  ASSERT_TRUE(r);
  EXPECT_NEAR(static_cast<double>(r->sweep_start), static_cast<double>(s.sweep_start),
              0.01 * s.rate);
  EXPECT_NEAR(static_cast<double>(r->sweep_length), static_cast<double>(s.sweep_length),
              0.02 * s.rate);
  EXPECT_NEAR(std::log2(r->start_hz / s.start_hz), 0.0, 0.2);
  EXPECT_NEAR(std::log2(r->end_hz / s.end_hz), 0.0, 0.2);
  EXPECT_FALSE(RecognizeSweep(std::vector<float>(1000, 0.0f), 48000.0));
}

TEST(Distortion, NamesEachHarmonicsShare) {
  const Sweep s = GenerateSweep({});
  const double a = 0.2, b = 0.3;
  const std::vector<float> recording = ThroughCubic(s.samples, a, b);
  const CaptureResult c = CaptureSweep(Deconvolver(s), recording, {});
  ASSERT_TRUE(c.capture);
  const Distortion d = MeasureDistortion(*c.capture, s, {100.0, 1000.0, 5000.0, 15000.0},
                                         {Smoothing::Kind::kFraction, 6}, 3);
  const double amplitude = std::pow(10.0, -12.0 / 20.0);
  const double second = 100.0 * a * amplitude / 2.0,
               third = 100.0 * b * amplitude * amplitude / 4.0;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(d.percent[0][i], second, second * 0.05) << d.freq[i];
    EXPECT_NEAR(d.percent[1][i], third, third * 0.05) << d.freq[i];
    EXPECT_NEAR(d.thd_percent[i], std::hypot(second, third), second * 0.05) << d.freq[i];
  }
  // 15 kHz has its harmonics above the sweep's end.
  EXPECT_EQ(d.percent[0][3], 0.0);
}

// The real transform is built on a complex one of half the size: every bin pairing, for
// halves of odd and even length, against the DFT's definition, and back.
TEST(RealFft, MatchesTheDefinitionAndInvertsForOddAndEvenHalves) {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (const std::size_t n : {2u, 6u, 8u, 30u, 54u, 250u}) {
    SCOPED_TRACE(n);
    std::vector<float> x(n);
    for (float& v : x) v = value(random);
    const RealFft fft(n);
    std::vector<Complex> spectrum(fft.bins());
    fft.Forward(x, spectrum);
    for (std::size_t k = 0; k < fft.bins(); ++k) {
      std::complex<double> sum = 0.0;
      for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<double>(x[i]) *
               std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * i) /
                                   static_cast<double>(n));
      EXPECT_NEAR(spectrum[k].real(), sum.real(), 1e-4) << k;
      EXPECT_NEAR(spectrum[k].imag(), sum.imag(), 1e-4) << k;
    }
    std::vector<float> back(n);
    fft.Inverse(spectrum, back);
    for (std::size_t i = 0; i < n; ++i)
      EXPECT_NEAR(back[i] / static_cast<float>(n), x[i], 1e-5) << i;
  }
}

}  // namespace
}  // namespace tolva::measure
