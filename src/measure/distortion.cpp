#include "measure/distortion.h"

#include <algorithm>
#include <cmath>

namespace tolva::measure {

Distortion MeasureDistortion(const SweepCapture& capture, const Sweep& sweep, const std::vector<double>& grid,
                             const Smoothing& smoothing, int max_harmonic) {
  Distortion out;
  out.freq = grid;
  const Response linear = ResponseOnGrid(capture.spectrum, grid, smoothing);
  out.thd_percent.assign(grid.size(), 0.0);
  for (int k = 2; k <= max_harmonic; ++k) {
    // Each harmonic's window reaches halfway to its neighbours (k+1 earlier, k-1 later).
    const double before = 0.5 * (sweep.HarmonicLead(k + 1) - sweep.HarmonicLead(k));
    const double after = 0.5 * (sweep.HarmonicLead(k) - sweep.HarmonicLead(k - 1));
    Arrival at = capture.arrival;
    at.index -= sweep.HarmonicLead(k) * capture.ir.rate;
    const FixedWindow window{std::min(5.0, before * 1000.0), std::min(100.0, after * 1000.0), 0.5, 0.5};
    const DenseSpectrum spectrum = WindowedSpectrum(capture.ir, at, window);
    std::vector<double> shifted(grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i) shifted[i] = grid[i] * k;
    const Response harmonic = ResponseOnGrid(spectrum, shifted, smoothing);
    std::vector<double> percent(grid.size(), 0.0);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      if (shifted[i] > sweep.end_hz) continue;
      percent[i] = 100.0 * std::pow(10.0, (harmonic.db[i] - linear.db[i]) / 20.0);
      out.thd_percent[i] += percent[i] * percent[i];
    }
    out.percent.push_back(std::move(percent));
  }
  for (double& t : out.thd_percent) t = std::sqrt(t);
  return out;
}

}  // namespace tolva::measure
