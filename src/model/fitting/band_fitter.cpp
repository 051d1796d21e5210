#include "model/fitting/band_fitter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "model/edits/edit_rules.h"
#include "model/fitting/band_shape.h"
#include "model/fitting/peaking_conversion.h"


namespace tolva::model {
namespace {

// Bands within this of a new one (natural log of frequency: two octaves) are refitted with it.
constexpr double kNeighbourhood = 1.4;
// Slopes below this share of a row's peak are left out of the normal equations.
constexpr double kSupport = 1e-3;
// A band that did not pay keeps new ones this far away (natural log of frequency).
constexpr double kTriedReach = 0.0578;
// Bands that did not pay before the search for more stops.
constexpr int kTries = 6;
// Errors a new band is tried on.
constexpr std::size_t kCandidates = 5;

// A band while it is fitted: log f, gain, log Q, and the slot it will take.
struct Param {
  double log_freq = 0.0, gain = 0.0, log_q = 0.0;
  std::size_t slot = 0;
  BandValues Values() const { return {std::exp(log_freq), gain, std::exp(log_q)}; }
};

// A band on the unit's steps while it is refined.
struct Stepped {
  int freq = 1000;
  int gain = 0;  // tenths of a dB
  int q = 10;    // tenths
  std::size_t slot = 0;
  BandValues Values() const { return {double(freq), gain / 10.0, q / 10.0}; }
};

// Bands outside the unit's ranges (from a file) still play, but not as a fit can move them.
bool Plays(const EqBand& b) {
  return BandPlays(b) && b.freq >= kMinFrequency && b.freq <= kMaxFrequency && b.eqFactor > 0.0f;
}

// The target restricted to the judged points.
struct Problem {
  std::vector<double> freq, target, weight, root_weight;
  std::vector<double> wanted;  // the target before the boost limit
  std::vector<double> given;   // the target at the level it came with
  std::vector<std::uint8_t> no_boost;  // the bands may cut there, not lift
  double cap = std::numeric_limits<double>::infinity();  // the boost limit on the target
  double shift = 0.0, lo_shift = 0.0, hi_shift = 0.0;    // the level's move, and its range
  double weight_sum = 0.0;
  double lo_log_freq = 0.0, hi_log_freq = 0.0;
  double lo_gain = kBandGainMinDb, hi_gain = kBandGainMaxDb;
  double lo_log_q = std::log(double{kMinQ}), hi_log_q = std::log(double{kMaxQ});
  double good_enough_db = 0.03;
  bool cut_first = false;
  bool mean_square_only = false;

  std::size_t size() const { return freq.size(); }
  bool LevelFree() const { return lo_shift < hi_shift; }
  double CapAt(std::size_t i) const { return no_boost[i] ? std::min(cap, 0.0) : cap; }
  double TargetAt(std::size_t i, double level) const { return std::min(given[i] + level, CapAt(i)); }
  void Shift(double level) {
    shift = std::clamp(level, lo_shift, hi_shift);
    for (std::size_t i = 0; i < size(); ++i) {
      wanted[i] = no_boost[i] ? std::min(given[i] + shift, 0.0) : given[i] + shift;
      target[i] = TargetAt(i, shift);
    }
  }
  void Clamp(Param& p) const {
    p.log_freq = std::clamp(p.log_freq, lo_log_freq, hi_log_freq);
    p.gain = std::clamp(p.gain, lo_gain, hi_gain);
    p.log_q = std::clamp(p.log_q, lo_log_q, hi_log_q);
  }
};

// Four running sums, so that the products do not wait for each other.
double Dot(const double* a, const double* b, std::size_t n) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    s0 += a[i] * b[i];
    s1 += a[i + 1] * b[i + 1];
    s2 += a[i + 2] * b[i + 2];
    s3 += a[i + 3] * b[i + 3];
  }
  for (; i < n; ++i) s0 += a[i] * b[i];
  return (s0 + s1) + (s2 + s3);
}

