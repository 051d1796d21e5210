#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "dsp_math/response_math.h"

// The channel curve on the standard grid (48000 Hz, 512 points): high-pass, low-pass, the
// equalizer bands and their sum, with the bypass rules of the channel.
namespace tolva::dsp {

using Curve = std::array<double, kCurvePoints>;

struct CrossoverFilterInput {
  int fs = 20;
  int type = 1;
  int slope = 0;
  int bypass = 1;  // 1: the filter contributes 0 dB everywhere

  bool operator==(const CrossoverFilterInput&) const = default;
};

struct PeakingBandInput {
  double freq = 1000.0;
  double gain_db = 0.0;
  double q = 1.0;
  bool enabled = true;  // a disabled band counts as flat
};

struct ChannelResponseInput {
  CrossoverFilterInput hp;
  CrossoverFilterInput lp;
  std::span<const PeakingBandInput> bands;
  bool eq_bypass = false;  // the channel's EQ is bypassed: every band counts as flat
};

struct ChannelCurves {
  Curve hp{};
  Curve lp{};
  Curve eq{};     // the bands alone
  Curve total{};  // hp + lp + eq
  // The filters hp and lp were computed from. Compute recomputes a crossover curve only when its
  // filter differs, so that band edits (a drag, a mode switch, A/B) cost the bands alone.
  std::optional<CrossoverFilterInput> hp_from;
  std::optional<CrossoverFilterInput> lp_from;
};

// |B|² and |A|² of one section as polynomials in s = 1 - cos ω, so that a grid point costs two
// short Horner steps and no trigonometry.
struct PowerPolynomial {
  double n0 = 1.0, n1 = 0.0, n2 = 0.0;
  double d0 = 1.0, d1 = 0.0, d2 = 0.0;
};
PowerPolynomial ToPowerPolynomial(const BiquadSection& section);

// The standard grid and its per-point values, computed once; evaluation then allocates nothing.
class ChannelResponseEvaluator {
 public:
  ChannelResponseEvaluator();

  const Curve& grid() const { return grid_; }
  void Compute(const ChannelResponseInput& input, ChannelCurves& out) const;

 private:
  void EvaluateCrossover(const CrossoverFilterInput& filter, bool low_pass, Curve& out) const;
  // Adds one section evaluated term by term, for bands the polynomial form cannot hold exactly.
  void AddDirect(const BiquadSection& section, Curve& out) const;

  Curve grid_{};
  Curve s_{};  // 2·sin²(ω/2), exact near ω = 0 where 1 - cos ω would cancel
  Curve c_{};  // 2·cos²(ω/2) = 1 + cos ω, exact near half the rate
  Curve y_{};  // sin²ω
  // The crossover numerators' shapes: |1 - z|², |1 - z|⁴, |1 + z|², |1 + z|⁴ with z = e^{-iω}.
  Curve hp_power1_{}, hp_power2_{}, lp_power1_{}, lp_power2_{};
  Curve cos1_{}, sin1_{}, cos2_{}, sin2_{};
};

// The process's evaluator on the standard grid.
const ChannelResponseEvaluator& StandardEvaluator();

}  // namespace tolva::dsp
