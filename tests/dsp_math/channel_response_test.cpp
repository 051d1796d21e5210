#include "dsp_math/channel_response.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dsp_math/power_kernel.h"
#include "dsp_math/reference_response.h"

namespace tolva::dsp {
namespace {

// The fast path must agree with the direct evaluation wherever the graph can show a value.
constexpr double kToleranceDb = 1e-6;
constexpr double kVisibleDb = -150.0;

struct Case {
  CrossoverFilterInput hp, lp;
  std::vector<PeakingBandInput> bands;
  bool eq_bypass = false;
};

ChannelCurves Fast(const Case& c) {
  ChannelCurves out;
  StandardEvaluator().Compute({c.hp, c.lp, c.bands, c.eq_bypass}, out);
  return out;
}

reference::Curves Slow(const Case& c) {
  reference::Channel ch{{c.hp.fs, c.hp.type, c.hp.slope, c.hp.bypass},
                        {c.lp.fs, c.lp.type, c.lp.slope, c.lp.bypass},
                        {},
                        c.eq_bypass};
  for (const auto& b : c.bands) ch.bands.push_back({b.freq, b.gain_db, b.q, b.enabled});
  return reference::ChannelCurve(ch, reference::Grid());
}

void ExpectMatchesReference(const Case& c, const std::string& label) {
  const ChannelCurves fast = Fast(c);
  const reference::Curves slow = Slow(c);
  int compared = 0;
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    if (slow.total[i] > kVisibleDb) {
      ++compared;
      ASSERT_NEAR(fast.total[i], slow.total[i], kToleranceDb) << label << " total at " << i;
    }
    if (slow.hp[i] > kVisibleDb) ASSERT_NEAR(fast.hp[i], slow.hp[i], kToleranceDb) << label << i;
    if (slow.lp[i] > kVisibleDb) ASSERT_NEAR(fast.lp[i], slow.lp[i], kToleranceDb) << label << i;
    ASSERT_NEAR(fast.total[i], fast.hp[i] + fast.lp[i] + fast.eq[i], 1e-9);
  }
  EXPECT_GT(compared, 0) << label;
}

std::vector<PeakingBandInput> RandomBands(std::mt19937& rng, int count, double lo, double hi) {
  std::uniform_real_distribution<double> gain(lo, hi), q(0.5, 9.0),
      logf(std::log(20.0), std::log(20000.0));
  std::vector<PeakingBandInput> bands;
  for (int i = 0; i < count; ++i) {
    // Model values are floats widened to double; the grid frequency is an integer.
    bands.push_back({std::round(std::exp(logf(rng))), static_cast<float>(gain(rng)),
                     static_cast<float>(q(rng)), rng() % 5 != 0});
  }
  return bands;
}

TEST(ChannelResponse, EveryCrossoverFamilyMatchesTheDirectEvaluation) {
  for (int type = 0; type <= 3; ++type) {
    for (int slope = 1; slope <= 8; ++slope) {
      for (int fs : {20, 70, 1000, 12000, 20000, 30000}) {
        Case c;
        c.hp = {fs, type, slope, 0};
        c.lp = {std::min(fs * 3, 25000), type, slope, 0};
        ExpectMatchesReference(c, "type " + std::to_string(type) + " slope " +
                                      std::to_string(slope) + " fs " + std::to_string(fs));
      }
    }
  }
}

TEST(ChannelResponse, FullChannelsMatchTheDirectEvaluation) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    Case c;
    c.hp = {static_cast<int>(20 + rng() % 400), static_cast<int>(1 + rng() % 3),
            static_cast<int>(1 + rng() % 8), 0};
    c.lp = {static_cast<int>(2000 + rng() % 18000), static_cast<int>(1 + rng() % 3),
            static_cast<int>(1 + rng() % 8), 0};
    c.bands = RandomBands(rng, 31, -18.0, 12.0);
    ExpectMatchesReference(c, "round " + std::to_string(round));
  }
}

TEST(ChannelResponse, ExtremeFileValuesStayFiniteAndExact) {
  std::mt19937 rng(11);
  Case huge;  // beyond the graph's axes: evaluated term by term
  huge.bands = RandomBands(rng, 31, 30.0, 120.0);
  ExpectMatchesReference(huge, "huge boosts");
  Case mixed;
  mixed.bands = RandomBands(rng, 31, -40.0, 40.0);
  ExpectMatchesReference(mixed, "mixed");
  Case absurd;
  absurd.bands = RandomBands(rng, 31, 250.0, 999.0);
  for (double v : Fast(absurd).total) ASSERT_TRUE(std::isfinite(v));
  Case deep;  // cuts deep enough to reach the floor
  deep.bands = RandomBands(rng, 31, -300.0, -100.0);
  for (auto& b : deep.bands) b.enabled = true;
  const ChannelCurves fast = Fast(deep);
  const reference::Curves slow = Slow(deep);
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    ASSERT_TRUE(std::isfinite(fast.total[i])) << i;
    if (slow.total[i] > kVisibleDb) ASSERT_NEAR(fast.total[i], slow.total[i], kToleranceDb);
  }
  Case low_corner;  // corners below the grid, clamped to 0.0025 Hz
  low_corner.hp = {0, 3, 8, 0};
  low_corner.lp = {-40, 1, 3, 1};
  ExpectMatchesReference(low_corner, "clamped corners");
  Case degenerate;
  degenerate.bands = {{0.0, 6.0, 1.0, true}, {1000.0, 6.0, 0.0, true}, {30000.0, -6.0, 2.0, true}};
  const ChannelCurves flat = Fast(degenerate);
  for (double v : flat.total) ASSERT_EQ(v, 0.0);
}

