#include "model/autotune/auto_eq.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "model/fitting/band_fitter.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::autotune {
namespace {

// A boost this small at a masked point is rounding, not a boost.
constexpr double kBoostTolerance = 0.05;
// A refit must gain this much RMS to be worth sending.
constexpr double kWorthSending = 0.02;
// With cuts only, the target sits this far up the measurement's distribution (as a share of
// points below it): lower, and most of the response can be cut onto it.
constexpr double kCutOnlyQuantile = 0.05;
// … but no further below the mean than this, so the output keeps its headroom.
constexpr double kDeepestCutLevel = 8.0;
// A narrow dip deeper than this is a cancellation: no cuts around it fill it within the headroom.
constexpr double kCancellationDepth = 8.0;

struct Judged {
  std::vector<double> freq, response, shape, weight;
  std::vector<double> measured;  // as measured: what the figures judge
  std::vector<std::uint8_t> mask;
};

double WeightedQuantile(std::vector<std::pair<double, double>> values, double q) {
  std::sort(values.begin(), values.end());
  double total = 0.0;
  for (const auto& v : values) total += v.second;
  double run = 0.0;
  for (const auto& v : values) {
    run += v.second;
    if (run >= q * total) return v.first;
  }
  return values.empty() ? 0.0 : values.back().first;
}

// The response the bands see: smoothed where the positions disagree (nothing narrow to chase
// there), and a cancellation bridged straight across from its edges. A narrow dip no deeper
// than the cuts could fill stays as it is (it is still not boosted): cutting around a mode's
// dip evens the response, while doing so for a cancellation only throws the headroom away.
std::vector<double> ResponseToFit(const SeatResponse& seat, std::span<const std::uint8_t> mask) {
  const std::vector<double> fine = SmoothOctaves(seat.freq, seat.db, 1.0 / 48.0);
  const std::vector<double> wide = SmoothOctaves(seat.freq, seat.db, 1.0 / 3.0);
  std::vector<double> out(seat.freq.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double a = std::clamp((seat.spread_db[i] - 1.0) / 2.0, 0.0, 1.0);
    out[i] = fine[i] + a * (wide[i] - fine[i]);
  }
  std::vector<double> bridge;
  for (std::size_t i = 0; i < out.size();) {
    if (!(mask[i] & kNarrowDip)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < out.size() && (mask[end] & kNarrowDip)) ++end;
    // The dip's skirts reach past the mask: bridged from a sixth of an octave further out.
    const double reach = std::exp2(1.0 / 6.0);
    std::size_t left = i, right = end;
    while (left > 0 && seat.freq[left - 1] > seat.freq[i] / reach) --left;
    while (right + 1 < out.size() && seat.freq[right] < seat.freq[end - 1] * reach) ++right;
    const bool has_left = left > 0 && std::isfinite(out[left - 1]);
    const bool has_right = right < out.size() && std::isfinite(out[right]);
    bridge.assign(right - left, std::numeric_limits<double>::quiet_NaN());
    double depth = 0.0;  // as measured: the smoothing where positions disagree fills a null
    for (std::size_t k = left; k < right; ++k) {
      const auto across = [&](std::span<const double> db) {
        if (has_left && has_right) {
          const double t = std::log(seat.freq[k] / seat.freq[left - 1]) /
                           std::log(seat.freq[right] / seat.freq[left - 1]);
          return db[left - 1] + t * (db[right] - db[left - 1]);
        }
        return has_left ? db[left - 1] : db[right];
      };
      if (!has_left && !has_right) continue;
      bridge[k - left] = across(out);
      const double raw = across(seat.db);
      if (std::isfinite(raw) && std::isfinite(seat.db[k])) depth = std::max(depth, raw - seat.db[k]);
    }
    if (depth > kCancellationDepth) {
      for (std::size_t k = left; k < right; ++k) {
        // Only the dip is bridged: a peak beside it, within the reach, is still there to cut.
        const double b = bridge[k - left];
        if (std::isfinite(b) && !(out[k] >= b)) out[k] = b;
      }
    }
    i = end;
  }
  return out;
}

Residual Judge(const Judged& j, std::span<const double> played) {
  Residual r;
  std::vector<double> d;
  std::vector<double> at;
  for (std::size_t k = 0; k < j.freq.size(); ++k) {
    if (j.mask[k] & kNarrowDip) continue;  // not boosted on purpose
    d.push_back(played[k] - j.shape[k]);
    at.push_back(j.freq[k]);
  }
  if (d.empty()) return r;
  const double level = std::accumulate(d.begin(), d.end(), 0.0) / double(d.size());
  double squares = 0.0;
  int within = 0;
  for (std::size_t k = 0; k < d.size(); ++k) {
    const double e = d[k] - level;
    squares += e * e;
    if (std::fabs(e) <= 1.0) ++within;
    if (std::fabs(e) > r.max_db) r.max_db = std::fabs(e), r.worst_hz = at[k];
  }
  r.points = static_cast<int>(d.size());
  r.rms_db = std::sqrt(squares / double(d.size()));
  r.within_1db = double(within) / double(d.size());
  return r;
}

std::vector<double> Played(const Judged& j, std::span<const model::EqBand> bands) {
  std::vector<double> played = model::BandsResponse(bands, j.freq);
  for (std::size_t k = 0; k < played.size(); ++k) played[k] += j.measured[k];
  return played;
}

// Where the bands boost a point that may not be boosted, by how much.
double WorstMaskedBoost(const Judged& j, std::span<const double> eq) {
  double worst = 0.0;
  for (std::size_t k = 0; k < eq.size(); ++k) {
    if (j.mask[k] != kBoostAllowed) worst = std::max(worst, eq[k]);
  }
  return worst;
}

// Bands placed one by one where the wanted correction is largest (cuts while any is left), on
// the correction smoothed to a sixth of an octave, into the free slots but `spare`: the fitter
// then moves them all together and adds where they still fall short. Its own greedy search
// stops at the first band that does not pay, which a single narrow ripple can be.
std::vector<model::EqBand> Seeded(const model::FitTarget& t, std::vector<model::EqBand> slots,
                                  double max_boost, std::size_t spare) {
  std::vector<std::size_t> free;
  for (std::size_t s = 0; s < slots.size(); ++s) {
    if (!model::BandPlays(slots[s])) free.push_back(s);
  }
  if (free.size() <= spare) return slots;
  free.resize(free.size() - spare);
  std::vector<double> eq = model::BandsResponse(slots, t.freq);
  std::vector<double> error(t.freq.size());
  for (std::size_t s : free) {
    for (std::size_t i = 0; i < error.size(); ++i) {
      const double wanted = t.no_boost[i] ? std::min(t.level_db[i], 0.0) : t.level_db[i];
      error[i] = wanted - eq[i];
    }
    const std::vector<double> r = SmoothOctaves(t.freq, error, 1.0 / 6.0);
    std::size_t at = 0;
    double worst = 0.0;
    for (const bool cut : {true, false}) {
      for (std::size_t i = 0; i < r.size(); ++i) {
        const double score = std::fabs(r[i]) * std::sqrt(t.weight[i]);
        if ((r[i] < 0.0) == cut && score > worst) worst = score, at = i;
      }
      if (worst > 0.5) break;
      worst = 0.0;
    }
    const double gain = std::clamp(r[at], double{model::kBandGainMinDb}, max_boost);
    if (worst <= 0.5 || std::fabs(gain) < 0.3) break;
    const auto beyond_half = [&](std::size_t i) { return r[i] * r[at] > 0.0 && std::fabs(r[i]) > std::fabs(r[at]) / 2.0; };
    std::size_t left = at, right = at;
    while (left > 0 && beyond_half(left - 1)) --left;
    while (right + 1 < r.size() && beyond_half(right + 1)) ++right;
    const double power = std::exp2(std::max(std::log2(t.freq[right] / t.freq[left]), 1.0 / 12.0));
    const double q = std::sqrt(power) / (power - 1.0) * std::pow(10.0, std::fabs(gain) / 40.0);
    model::EqBand& b = slots[s];
    b.enable = 1;
    b.freq = model::NearestFrequencyStep(t.freq[at]);
    b.eqFactor = model::NearestQStep(q);
    b.eqGain = model::NearestGainStep(gain, max_boost);
    if (!model::BandPlays(b)) break;
    const std::vector<double> shape = model::BandsResponse(std::span(&b, 1), t.freq);
    for (std::size_t i = 0; i < eq.size(); ++i) eq[i] += shape[i];
  }
  return slots;
}

// The last word on masked points: the boost band that lifts the worst one most gives up gain,
// a step at a time, until none is lifted.
void StopLeaks(const Judged& j, std::vector<model::EqBand>& bands) {
  for (int guard = 0; guard < 400; ++guard) {
    const std::vector<double> eq = model::BandsResponse(bands, j.freq);
    std::size_t at = 0;
    double leak = kBoostTolerance;
    for (std::size_t k = 0; k < eq.size(); ++k) {
      if (j.mask[k] != kBoostAllowed && eq[k] > leak) leak = eq[k], at = k;
    }
    if (leak <= kBoostTolerance) return;
    // A free slot takes a cut across the masked run, which costs the fill nothing.
    std::size_t lo = at, hi = at;
    while (lo > 0 && j.mask[lo - 1] != kBoostAllowed) --lo;
    while (hi + 1 < eq.size() && j.mask[hi + 1] != kBoostAllowed) ++hi;
    double run_leak = 0.0;
    for (std::size_t k = lo; k <= hi; ++k) run_leak = std::max(run_leak, eq[k]);
    const auto free = std::find_if(bands.begin(), bands.end(), [](const model::EqBand& b) { return !model::BandPlays(b); });
    if (free != bands.end() && guard < 40) {
      const double power = std::exp2(std::max(std::log2(j.freq[hi] / j.freq[lo]), 1.0 / 12.0));
      free->enable = 1;
      free->freq = model::NearestFrequencyStep(std::sqrt(j.freq[lo] * j.freq[hi]));
      free->eqFactor = model::NearestQStep(std::sqrt(power) / (power - 1.0));
      free->eqGain = model::NearestGainStep(-(run_leak + 0.1), model::kBandGainMaxDb);
      if (model::BandPlays(*free)) continue;
      free->enable = 0;
    }
    model::EqBand* lifter = nullptr;
    double most = 0.0;
    for (model::EqBand& b : bands) {
      if (!model::BandPlays(b) || b.eqGain <= 0.0f) continue;
      const double here = model::BandsResponse(std::span(&b, 1), std::span(&j.freq[at], 1))[0];
      if (here > most) most = here, lifter = &b;
    }
    if (lifter == nullptr) return;
    const double share = std::min(1.0, (leak + 0.05) / most);
    lifter->eqGain = model::NearestGainStep(std::max(0.0, lifter->eqGain * (1.0 - share) - 0.1),
                                            model::kBandGainMaxDb);
  }
}

// Where no crossover ends the passband, the speaker's own roll-off does: no boost chases a
// woofer below its range or a tweeter above it. The edge is where the response, a third of an
// octave smoothed, has fallen this far below its median.
constexpr double kRollOffDb = 6.0;
// How far a response may fall back below its roll-off and still be that roll-off.
constexpr double kRecoveryDb = 3.0;
void SpeakerRange(const SeatResponse& seat, const model::Crossover& crossover, double& lo, double& hi) {
  const std::vector<double> smooth = SmoothOctaves(seat.freq, seat.db, 1.0 / 3.0);
  std::vector<double> inside;
  for (std::size_t i = 0; i < smooth.size(); ++i) {
    if (seat.freq[i] >= lo && seat.freq[i] <= hi && std::isfinite(smooth[i])) inside.push_back(smooth[i]);
  }
  if (inside.size() < 8) return;
  std::nth_element(inside.begin(), inside.begin() + inside.size() / 2, inside.end());
  const double floor = inside[inside.size() / 2] - kRollOffDb;
  const auto falls = [&](std::size_t i) { return !std::isfinite(smooth[i]) || smooth[i] < floor; };
  // Walked in from the end of the range: the roll-off is where the response rises towards the
  // passband. A point well below one further out is a broad dip the speaker plays through,
  // not its roll-off: the edge is then that higher point further out.
  const auto edge = [&](std::size_t i, auto inward, auto outside) {
    std::size_t highest = i;
    for (; falls(i) || outside(i); i = inward(i)) {
      if (outside(i) || !std::isfinite(smooth[i])) {
        if (i == inward(i)) break;
        highest = inward(i);
        continue;
      }
      if (!std::isfinite(smooth[highest]) || smooth[i] > smooth[highest]) highest = i;
      if (smooth[i] < smooth[highest] - kRecoveryDb) return highest;
      if (i == inward(i)) break;
    }
    return i;
  };
  if (crossover.hp.bypass != 0 || crossover.hp.slope == 0) {
    const std::size_t i = edge(
        0, [&](std::size_t k) { return std::min(k + 1, smooth.size() - 1); },
        [&](std::size_t k) { return seat.freq[k] < lo; });
    if (seat.freq[i] < hi) lo = std::max(lo, seat.freq[i]);
  }
  if (crossover.lp.bypass != 0 || crossover.lp.slope == 0) {
    const std::size_t i = edge(
        smooth.size() - 1, [&](std::size_t k) { return k > 0 ? k - 1 : 0; },
        [&](std::size_t k) { return seat.freq[k] > hi; });
    if (seat.freq[i] > lo) hi = std::min(hi, seat.freq[i]);
  }
}

}  // namespace

