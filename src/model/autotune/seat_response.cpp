#include "model/autotune/seat_response.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/autotune/target_curve.h"
#include "model/fitting/band_fitter.h"

namespace tolva::autotune {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

SeatResponse CombinePositions(std::span<const measure::Response> positions,
                              std::span<const double> grid,
                              std::span<const model::EqBand> playing) {
  SeatResponse seat;
  seat.freq.assign(grid.begin(), grid.end());
  seat.positions = static_cast<int>(positions.size());
  const std::size_t n = grid.size();
  seat.db.assign(n, kNaN);
  seat.spread_db.assign(n, 0.0);
  seat.coherence.assign(n, 1.0);
  const std::vector<double> bands = model::BandsResponse(playing, grid);
  std::vector<double> levels;
  for (std::size_t i = 0; i < n; ++i) {
    levels.clear();
    for (const measure::Response& r : positions) {
      const double db = LevelAt(r.freq, r.db, grid[i], false);
      if (!std::isfinite(db)) continue;
      levels.push_back(db - bands[i]);
      if (r.coherence.size() == r.freq.size()) {
        const double c = LevelAt(r.freq, r.coherence, grid[i], true);
        if (std::isfinite(c)) seat.coherence[i] = std::min(seat.coherence[i], c);
      }
    }
    if (levels.empty()) continue;
    double power = 0.0, mean = 0.0;
    for (double l : levels) {
      power += std::pow(10.0, l / 10.0);
      mean += l;
    }
    mean /= double(levels.size());
    seat.db[i] = 10.0 * std::log10(power / double(levels.size()));
    double var = 0.0;
    for (double l : levels) var += (l - mean) * (l - mean);
    seat.spread_db[i] = std::sqrt(var / double(levels.size()));
  }
  return seat;
}

std::vector<double> SmoothOctaves(std::span<const double> freq, std::span<const double> db,
                                  double octaves, bool fill_gaps) {
  const std::size_t n = freq.size();
  std::vector<double> out(n, kNaN);
  const double half = std::exp2(octaves / 2.0);
  std::size_t lo = 0, hi = 0;
  double sum = 0.0;
  int count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    while (hi < n && freq[hi] <= freq[i] * half) {
      if (std::isfinite(db[hi])) sum += db[hi], ++count;
      ++hi;
    }
    while (lo < hi && freq[lo] < freq[i] / half) {
      if (std::isfinite(db[lo])) sum -= db[lo], --count;
      ++lo;
    }
    if (count > 0 && (fill_gaps || std::isfinite(db[i]))) out[i] = sum / count;
  }
  return out;
}

std::vector<std::uint8_t> NoBoostMask(const SeatResponse& seat, const MaskOptions& o) {
  const std::size_t n = seat.freq.size();
  std::vector<std::uint8_t> mask(n, kBoostAllowed);
  for (std::size_t i = 0; i < n; ++i) {
    if (seat.coherence[i] < o.min_coherence) mask[i] |= kLowCoherence;
    if (seat.spread_db[i] > o.max_spread_db) mask[i] |= kVaries;
  }
  // A dip is the run of points below the half-octave mean of its surroundings (the mean taken
  // again without the deepest points, which would drag it down onto the dip's skirts); narrow
  // and deep enough, all of it is masked, with two points either side.
  std::vector<double> mean = SmoothOctaves(seat.freq, seat.db, 0.5);
  std::vector<double> surroundings = seat.db;
  for (std::size_t i = 0; i < n; ++i) {
    if (seat.db[i] < mean[i] - 2.0) surroundings[i] = kNaN;
  }
  mean = SmoothOctaves(seat.freq, surroundings, 0.5, true);
  std::size_t i = 0;
  while (i < n) {
    if (!(seat.db[i] < mean[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    double depth = 0.0;
    while (end < n && seat.db[end] < mean[end]) {
      depth = std::max(depth, mean[end] - seat.db[end]);
      ++end;
    }
    const double width = std::log2(seat.freq[end - 1] / seat.freq[i]);
    if (depth >= o.dip_depth_db && width <= o.dip_max_octaves) {
      for (std::size_t k = i > 1 ? i - 2 : 0; k < std::min(n, end + 2); ++k) mask[k] |= kNarrowDip;
    }
    i = end;
  }
  return mask;
}

std::vector<MaskedRange> MaskedRanges(std::span<const double> freq,
                                      std::span<const std::uint8_t> mask) {
  std::vector<MaskedRange> ranges;
  for (std::size_t i = 0; i < freq.size() && i < mask.size(); ++i) {
    if (mask[i] == kBoostAllowed) continue;
    if (!ranges.empty() && i > 0 && mask[i - 1] != kBoostAllowed) {
      ranges.back().high_hz = freq[i];
      ranges.back().reasons |= mask[i];
    } else {
      ranges.push_back({freq[i], freq[i], mask[i]});
    }
  }
  return ranges;
}

}  // namespace tolva::autotune