TEST(ChannelResponse, BandsAtTheEdgesMatchTheDirectEvaluation) {
  // Bands are evaluated two at a time as quartics, which lose digits where the pair's power dips
  // sharply: stacked bands at the lowest and highest centres with the sharpest Q.
  for (double freq : {20.0, 20000.0, 23000.0}) {
    for (double q : {0.5, 9.0, 20.0}) {
      for (double gain : {-24.0, -18.0, -0.1, 0.1, 12.0, 24.0}) {
        for (std::size_t count : {1u, 3u, 4u}) {
          Case c;
          c.hp = {20, 1, 0, 0};  // slope 0: the first-order minimum
          c.lp = {20000, 3, 8, 0};
          c.bands.assign(count, {freq, gain, q, true});
          ExpectMatchesReference(c, "freq " + std::to_string(freq) + " q " + std::to_string(q) +
                                        " gain " + std::to_string(gain) + " bands " +
                                        std::to_string(count));
        }
      }
    }
  }
}

TEST(ChannelResponse, BypassRulesLeaveTheirPartsAtZero) {
  std::mt19937 rng(3);
  Case c;
  c.hp = {100, 1, 4, 1};  // bypassed: contributes nothing whatever its slope
  c.lp = {5000, 2, 4, 1};
  c.bands = RandomBands(rng, 31, -12.0, 12.0);
  c.eq_bypass = true;
  const ChannelCurves all_off = Fast(c);
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    ASSERT_EQ(all_off.hp[i], 0.0);
    ASSERT_EQ(all_off.lp[i], 0.0);
    ASSERT_EQ(all_off.total[i], 0.0);
  }
  c.eq_bypass = false;
  for (auto& b : c.bands) b.enabled = false;
  for (double v : Fast(c).total) ASSERT_EQ(v, 0.0);
  // Only exactly 1 means bypassed.
  c.hp.bypass = 2;
  EXPECT_LT(Fast(c).hp[0], -10.0);
}

TEST(ChannelResponse, CurvesKeptBetweenUpdatesFollowEveryCrossoverChange) {
  // The model keeps each output's curves and recomputes into them; a crossover curve left from
  // the previous settings would show a filter the unit no longer has.
  std::mt19937 rng(13);
  const std::vector<PeakingBandInput> bands = RandomBands(rng, 31, -12.0, 12.0);
  std::vector<Case> steps(1);
  steps[0].hp = {80, 1, 4, 0};
  steps[0].lp = {6000, 2, 4, 0};
  steps[0].bands = bands;
  auto step = [&steps](auto change) {
    steps.push_back(steps.back());
    change(steps.back());
  };
  step([](Case& c) { c.bands[3].gain_db += 1.0; });  // bands alone: crossovers kept
  step([](Case& c) { c.hp.fs = 81; });
  step([](Case& c) { c.hp.type = 3; });
  step([](Case& c) { c.hp.slope = 8; });
  step([](Case& c) { c.hp.bypass = 1; });
  step([](Case& c) { c.hp.bypass = 0; });
  step([](Case& c) { c.lp.fs = 5000; });
  step([](Case& c) { c.lp.type = 0; });
  step([](Case& c) { c.lp.slope = 1; });
  step([](Case& c) { c.lp.bypass = 1; });
  step([](Case& c) { c.eq_bypass = true; });
  ChannelCurves kept;
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const Case& c = steps[k];
    StandardEvaluator().Compute({c.hp, c.lp, c.bands, c.eq_bypass}, kept);
    const ChannelCurves fresh = Fast(c);
    ASSERT_EQ(kept.hp, fresh.hp) << "step " << k;
    ASSERT_EQ(kept.lp, fresh.lp) << "step " << k;
    ASSERT_EQ(kept.total, fresh.total) << "step " << k;
  }
}

TEST(ChannelResponse, EvaluatorGridIsTheStandardGrid) {
  std::vector<double> g(kCurvePoints);
  BuildFrequencyGrid(kSampleRate, kCurvePoints, g.data());
  const Curve& grid = StandardEvaluator().grid();
  EXPECT_TRUE(std::equal(g.begin(), g.end(), grid.begin()));
}

}  // namespace
}  // namespace tolva::dsp