std::vector<double> FitGrid(const AutoEqOptions& options) {
  return model::LogFrequencyGrid(20.0, 20000.0, std::max(3, options.points_per_octave));
}

OutputFit FitOutput(const SeatResponse& seat, const model::ChannelSettings& channel,
                    const AutoEqOptions& options) {
  OutputFit fit;
  fit.bands = channel.eqArray;
  fit.passband = PassbandOf(channel.crossover);
  const int slots = std::clamp(channel.eqSize, 0, model::kEqBands);
  // A bypassed equalizer plays none of its bands.
  std::vector<model::EqBand> current(channel.eqArray.begin(), channel.eqArray.begin() + slots);
  if (channel.bypass == 1) {
    for (model::EqBand& b : current) b.enable = 0;
  }
  // The fit starts from no bands, so that it depends on the measurement alone: a fit of an
  // output that already plays it finds the same bands and sends nothing.
  std::vector<model::EqBand> empty = current;
  for (model::EqBand& b : empty) b.enable = 0;

  double lo = std::max({fit.passband.low_hz, options.low_hz, 20.0});
  double hi = std::min({fit.passband.high_hz, options.high_hz, 20000.0});
  SpeakerRange(seat, channel.crossover, lo, hi);
  const std::vector<std::uint8_t> mask = NoBoostMask(seat, options.masks);
  const std::vector<double> response = ResponseToFit(seat, mask);
  Judged j;
  for (std::size_t i = 0; i < seat.freq.size(); ++i) {
    const double f = seat.freq[i];
    if (f < lo || f > hi || !std::isfinite(seat.db[i]) || !std::isfinite(response[i])) continue;
    j.freq.push_back(f);
    j.response.push_back(response[i]);
    j.measured.push_back(seat.db[i]);
    j.shape.push_back(options.target.At(f) + CrossoverDb(channel.crossover, f));
    j.mask.push_back(mask[i]);
    // A correction for one seat counts less, as does a sweep that did not repeat itself.
    const double spread = seat.spread_db[i] / 3.0;
    j.weight.push_back(std::clamp(seat.coherence[i], 0.2, 1.0) / (1.0 + spread * spread));
  }
  if (j.freq.size() < 4 || slots == 0) {
    fit.problem = slots == 0 ? "the output has no bands in use"
                             : "the measurement does not cover the output's passband";
    return fit;
  }
  fit.low_hz = j.freq.front();
  fit.high_hz = j.freq.back();

  // The target's level: the measurement's own, or with cuts only lower, so that peaks can be
  // cut onto it.
  std::vector<std::pair<double, double>> offsets;
  for (std::size_t k = 0; k < j.freq.size(); ++k) {
    if (j.mask[k] == kBoostAllowed) offsets.emplace_back(j.response[k] - j.shape[k], j.weight[k]);
  }
  if (offsets.empty()) {
    for (std::size_t k = 0; k < j.freq.size(); ++k) offsets.emplace_back(j.response[k] - j.shape[k], 1.0);
  }
  // The median, not the mean: the dips the bands may not fill would pull a mean down and
  // have everything else cut onto it.
  double sum = 0.0, weights = 0.0;
  for (const auto& [d, w] : offsets) sum += d * w, weights += w;
  const bool cuts_only = options.max_boost_db <= kBoostTolerance;
  const double deepest = sum / weights - kDeepestCutLevel;
  const double level = cuts_only ? std::max(WeightedQuantile(offsets, kCutOnlyQuantile), deepest)
                                 : WeightedQuantile(offsets, 0.5);

  model::FitTarget target;
  target.freq = j.freq;
  target.weight = j.weight;
  for (std::size_t k = 0; k < j.freq.size(); ++k) {
    double wanted = j.shape[k] + level - j.response[k];
    // Held there firmly: a skirt from either side is a boost.
    if (j.mask[k] != kBoostAllowed) target.weight[k] *= 2.0;
    target.level_db.push_back(wanted);
    target.no_boost.push_back(j.mask[k] != kBoostAllowed ? 1 : 0);
  }
  model::FitOptions fo;
  fo.low_hz = lo;
  fo.high_hz = hi;
  fo.max_boost_db = std::clamp(options.max_boost_db, 0.0, double{model::kBandGainMaxDb});
  fo.cut_first = true;
  fo.good_enough_db = 0.1;
  fo.mean_square_only = true;
  // The level is the fit's to choose (the residual is judged at any level), within the
  // headroom; with boosts it may only come down, for fewer of them.
  fo.level_low_db = std::min(0.0, deepest - level);
  fo.level_high_db = 0.0;

  model::FitResult result =
      model::FitBands(target, Seeded(target, empty, fo.max_boost_db, 3), fo);
  // A neighbour's skirt may still lift a masked point.
  StopLeaks(j, result.bands);

  const std::vector<double> before = Played(j, current);
  const std::vector<double> after = Played(j, result.bands);
  fit.before = Judge(j, before);
  fit.after = Judge(j, after);
  const bool current_leaks =
      WorstMaskedBoost(j, model::BandsResponse(current, j.freq)) > kBoostTolerance;
  const bool worth = fit.after.rms_db < fit.before.rms_db - kWorthSending;
  std::vector<model::EqBand> chosen = current;
  if (worth || current_leaks) chosen = result.bands;
  if (chosen == current) fit.after = fit.before;

  for (int s = 0; s < slots; ++s) {
    const model::EqBand& was = channel.eqArray[s];
    const bool differs = channel.bypass == 1 ? model::BandPlays(chosen[s])
                                             : !model::SameOnTheWire(was, chosen[s]);
    // A bypassed table is replaced whole: its old gains would play once it is in use.
    if (differs || channel.bypass == 1) fit.bands[s] = chosen[s];
    if (differs) ++fit.bands_changed;
    if (model::BandPlays(fit.bands[s]) && (channel.bypass == 0 || differs)) ++fit.bands_used;
  }
  const std::vector<double> played = fit.bands_changed > 0 ? after : before;
  double offset = 0.0;
  int n = 0;
  for (std::size_t k = 0; k < j.freq.size(); ++k) {
    if (j.mask[k] & kNarrowDip) continue;
    offset += played[k] - j.shape[k];
    ++n;
  }
  fit.target_level_db = n > 0 ? offset / n : level;
  for (std::size_t k = 0; k < j.freq.size(); ++k) {
    fit.freq.push_back(j.freq[k]);
    fit.before_db.push_back(before[k]);
    fit.after_db.push_back(played[k]);
    fit.target_db.push_back(j.shape[k] + fit.target_level_db);
    fit.mask.push_back(j.mask[k]);
  }
  fit.masked = MaskedRanges(fit.freq, fit.mask);
  return fit;
}

}  // namespace tolva::autotune
