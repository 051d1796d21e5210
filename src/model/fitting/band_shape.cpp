#include "model/fitting/band_shape.h"

#include <cmath>
#include <numbers>

#include "dsp_math/response_math.h"

namespace tolva::model {
namespace {

constexpr double kDbPerNeper = 10.0 / std::numbers::ln10;  // 10·log10 of a power ratio

struct Design {
  double w0, c0, s0;  // centre
  double wl, cl, sl;  // lower edge
  double x, q;        // ωl / ω0 and the unit's Q
  double beta, pn, pd;
  bool boost;
};

Design DesignOf(const BandValues& band) {
  Design d{};
  d.q = band.q;
  d.w0 = 2.0 * std::numbers::pi * band.freq / dsp::kSampleRate;
  d.c0 = std::cos(d.w0);
  d.s0 = std::sin(d.w0);
  d.x = (std::sqrt(4.0 * d.q * d.q + 1.0) - 1.0) / (2.0 * d.q);
  d.wl = d.w0 * d.x;
  d.cl = std::cos(d.wl);
  d.sl = std::sin(d.wl);
  d.beta = (d.cl - d.c0) / d.sl;
  const double g = std::pow(10.0, band.gain_db / 20.0);
  d.boost = band.gain_db >= 0.0;
  d.pn = d.boost ? d.beta * g : d.beta;
  d.pd = d.boost ? d.beta : d.beta / g;
  return d;
}

}  // namespace

ShapeGrid::ShapeGrid(std::span<const double> freq) : cos_w(freq.size()), sin2_w(freq.size()) {
  for (std::size_t i = 0; i < freq.size(); ++i) {
    const double w = 2.0 * std::numbers::pi * freq[i] / dsp::kSampleRate;
    cos_w[i] = std::cos(w);
    const double s = std::sin(w);
    sin2_w[i] = s * s;
  }
}

void AddBandShape(const ShapeGrid& grid, const BandValues& band, double* out) {
  if (band.gain_db == 0.0) return;
  std::vector<double> power(grid.size(), 1.0);
  MultiplyBandPower(grid, band, power.data());
  for (std::size_t i = 0; i < grid.size(); ++i) out[i] += DbOfPower(power[i]);
}

void MultiplyBandPower(const ShapeGrid& grid, const BandValues& band, double* product) {
  if (band.gain_db == 0.0) return;
  const Design d = DesignOf(band);
  const double pn2 = d.pn * d.pn, pd2 = d.pd * d.pd;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const double c = grid.cos_w[i] - d.c0;
    const double c2 = c * c;
    product[i] *= (c2 + pn2 * grid.sin2_w[i]) / (c2 + pd2 * grid.sin2_w[i]);
  }
}

double DbOfPower(double power) {
  return kDbPerNeper * std::log(power);
}

void BandPowerWithSlopes(const ShapeGrid& grid, const BandValues& band, double* product,
                         double* d_log_freq, double* d_gain, double* d_log_q) {
  const Design d = DesignOf(band);
  const double pn2 = d.pn * d.pn, pd2 = d.pd * d.pd;
  // β as a function of ω0 (edge fixed) and of the edge; the edge follows ω0 and Q.
  const double dbeta_dwl = (d.c0 * d.cl - 1.0) / (d.sl * d.sl);
  const double dbeta_dw0 = d.s0 / d.sl + dbeta_dwl * d.x;
  const double dx_dq = (1.0 - d.x * d.x) / (1.0 + 2.0 * d.q * d.x);
  const double dbeta_dlogq = dbeta_dwl * d.w0 * dx_dq * d.q;
  constexpr double kLnPerDb = std::numbers::ln10 / 20.0;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const double c = grid.cos_w[i] - d.c0;
    const double c2 = c * c;
    const double s2 = grid.sin2_w[i];
    const double n = c2 + pn2 * s2;
    const double m = c2 + pd2 * s2;
    product[i] *= n / m;
    // d/dpn·pn and d/dpd·pd: the relative slopes, shared by gain and β.
    const double rel_n = kDbPerNeper * 2.0 * pn2 * s2 / n;
    const double rel_d = -kDbPerNeper * 2.0 * pd2 * s2 / m;
    const double dl_dbeta = (rel_n + rel_d) / d.beta;
    const double dl_dc0 = kDbPerNeper * 2.0 * c * (1.0 / m - 1.0 / n);
    d_gain[i] = d.boost ? rel_n * kLnPerDb : -rel_d * kLnPerDb;
    d_log_freq[i] = d.w0 * (dl_dc0 * -d.s0 + dl_dbeta * dbeta_dw0);
    d_log_q[i] = dl_dbeta * dbeta_dlogq;
  }
}

}  // namespace tolva::model