namespace tolva::dsp::kernel {
namespace {

// Both builds of the inner loop: the generic one runs wherever the AVX2 one is picked here.
bool HasAvx2Kernel() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

std::vector<Kernels> Variants() {
  std::vector<Kernels> variants{GenericKernels()};
#if defined(__x86_64__)
  if (HasAvx2Kernel()) variants.push_back(Avx2Kernels());
#endif
  return variants;
}

TEST(PowerKernels, EveryVariantConvertsToDecibelsLikeTheLibrary) {
  const std::vector<Kernels> variants = Variants();
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> exponent(-300.0, 300.0);
  std::vector<double> num(kCurvePoints), den(kCurvePoints), floors(kCurvePoints), out(kCurvePoints);
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    num[i] = std::pow(10.0, exponent(rng));
    den[i] = i % 2 == 0 ? 1.0 : std::pow(10.0, exponent(rng));
    floors[i] = static_cast<double>(i % 3);
  }
  num[0] = den[0] = 1.7;
  num[1] = 0.0;
  num[2] = std::numeric_limits<double>::infinity();
  num[3] = 1e-320, den[3] = 1.0;  // subnormal
  num[4] = 1.4142135623730951;
  // Mantissa quotients on both sides of the √½ … √2 fold.
  num[5] = 1.0, den[5] = 1.99;
  num[7] = 1.99, den[7] = 1.0;
  num[9] = 1.4142135623730951, den[9] = 1.0000000000000002;
  num[11] = 1e-5, den[11] = 1e-320;
  for (const Kernels& k : variants) {
    k.to_decibels(num.data(), den.data(), floors.data(), out.data(), kCurvePoints);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[1], -std::numeric_limits<double>::infinity());
    EXPECT_EQ(out[2], std::numeric_limits<double>::infinity());
    for (std::size_t i = 3; i < kCurvePoints; ++i) {
      const double expected = 10.0 * (std::log10(num[i]) - std::log10(den[i]));
      ASSERT_NEAR(out[i], expected + kFloorDb * floors[i], 1e-11) << i;
    }
  }
}

TEST(PowerKernels, VariantsAgreeOnSectionProducts) {
  if (!HasAvx2Kernel()) GTEST_SKIP();
  const std::vector<Kernels> variants = Variants();
  const Curve& grid = StandardEvaluator().grid();
  std::vector<double> s(kCurvePoints), power(kCurvePoints);
  for (std::size_t i = 0; i < kCurvePoints; ++i) {
    const double h = std::sin(3.141592653589793 * grid[i] / 48000.0);
    s[i] = 2 * h * h;
    power[i] = (4 - 2 * s[i]) * (4 - 2 * s[i]);
  }
  std::vector<CrossoverTerm> sections;
  for (const auto& d : DesignCrossoverSections(true, 300, 8, 3)) {
    const BiquadSection b = CrossoverSectionCoefficients(d, true);
    const PowerPolynomial p = ToPowerPolynomial(b);
    sections.push_back({b.b0 * b.b0, p.d0, p.d1, p.d2, power.data()});
  }
  for (bool exact : {true, false}) {
    std::vector<std::vector<double>> results;
    for (const Kernels& k : variants) {
      std::vector<double> num(kCurvePoints), den(kCurvePoints), floors(kCurvePoints);
      k.crossover(sections.data(), sections.size(), exact, 0, kCurvePoints, s.data(), num.data(),
                  den.data(), floors.data());
      for (std::size_t i = 0; i < kCurvePoints; ++i)
        num[i] = 10 * std::log10(num[i] / den[i]) - 400 * floors[i];
      results.push_back(num);
    }
    for (std::size_t i = 0; i < kCurvePoints; ++i) {
      if (results[0][i] == results[1][i]) continue;  // also -inf at half the rate, untested
      ASSERT_NEAR(results[0][i], results[1][i], 1e-9) << i;
    }
  }
  // The bands' side-by-side design, on both sides of the spectrum and at its edges.
  const std::vector<double> freq{20, 97, 1000, 11999, 12001, 20000, 23999};
  const std::vector<double> gain{-24, 3, -0.1, 12, -18, 24, 6};
  const std::vector<double> q{9, 0.5, 20, 1, 4, 9, 0.7};
  std::vector<BandTerms> terms(variants.size());
  for (std::size_t v = 0; v < variants.size(); ++v)
    variants[v].design_bands(freq.data(), gain.data(), q.data(), freq.size(), terms[v]);
  for (std::size_t k = 0; k < freq.size(); ++k) {
    for (auto member : {&BandTerms::d0, &BandTerms::d1, &BandTerms::d2, &BandTerms::e,
                        &BandTerms::high}) {
      const double a = (terms[0].*member)[k], b = (terms[1].*member)[k];
      ASSERT_NEAR(a, b, 1e-13 * (1.0 + std::fabs(a))) << k;  // fused steps round apart
    }
  }
}

}  // namespace
}  // namespace tolva::dsp::kernel
