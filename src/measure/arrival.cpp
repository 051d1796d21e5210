#include "measure/arrival.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolva::measure {
namespace {

constexpr int kHalfTaps = 16;
constexpr int kSearchSteps = 64;  // per sample around the largest sample

double Sinc(double x) {
  if (std::fabs(x) < 1e-12) return 1.0;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

// Blackman window over the taps.
double TapWindow(double x) {
  const double t = std::clamp(x / (kHalfTaps + 1) * 0.5 + 0.5, 0.0, 1.0);
  return 0.42 - 0.5 * std::cos(2.0 * std::numbers::pi * t) +
         0.08 * std::cos(4.0 * std::numbers::pi * t);
}

std::size_t ClampIndex(const ImpulseResponse& ir, double lag_s) {
  const double index = static_cast<double>(ir.zero) + lag_s * ir.rate;
  if (!(index > 0.0)) return 0;
  return std::min(ir.samples.size() - 1, static_cast<std::size_t>(index));
}

}  // namespace

double InterpolateAt(const ImpulseResponse& ir, double index) {
  const auto centre = static_cast<long>(std::floor(index));
  double sum = 0.0;
  for (long i = centre - kHalfTaps + 1; i <= centre + kHalfTaps; ++i) {
    if (i < 0 || i >= static_cast<long>(ir.samples.size())) continue;
    const double x = index - static_cast<double>(i);
    sum += ir.samples[static_cast<std::size_t>(i)] * Sinc(x) * TapWindow(x);
  }
  return sum;
}

Arrival FindArrival(const ImpulseResponse& ir, double first_lag_s, double last_lag_s) {
  Arrival a;
  if (ir.samples.empty()) return a;
  const std::size_t first = ClampIndex(ir, first_lag_s);
  const std::size_t last = std::max(first, ClampIndex(ir, last_lag_s));
  std::size_t best = first;
  for (std::size_t i = first; i <= last; ++i) {
    if (std::fabs(ir.samples[i]) > std::fabs(ir.samples[best])) best = i;
  }
  // The true peak of a band-limited impulse lies within a sample of the largest sample.
  double best_index = static_cast<double>(best);
  double best_value = ir.samples[best];
  for (int step = -kSearchSteps; step <= kSearchSteps; ++step) {
    const double x = static_cast<double>(best) + static_cast<double>(step) / kSearchSteps;
    const double v = InterpolateAt(ir, x);
    if (std::fabs(v) > std::fabs(best_value)) {
      best_value = v;
      best_index = x;
    }
  }
  // A parabola through the finest steps refines the position below the step.
  const double h = 1.0 / kSearchSteps;
  const double l = std::fabs(InterpolateAt(ir, best_index - h));
  const double c = std::fabs(best_value);
  const double r = std::fabs(InterpolateAt(ir, best_index + h));
  const double denominator = l - 2.0 * c + r;
  if (denominator < 0.0) best_index += std::clamp(0.5 * (l - r) / denominator, -0.5, 0.5) * h;
  a.index = best_index;
  a.seconds = ir.LagSeconds(best_index);
  a.peak = best_value;
  a.inverted = best_value < 0.0;
  return a;
}

Arrival FindArrival(const ImpulseResponse& ir) {
  return FindArrival(ir, ir.LagSeconds(0.0),
                     ir.LagSeconds(static_cast<double>(ir.samples.size() - 1)));
}

double PeakToNoiseDb(const ImpulseResponse& ir, const Arrival& arrival, double before_s,
                     double after_s) {
  const double from = arrival.index - before_s * ir.rate;
  const double to = arrival.index + after_s * ir.rate;
  // The samples before `from` and those after `to`.
  const std::size_t size = ir.samples.size();
  const auto index = [size](double x) {
    return static_cast<std::size_t>(std::clamp(x, 0.0, static_cast<double>(size)));
  };
  const std::size_t head = index(std::ceil(from));
  const std::size_t tail = std::max(head, index(std::floor(to) + 1.0));
  const auto sum_squares = [&](std::size_t begin, std::size_t end) {
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
      sum += static_cast<double>(ir.samples[i]) * ir.samples[i];
    return sum;
  };
  const double sum = sum_squares(0, head) + sum_squares(tail, size);
  const std::size_t count = head + (size - tail);
  if (count == 0 || sum <= 0.0) return 300.0;
  const double rms = std::sqrt(sum / static_cast<double>(count));
  return 20.0 * std::log10(std::fabs(arrival.peak) / rms);
}

}  // namespace tolva::measure