// Solves (A + λ·diag A) x = b in place by Cholesky; false when not positive definite.
bool SolveDamped(std::vector<double> a, std::size_t n, double lambda, std::vector<double>& x) {
  double trace = 0.0;
  for (std::size_t i = 0; i < n; ++i) trace += a[i * n + i];
  const double floor = 1e-12 * (1.0 + trace / double(n));
  for (std::size_t i = 0; i < n; ++i) a[i * n + i] += lambda * a[i * n + i] + floor;
  for (std::size_t j = 0; j < n; ++j) {
    double d = a[j * n + j];
    for (std::size_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    if (!(d > 0.0)) return false;
    d = std::sqrt(d);
    a[j * n + j] = d;
    for (std::size_t i = j + 1; i < n; ++i) {
      double s = a[i * n + j];
      for (std::size_t k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
      a[i * n + j] = s / d;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    double s = x[i];
    for (std::size_t k = 0; k < i; ++k) s -= a[i * n + k] * x[k];
    x[i] = s / a[i * n + i];
  }
  for (std::size_t i = n; i-- > 0;) {
    double s = x[i];
    for (std::size_t k = i + 1; k < n; ++k) s -= a[k * n + i] * x[k];
    x[i] = s / a[i * n + i];
  }
  return true;
}

// Which of a band's values a fit moves.
enum ParamMask : unsigned { kFreqParam = 1, kGainParam = 2, kQParam = 4, kAllParams = 7 };

class Fitter {
 public:
  explicit Fitter(Problem p) : p_(std::move(p)), grid_(p_.freq) {}

  double Level() const { return p_.shift; }
  void SetLevel(double level) { p_.Shift(level); }

  std::vector<double> Curve(const std::vector<Param>& bands) const {
    std::vector<double> power(p_.size(), 1.0);
    for (const Param& b : bands) MultiplyBandPower(grid_, b.Values(), power.data());
    for (double& x : power) x = DbOfPower(x);
    return power;
  }
  double Cost(const std::vector<double>& curve) const {
    double sum = 0.0;
    for (std::size_t i = 0; i < p_.size(); ++i) {
      const double e = curve[i] - p_.target[i];
      sum += p_.weight[i] * e * e;
    }
    return sum;
  }

  // Levenberg–Marquardt over the values `mask` names of the bands listed in `vary`, and the
  // level where it is free; the others stay as they are.
  void Levenberg(std::vector<Param>& bands, const std::vector<std::size_t>& vary, int iterations,
                 unsigned mask = kAllParams, double settle = 1e-3) {
    const std::size_t m = p_.size();
    std::vector<std::size_t> rows;  // of the 3 per varied band, then the level's
    for (std::size_t k = 0; k < vary.size(); ++k) {
      for (unsigned v = 0; v < 3; ++v) {
        if (mask & (1u << v)) rows.push_back(3 * k + v);
      }
    }
    const std::size_t level_row = 3 * vary.size();
    if (p_.LevelFree() && !rows.empty()) rows.push_back(level_row);
    const std::size_t n = rows.size();
    if (n == 0) return;
    std::vector<double> fixed(m, 1.0);
    for (std::size_t b = 0; b < bands.size(); ++b) {
      if (std::find(vary.begin(), vary.end(), b) == vary.end()) {
        MultiplyBandPower(grid_, bands[b].Values(), fixed.data());
      }
    }
    std::vector<double> jac((3 * vary.size() + 1) * m), power(m), residual(m), normal(n * n),
        gradient(n), step(n);
    std::vector<std::pair<std::size_t, std::size_t>> support(n);
    const auto cost_of = [&](const std::vector<Param>& trial, double level) {
      std::vector<double> curve = fixed;
      for (std::size_t v : vary) MultiplyBandPower(grid_, trial[v].Values(), curve.data());
      double sum = 0.0;
      for (std::size_t i = 0; i < m; ++i) {
        const double e = DbOfPower(curve[i]) - p_.TargetAt(i, level);
        sum += p_.weight[i] * e * e;
      }
      return sum;
    };
    double level = p_.shift;
    double cost = cost_of(bands, level);
    double lambda = 1e-3;
    for (int it = 0; it < iterations && cost > 1e-18; ++it) {
      std::copy(fixed.begin(), fixed.end(), power.begin());
      for (std::size_t k = 0; k < vary.size(); ++k) {
        double* row = &jac[3 * k * m];
        BandPowerWithSlopes(grid_, bands[vary[k]].Values(), power.data(), row, row + m,
                            row + 2 * m);
      }
      for (std::size_t i = 0; i < m; ++i) {
        const double t = p_.TargetAt(i, level);
        residual[i] = p_.root_weight[i] * (DbOfPower(power[i]) - t);
        // The level's slope, unweighted like the bands' before the loop below weighs them.
        jac[level_row * m + i] = t >= p_.CapAt(i) ? 0.0 : -1.0;
      }
      // Where each row matters: far from its centre a band's slopes are a thousandth of
      // their peak, and products of such rows hardly move the step.
      for (std::size_t r = 0; r < n; ++r) {
        double* row = &jac[rows[r] * m];
        double peak = 0.0;
        for (std::size_t i = 0; i < m; ++i) {
          row[i] *= p_.root_weight[i];
          peak = std::max(peak, std::fabs(row[i]));
        }
        std::size_t lo = 0, hi = m;
        while (lo < m && std::fabs(row[lo]) <= kSupport * peak) ++lo;
        while (hi > lo && std::fabs(row[hi - 1]) <= kSupport * peak) --hi;
        support[r] = {lo, hi};
      }
      for (std::size_t r = 0; r < n; ++r) {
        const double* a = &jac[rows[r] * m];
        gradient[r] = -Dot(a, residual.data(), m);
        for (std::size_t c = 0; c <= r; ++c) {
          const std::size_t lo = std::max(support[r].first, support[c].first);
          const std::size_t hi = std::min(support[r].second, support[c].second);
          normal[r * n + c] = normal[c * n + r] =
              lo < hi ? Dot(a + lo, &jac[rows[c] * m + lo], hi - lo) : 0.0;
        }
      }
      // A value held at its bound by the descent stays out of the step: clamped afterwards,
      // its share of the step would spoil the others' and stall the search.
      for (std::size_t r = 0; r < n; ++r) {
        double value = level, lo = p_.lo_shift, hi = p_.hi_shift;
        if (rows[r] != level_row) {
          const Param& b = bands[vary[rows[r] / 3]];
          const double values[] = {b.log_freq, b.gain, b.log_q};
          const double los[] = {p_.lo_log_freq, p_.lo_gain, p_.lo_log_q};
          const double his[] = {p_.hi_log_freq, p_.hi_gain, p_.hi_log_q};
          value = values[rows[r] % 3], lo = los[rows[r] % 3], hi = his[rows[r] % 3];
        }
        const bool held = (value <= lo && gradient[r] < 0.0) || (value >= hi && gradient[r] > 0.0);
        if (!held) continue;
        gradient[r] = 0.0;
        for (std::size_t c = 0; c < n; ++c) {
          if (c != r) normal[r * n + c] = normal[c * n + r] = 0.0;
        }
      }
      bool improved = false;
      double new_cost = cost;
      for (int attempt = 0; attempt < 8 && !improved; ++attempt) {
        step = gradient;
        if (SolveDamped(normal, n, lambda, step)) {
          std::vector<Param> trial = bands;
          double trial_level = level;
          for (std::size_t r = 0; r < n; ++r) {
            if (rows[r] == level_row) {
              trial_level = std::clamp(level + step[r], p_.lo_shift, p_.hi_shift);
              continue;
            }
            Param& t = trial[vary[rows[r] / 3]];
            double* value[] = {&t.log_freq, &t.gain, &t.log_q};
            *value[rows[r] % 3] += step[r];
          }
          for (std::size_t v : vary) p_.Clamp(trial[v]);
          new_cost = cost_of(trial, trial_level);
          if (new_cost < cost) {
            bands = std::move(trial);
            level = trial_level;
            improved = true;
            lambda = std::max(lambda / 3.0, 1e-9);
            break;
          }
        }
        lambda *= 4.0;
      }
      if (!improved) break;
      const bool settled = cost - new_cost < settle * cost;
      cost = new_cost;
      if (settled) break;
    }
    p_.Shift(level);
  }

  // New bands where the response is furthest off, up to `count` of them on distinct errors:
  // each its error's gain and the error's half-gain width. Points within a twelfth of an
  // octave of `tried` (log f of bands that did not pay) are passed over.
  std::vector<Param> Seeds(const std::vector<double>& curve, const std::vector<double>& tried,
                           std::size_t count) const {
    std::vector<std::uint8_t> taken(p_.size(), 0);
    for (std::size_t i = 0; i < p_.size(); ++i) {
      const double f = std::log(p_.freq[i]);
      taken[i] = std::any_of(tried.begin(), tried.end(), [&](double t) { return std::fabs(f - t) < kTriedReach; });
    }
    bool cuts = false;
    if (p_.cut_first) {
      for (std::size_t i = 0; i < p_.size(); ++i) {
        cuts = cuts || curve[i] - p_.target[i] > p_.good_enough_db;
      }
    }
    std::vector<Param> seeds;
    while (seeds.size() < count) {
      std::size_t at = 0;
      double worst = -1.0;
      for (std::size_t i = 0; i < p_.size(); ++i) {
        const double e = p_.target[i] - curve[i];
        if ((cuts && e >= 0.0) || taken[i]) continue;
        const double score = std::fabs(e) * p_.root_weight[i];
        if (score > worst) {
          worst = score;
          at = i;
        }
      }
      if (worst < 0.0 || (!seeds.empty() && worst <= p_.good_enough_db)) break;
      const double e = p_.target[at] - curve[at];
      const auto beyond_half = [&](std::size_t i) {
        const double here = p_.target[i] - curve[i];
        return here * e > 0.0 && std::fabs(here) > std::fabs(e) / 2.0;
      };
      std::size_t left = at, right = at;
      while (left > 0 && beyond_half(left - 1)) --left;
      while (right + 1 < p_.size() && beyond_half(right + 1)) ++right;
      double octaves = std::log2(p_.freq[right] / p_.freq[left]);
      if (left == 0 || right + 1 == p_.size()) {
        const double side = left == 0 ? std::log2(p_.freq[right] / p_.freq[at])
                                      : std::log2(p_.freq[at] / p_.freq[left]);
        octaves = std::max(octaves, 2.0 * side);
      }
      octaves = std::max(octaves, 1.0 / 24.0);
      const double power = std::pow(2.0, octaves);
      Param seed;
      seed.gain = e;
      seed.log_freq = std::log(p_.freq[at]);
      seed.log_q = std::log(std::sqrt(power) / (power - 1.0) * std::pow(10.0, std::fabs(e) / 40.0));
      p_.Clamp(seed);
      seeds.push_back(seed);
      // The next seed is another error, not this one's skirt.
      for (std::size_t i = left; i <= right; ++i) taken[i] = 1;
    }
    return seeds;
  }

  double MaxError(const std::vector<double>& curve) const {
    double worst = 0.0;
    for (std::size_t i = 0; i < p_.size(); ++i) {
      worst = std::max(worst, std::fabs(curve[i] - p_.target[i]));
    }
    return worst;
  }

 private:
  Problem p_;
  ShapeGrid grid_;
};

// What the stepped bands are judged by: the 8-norm leans on the worst points, which decide
// whether a curve is within a tolerance, and the mean square keeps the rest in place. A
// measurement's residual is its mean square alone: its worst points are the dips no cut lifts.
class SteppedObjective {
 public:
  SteppedObjective(const Problem& p, const ShapeGrid& grid) : p_(p), grid_(grid) {}

  double Of(const std::vector<double>& curve) const {
    double squares = 0.0, eighths = 0.0;
    for (std::size_t i = 0; i < p_.size(); ++i) {
      const double e2 = (curve[i] - p_.target[i]) * (curve[i] - p_.target[i]);
      squares += p_.weight[i] * e2;
      eighths += p_.weight[i] * e2 * e2 * e2 * e2;
    }
    const double rms = std::sqrt(squares / p_.weight_sum);
    return p_.mean_square_only ? rms : std::pow(eighths / p_.weight_sum, 0.125) + 0.5 * rms;
  }
  std::vector<double> ShapeOf(const Stepped& band) const {
    std::vector<double> shape(p_.size(), 0.0);
    AddBandShape(grid_, band.Values(), shape.data());
    return shape;
  }

 private:
  const Problem& p_;
  const ShapeGrid& grid_;
};

// Step by step: each band's neighbours on the unit's grid, the best improvement taken, until
// no single step helps. Where `moves` is given, only the bands it marks move.
void Refine(const Problem& p, const ShapeGrid& grid, std::vector<Stepped>& bands, int max_gain,
            const std::vector<bool>& moves = {}) {
  const SteppedObjective objective(p, grid);
  std::vector<std::vector<double>> shapes;
  std::vector<double> sum(p.size(), 0.0);
  for (const Stepped& b : bands) {
    shapes.push_back(objective.ShapeOf(b));
    for (std::size_t i = 0; i < p.size(); ++i) sum[i] += shapes.back()[i];
  }
  double best = objective.Of(sum);
  const int lo_freq = static_cast<int>(std::ceil(std::exp(p.lo_log_freq) - 1e-9));
  const int hi_freq = static_cast<int>(std::floor(std::exp(p.hi_log_freq) + 1e-9));
  std::vector<double> trial(p.size());
  for (int pass = 0; pass < 12; ++pass) {
    bool moved = false;
    for (std::size_t b = 0; b < bands.size(); ++b) {
      if (!moves.empty() && !moves[b]) continue;
      const Stepped was = bands[b];
      const int wide = std::max(1, was.freq / 100);
      const Stepped moves[] = {
          {was.freq - 1, was.gain, was.q, was.slot},    {was.freq + 1, was.gain, was.q, was.slot},
          {was.freq, was.gain - 1, was.q, was.slot},    {was.freq, was.gain + 1, was.q, was.slot},
          {was.freq, was.gain, was.q - 1, was.slot},    {was.freq, was.gain, was.q + 1, was.slot},
          {was.freq - wide, was.gain, was.q, was.slot}, {was.freq + wide, was.gain, was.q, was.slot},
      };
      Stepped chosen = was;
      std::vector<double> chosen_shape;
      const std::size_t count = wide > 1 ? std::size(moves) : std::size(moves) - 2;
      for (std::size_t k = 0; k < count; ++k) {
        const Stepped& m = moves[k];
        if (m.freq < lo_freq || m.freq > hi_freq || m.gain < -180 || m.gain > max_gain ||
            m.q < 5 || m.q > 90) {
          continue;
        }
        std::vector<double> shape = objective.ShapeOf(m);
        for (std::size_t i = 0; i < p.size(); ++i) trial[i] = sum[i] - shapes[b][i] + shape[i];
        const double score = objective.Of(trial);
        if (score < best * (1.0 - 1e-4)) {
          best = score;
          chosen = m;
          chosen_shape = std::move(shape);
        }
      }
      if (!chosen_shape.empty()) {
        for (std::size_t i = 0; i < p.size(); ++i) sum[i] += chosen_shape[i] - shapes[b][i];
        shapes[b] = std::move(chosen_shape);
        bands[b] = chosen;
        moved = true;
      }
    }
    if (!moved) break;
  }
}

// Bands pressed onto one frequency step (at a range's edge, mostly) play much as one band
// would, and rows of identical bands read as a fault: each such stack becomes one band where
// that costs the fit no more than this share, and this much (dB) besides, far below hearing.
// The slots it frees are returned.
constexpr double kMergeCost = 0.01;
constexpr double kMergeSlackDb = 0.003;

std::vector<std::size_t> MergeStacked(const Problem& p, const ShapeGrid& grid,
                                      std::vector<Stepped>& bands, int max_gain) {
  const SteppedObjective objective(p, grid);
  const auto score = [&](const std::vector<Stepped>& set) {
    std::vector<double> sum(p.size(), 0.0);
    for (const Stepped& s : set) AddBandShape(grid, s.Values(), sum.data());
    return objective.Of(sum);
  };
  std::vector<std::size_t> freed;
  double best = score(bands);
  for (std::size_t a = 0; a < bands.size(); ++a) {
    std::vector<Stepped> trial;
    std::vector<std::size_t> gone;
    int gain = 0;
    for (std::size_t b = 0; b < bands.size(); ++b) {
      if (b > a && bands[b].freq == bands[a].freq && bands[b].gain != 0) {
        gain += bands[b].gain;
        gone.push_back(bands[b].slot);
      } else {
        trial.push_back(bands[b]);
      }
    }
    if (gone.empty() || bands[a].gain == 0) continue;
    trial[a].gain = std::clamp(trial[a].gain + gain, -180, max_gain);
    // The stack and its neighbours within an octave make up for the merge.
    std::vector<bool> near(trial.size());
    for (std::size_t b = 0; b < trial.size(); ++b) {
      near[b] = std::fabs(std::log2(double(trial[b].freq) / trial[a].freq)) <= 1.0;
    }
    Refine(p, grid, trial, max_gain, near);
    const double merged = score(trial);
    if (merged <= best * (1.0 + kMergeCost) + kMergeSlackDb) {
      bands = std::move(trial);
      best = merged;
      freed.insert(freed.end(), gone.begin(), gone.end());
    }
  }
  if (!freed.empty()) Refine(p, grid, bands, max_gain);
  return freed;
}

// The level the stepped bands fit best at, by a few mean-square steps (a point held at the boost
// limit does not follow it).
double BestLevel(const Problem& p, const std::vector<double>& curve) {
  double level = p.shift;
  for (int step = 0; step < 4; ++step) {
    double sum = 0.0, weights = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const double t = p.TargetAt(i, level);
      if (t >= p.CapAt(i)) continue;
      sum += p.weight[i] * (curve[i] - t);
      weights += p.weight[i];
    }
    if (!(weights > 0.0)) break;
    level = std::clamp(level + sum / weights, p.lo_shift, p.hi_shift);
  }
  return level;
}

Problem MakeProblem(const FitTarget& target, const FitOptions& options) {
  Problem p;
  const double low = std::max(options.low_hz, double{kMinFrequency});
  const double high = std::min(options.high_hz, double{kMaxFrequency});
  p.lo_log_freq = std::log(low);
  p.hi_log_freq = std::log(std::max(low, high));
  p.hi_gain = std::clamp(options.max_boost_db, kBandGainMinDb, kBandGainMaxDb);
  p.good_enough_db = options.good_enough_db;
  p.cut_first = options.cut_first;
  p.mean_square_only = options.mean_square_only;
  for (std::size_t i = 0; i < target.freq.size() && i < target.level_db.size(); ++i) {
    const double w = target.weight.empty() ? 1.0 : target.weight[std::min(i, target.weight.size() - 1)];
    const double f = target.freq[i];
    if (!(w > 0.0) || !(f >= low && f <= high) || !std::isfinite(target.level_db[i])) continue;
    p.freq.push_back(f);
    p.given.push_back(target.level_db[i]);
    p.no_boost.push_back(i < target.no_boost.size() ? target.no_boost[i] : 0);
    p.weight.push_back(w);
    p.root_weight.push_back(std::sqrt(w));
    p.weight_sum += w;
  }
  // Below the boost limit the fit aims no higher, so that stacked bands do not pass it. Cuts
  // cannot stack past it: there a point they cannot lift counts all it lacks, which is what
  // keeps a free level from rising over the dips.
  if (options.max_boost_db > 0.0 && options.max_boost_db < kBandGainMaxDb) p.cap = options.max_boost_db;
  p.lo_shift = std::min(options.level_low_db, 0.0);
  p.hi_shift = std::max(options.level_high_db, 0.0);
  p.target.resize(p.size());
  p.wanted.resize(p.size());
  p.Shift(0.0);
  return p;
}

// The continuous fit needs no more points than its narrowest band can tell apart; the stepped
// refinement and the judgement keep every point.
Problem Thinned(const Problem& p) {
  constexpr double kPointsPerOctave = 24.0;
  const double octaves = p.size() > 1 ? std::log2(p.freq.back() / p.freq.front()) : 0.0;
  const double density = octaves > 0.0 ? double(p.size() - 1) / octaves : 0.0;
  const auto stride = static_cast<std::size_t>(std::max(1L, std::lround(density / kPointsPerOctave)));
  if (stride < 2) return p;
  Problem thin;
  thin.lo_log_freq = p.lo_log_freq, thin.hi_log_freq = p.hi_log_freq;
  thin.lo_gain = p.lo_gain, thin.hi_gain = p.hi_gain;
  thin.lo_log_q = p.lo_log_q, thin.hi_log_q = p.hi_log_q;
  thin.good_enough_db = p.good_enough_db;
  thin.cut_first = p.cut_first;
  thin.mean_square_only = p.mean_square_only;
  thin.cap = p.cap;
  thin.shift = p.shift, thin.lo_shift = p.lo_shift, thin.hi_shift = p.hi_shift;
  for (std::size_t i = 0; i < p.size(); i += stride) {
    thin.freq.push_back(p.freq[i]);
    thin.target.push_back(p.target[i]);
    thin.wanted.push_back(p.wanted[i]);
    thin.given.push_back(p.given[i]);
    thin.no_boost.push_back(p.no_boost[i]);
    thin.weight.push_back(p.weight[i]);
    thin.root_weight.push_back(p.root_weight[i]);
    thin.weight_sum += p.weight[i];
  }
  return thin;
}

EqBand WithSteps(const EqBand& current, const Stepped& s) {
  // A value on the step it already had keeps its bits: nothing to send, nothing changed.
  EqBand b = current;
  b.enable = 1;
  b.freq = s.freq;
  if (QStepOf(b.eqFactor) != s.q) b.eqFactor = static_cast<float>(s.q / 10.0);
  if (GainStepOf(b.eqGain) != s.gain) b.eqGain = static_cast<float>(s.gain / 10.0);
  return b;
}

}  // namespace

std::vector<double> LogFrequencyGrid(double low, double high, int per_octave) {
  std::vector<double> grid;
  if (!(low > 0.0) || !(high >= low) || per_octave <= 0) return grid;
  const int steps = static_cast<int>(std::floor(std::log2(high / low) * per_octave + 1e-9));
  for (int i = 0; i <= steps; ++i) grid.push_back(low * std::exp2(double(i) / per_octave));
  if (grid.back() < high * (1.0 - 1e-12)) grid.push_back(high);
  return grid;
}

std::vector<double> BandsResponse(std::span<const EqBand> bands, std::span<const double> freq) {
  std::vector<double> out(freq.size(), 0.0);
  const ShapeGrid grid(freq);
  for (const EqBand& b : bands) {
    if (Plays(b)) AddBandShape(grid, {double(b.freq), double(b.eqGain), double(b.eqFactor)}, out.data());
  }
  return out;
}

FitResult FitBands(const FitTarget& target, std::span<const EqBand> current,
                   const FitOptions& options) {
  FitResult result;
  result.bands.assign(current.begin(), current.end());
  result.changed.assign(current.size(), false);
  Problem p = MakeProblem(target, options);
  if (p.size() == 0 || current.empty()) {
    result.response_db = BandsResponse(result.bands, target.freq);
    return result;
  }
  Fitter fitter(Thinned(p));
  const ShapeGrid grid(p.freq);

  std::vector<Param> bands;
  std::vector<std::size_t> free_slots;
  for (std::size_t s = 0; s < current.size(); ++s) {
    const EqBand& b = current[s];
    if (!Plays(b)) {
      free_slots.push_back(s);
      continue;
    }
    Param param{std::log(double(b.freq)), double(b.eqGain), std::log(double(b.eqFactor)), s};
    p.Clamp(param);
    bands.push_back(param);
  }
  const auto all = [&] {
    std::vector<std::size_t> v(bands.size());
    std::iota(v.begin(), v.end(), std::size_t{0});
    return v;
  };

  std::vector<double> curve = fitter.Curve(bands);
  if (fitter.MaxError(curve) > 1e-6) {
    fitter.Levenberg(bands, all(), 15);
    curve = fitter.Curve(bands);
    std::size_t next_free = 0;
    int added_since_joint = 0;
    std::vector<double> tried;
    while (next_free < free_slots.size() && fitter.MaxError(curve) > p.good_enough_db) {
      const double before = fitter.Cost(curve);
      const std::vector<Param> without = bands;
      const double level_without = fitter.Level();
      // Of a few errors, the one a band alone helps most: the largest error may be one no band
      // can follow (narrower than the highest Q), and a greedy search would stack bands on it.
      std::vector<Param> best_bands;
      double best_level = level_without, best_cost = std::numeric_limits<double>::infinity();
      Param seed;
      for (Param candidate : fitter.Seeds(curve, tried, kCandidates)) {
        candidate.slot = free_slots[next_free];
        std::vector<Param> trial = without;
        trial.push_back(candidate);
        fitter.SetLevel(level_without);
        fitter.Levenberg(trial, {trial.size() - 1}, 12);
        const double cost = fitter.Cost(fitter.Curve(trial));
        if (cost < best_cost) {
          best_cost = cost, best_bands = std::move(trial), best_level = fitter.Level(), seed = candidate;
        }
      }
      if (best_bands.empty()) break;
      bands = std::move(best_bands);
      fitter.SetLevel(best_level);
      std::vector<double> with = fitter.Curve(bands);
      // A band that does not help alone may with its neighbours moved around it; the bands
      // further away hardly feel it, and leaving them out keeps the step small.
      if (++added_since_joint == 4 || fitter.Cost(with) > 0.995 * before) {
        std::vector<std::size_t> near;
        for (std::size_t b = 0; b < bands.size(); ++b) {
          if (std::fabs(bands[b].log_freq - bands.back().log_freq) < kNeighbourhood) near.push_back(b);
        }
        fitter.Levenberg(bands, near, 10);
        added_since_joint = 0;
        with = fitter.Curve(bands);
      }
      if (fitter.Cost(with) > 0.995 * before && tried.empty()) {
        fitter.Levenberg(bands, all(), 15);  // last, everything moves
        with = fitter.Curve(bands);
      }
      if (fitter.Cost(with) > 0.995 * before) {
        // Not there: a narrow ripple may not pay where a broader error elsewhere would.
        tried.push_back(seed.log_freq);
        bands = without;
        fitter.SetLevel(level_without);
        if (static_cast<int>(tried.size()) == kTries) break;
        continue;
      }
      curve = std::move(with);
      ++next_free;
    }
    fitter.Levenberg(bands, all(), 60, kAllParams, 1e-5);
  }

  // Onto the unit's steps, coarsest first, the finer values moved each time to make up for it.
  const int lo_freq = static_cast<int>(std::ceil(std::exp(p.lo_log_freq) - 1e-9));
  const int hi_freq = static_cast<int>(std::floor(std::exp(p.hi_log_freq) + 1e-9));
  for (Param& b : bands) b.log_q = std::log(double(NearestQStep(std::exp(b.log_q))));
  fitter.Levenberg(bands, all(), 20, kFreqParam | kGainParam);
  for (Param& b : bands) {
    b.log_freq = std::log(double(std::clamp(NearestFrequencyStep(std::exp(b.log_freq)), lo_freq, hi_freq)));
  }
  fitter.Levenberg(bands, all(), 20, kGainParam);
  p.Shift(fitter.Level());
 
  const int max_gain = static_cast<int>(std::lround(p.hi_gain * 10.0));
  std::vector<Stepped> stepped;
  for (const Param& b : bands) {
    const BandValues v = b.Values();
    stepped.push_back({static_cast<int>(std::lround(v.freq)),
                       static_cast<int>(std::lround(NearestGainStep(v.gain_db, p.hi_gain) * 10.0)),
                       static_cast<int>(std::lround(v.q * 10.0)), b.slot});
  }
  Refine(p, grid, stepped, max_gain);
  if (p.LevelFree()) {
    std::vector<double> curve(p.size(), 0.0);
    for (const Stepped& s : stepped) AddBandShape(grid, s.Values(), curve.data());
    const double level = BestLevel(p, curve);
    if (std::fabs(level - p.shift) > 0.05) {
      p.Shift(level);
      Refine(p, grid, stepped, max_gain);
    }
  }
 

  for (const std::size_t slot : MergeStacked(p, grid, stepped, max_gain)) {
    EqBand& out = result.bands[slot];
    out.eqGain = Plays(out) ? 0.0f : out.eqGain;  // flat, where it was
  }
  for (const Stepped& s : stepped) {
    EqBand& out = result.bands[s.slot];
    if (s.gain == 0) {
      out.eqGain = Plays(out) ? 0.0f : out.eqGain;  // flat, where it was
      continue;
    }
    out = WithSteps(current[s.slot], s);
  }
  // A slot whose own values do as well stays as it was.
  const SteppedObjective objective(p, grid);
  std::vector<double> sum(p.size(), 0.0);
  for (const EqBand& b : result.bands) {
    if (Plays(b)) AddBandShape(grid, {double(b.freq), double(b.eqGain), double(b.eqFactor)}, sum.data());
  }
  double score = objective.Of(sum);
  for (std::size_t s = 0; s < current.size(); ++s) {
    if (SameOnTheWire(result.bands[s], current[s])) {
      result.bands[s] = current[s];
      continue;
    }
    std::vector<double> trial = sum;
    const auto add = [&](const EqBand& b, double sign) {
      if (!Plays(b)) return;
      std::vector<double> shape(p.size(), 0.0);
      AddBandShape(grid, {double(b.freq), double(b.eqGain), double(b.eqFactor)}, shape.data());
      for (std::size_t i = 0; i < p.size(); ++i) trial[i] += sign * shape[i];
    };
    add(result.bands[s], -1.0);
    add(current[s], 1.0);
    const double reverted = objective.Of(trial);
    if (reverted <= score + 1e-12) {
      result.bands[s] = current[s];
      sum = std::move(trial);
      score = reverted;
    }
  }

  for (std::size_t s = 0; s < current.size(); ++s) {
    result.changed[s] = result.bands[s] != current[s];
    result.bands_used += Plays(result.bands[s]) ? 1 : 0;
  }
  result.response_db = BandsResponse(result.bands, target.freq);
  const std::vector<double> judged = BandsResponse(result.bands, p.freq);
  double squares = 0.0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const double e = std::fabs(judged[i] - p.wanted[i]);
    squares += e * e;
    if (e > result.max_deviation_db) {
      result.max_deviation_db = e;
      result.worst_hz = p.freq[i];
    }
  }
  result.rms_deviation_db = std::sqrt(squares / double(p.size()));
  return result;
}

}  // namespace tolva::model
