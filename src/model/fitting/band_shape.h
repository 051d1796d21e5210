#pragma once

#include <span>
#include <vector>

// The unit's peaking band evaluated at arbitrary frequencies, with its derivatives, for the
// fitter. Same design as the display curves (48 kHz), written as
//   |H|² = (C² + pn²·S²) / (C² + pd²·S²),  C = cos ω − cos ω0, S = sin ω,
// where a boost has pn = β·G, pd = β and a cut pn = β, pd = β/G (G = 10^(g/20)), and
// β = (cos ωl − cos ω0) / sin ωl from the band's lower edge ωl.
namespace tolva::model {

// cos ω and sin² ω of each frequency, computed once per fit.
struct ShapeGrid {
  explicit ShapeGrid(std::span<const double> freq);
  std::size_t size() const { return cos_w.size(); }
  std::vector<double> cos_w, sin2_w;
};

struct BandValues {
  double freq = 1000.0, gain_db = 0.0, q = 1.0;
};

// dB at every grid point, added to out.
void AddBandShape(const ShapeGrid& grid, const BandValues& band, double* out);
// The band's power ratio multiplied into `product`: the dB of many bands then cost one
// logarithm a point (DbOfPower).
void MultiplyBandPower(const ShapeGrid& grid, const BandValues& band, double* product);
double DbOfPower(double power);
// The power ratio multiplied into `product`, and d(dB)/d(ln f), d(dB)/d(gain), d(dB)/d(ln Q)
// into the three arrays.
void BandPowerWithSlopes(const ShapeGrid& grid, const BandValues& band, double* product,
                         double* d_log_freq, double* d_gain, double* d_log_q);

}  // namespace tolva::model
