#pragma once

// A plain, direct evaluation of the unit's response formulas, written apart from the fast path:
// one complex evaluation per section and grid point, scratch arrays allocated per call. Tests
// and the benchmark compare the production code against it.
#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace tolva::reference {

struct Filter {
  int fs, type, slope, bypass;
};
struct Band {
  double freq, gain, q;
  bool enabled;
};
struct Channel {
  Filter hp, lp;
  std::vector<Band> bands;
  bool eq_bypass;
};
struct Curves {
  std::vector<double> hp, lp, total;
};

inline std::vector<double> Grid(double top = 48000.0, int n = 512) {
  std::vector<double> g(n);
  const double l = std::log10(top / 2);
  for (int i = 0; i < n - 1; ++i) g[i] = std::pow(10.0, l * (i + 1) / (n - 1));
  g[n - 1] = top;
  return g;
}

// b = {b0, b1, b2}, a = {a1, a2}.
inline std::vector<double> SectionDb(const double b[3], const double a[2],
                                     const std::vector<double>& grid) {
  const int n = static_cast<int>(grid.size());
  const double rate = 2 * grid[n - 2];
  std::vector<double> out(n);
  for (int i = 0; i < n; ++i) {
    const double w = 2 * std::numbers::pi * grid[i] / rate;
    const std::complex<double> z = std::polar(1.0, -w);
    const std::complex<double> h =
        (b[0] + b[1] * z + b[2] * z * z) / (1.0 + a[0] * z + a[1] * z * z);
    const double p = std::norm(h);
    out[i] = std::fabs(p) > 1e-8 ? 10 * std::log10(p) : 10 * std::log10(1e-40);
  }
  return out;
}

inline std::vector<double> Peaking(double f0, double g, double q, const std::vector<double>& grid) {
  if (!(f0 >= 1 && f0 <= 23999) || !(q > 0)) return std::vector<double>(grid.size(), 0.0);
  const double gl = std::pow(10.0, g / 20), w0 = 2 * std::numbers::pi * f0 / 48000.0;
  const double wl = w0 * (std::sqrt(4 * q * q + 1) - 1) / (2 * q);
  double r = std::sin(wl) * std::sin(w0) / (2 * (std::cos(wl) - std::cos(w0)));
  if (gl < 1) r *= gl;
  const double u = 2 * r + std::sin(w0);
  const double a[2] = {-4 * r * std::cos(w0) / u, (2 * r - std::sin(w0)) / u};
  const double b[3] = {(2 * r + gl * std::sin(w0)) / u, a[0], (2 * r - gl * std::sin(w0)) / u};
  return SectionDb(b, a, grid);
}

inline std::vector<double> Crossover(bool low, double fc, int slope, int type,
                                     const std::vector<double>& grid) {
  static const double lr[9][4] = {{},
                                  {},
                                  {2.0},
                                  {},
                                  {1.4142135624, 1.4142135624},
                                  {},
                                  {2.0, 1.0, 1.0},
                                  {},
                                  {1.847759065, 0.7653668647, 1.847759065, 0.7653668647}};
  static const double bt[9] = {0,
                               1,
                               0.5773502692,
                               0.4030076571,
                               0.3086066999,
                               0.2496411504,
                               0.2093977333,
                               0.1802208568,
                               0.1581178777};
  static const double bd[9][4] = {{},
                                  {},
                                  {1.7320508076},
                                  {1.4470803599},
                                  {1.9159489237, 1.2414059301},
                                  {1.7745107195, 1.0911344114},
                                  {1.9595631418, 1.6361402521, 0.9772172032},
                                  {1.8784433114, 1.5132682086, 0.8878963849},
                                  {1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765}};
  static const double bw[9][4] = {{},
                                  {},
                                  {1.7320508076},
                                  {2.5415414011},
                                  {3.0232649388, 3.3893657927},
                                  {3.7778936609, 4.2610228013},
                                  {4.3360270513, 4.5664891522, 5.1491771521},
                                  {5.0662061498, 5.3792700335, 6.0495276805},
                                  {5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508}};
  static const double b1[4] = {1.0, 2.3221853546, 3.6467385953, 4.9717868586};
  if (type < 0 || type > 3) type = 1;
  int n = type == 0 ? 2 : (type == 2 && slope % 2 != 0 ? slope + 1 : slope);
  n = std::clamp(n, 1, 8);
  const double lo = 2 * std::numbers::pi * 0.0025 / 48000,
               hi = 2 * std::numbers::pi * 22000 / 48000;
  const double w = std::clamp(2 * std::numbers::pi * fc / 48000, lo, hi);
  std::vector<double> out(grid.size(), 0.0);
  int remaining = n;
  for (int k = 0; k < 4 && remaining > 0; ++k) {
    double wk = w;
    if (type == 3) wk = low ? w * bt[n] : w / bt[n];
    double b[3], a[2];
    if (remaining >= 2) {
      double d = 1.0;
      if (type == 1) d = 2 * std::sin((2.0 * (n / 2 - 1 - k) + 1) * std::numbers::pi / (2.0 * n));
      if (type == 2) d = lr[n][k];
      if (type == 3) {
        d = bd[n][k];
        wk = std::clamp(low ? wk * bw[n][k] : wk / bw[n][k], lo, hi);
      }
      const double beta = (2 - d * std::sin(wk)) / (2 + d * std::sin(wk)), c = std::cos(wk);
      a[0] = -(1 + beta) * c;
      a[1] = beta;
      const double e = (1 + beta) * (low ? 1 - c : 1 + c) / 4;
      b[0] = e;
      b[1] = low ? 2 * e : -2 * e;
      b[2] = e;
      remaining -= 2;
    } else {
      if (type == 3) wk = std::clamp(low ? wk * b1[k] : wk / b1[k], lo, hi);
      const double c = std::cos(wk), s = std::sin(wk);
      const double p = (c + s - 1) / (c - s - 1);
      a[0] = p;
      a[1] = 0;
      b[0] = low ? (1 + p) / 2 : (1 - p) / 2;
      b[1] = low ? b[0] : -b[0];
      b[2] = 0;
      remaining = 0;
    }
    const std::vector<double> sec = SectionDb(b, a, grid);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] += sec[i];
  }
  return out;
}

inline Curves ChannelCurve(const Channel& ch, const std::vector<double>& grid) {
  Curves c;
  c.hp = ch.hp.bypass == 1 ? std::vector<double>(grid.size(), 0.0)
                           : Crossover(false, ch.hp.fs, ch.hp.slope, ch.hp.type, grid);
  c.lp = ch.lp.bypass == 1 ? std::vector<double>(grid.size(), 0.0)
                           : Crossover(true, ch.lp.fs, ch.lp.slope, ch.lp.type, grid);
  c.total.assign(grid.size(), 0.0);
  for (std::size_t i = 0; i < grid.size(); ++i) c.total[i] = c.hp[i] + c.lp[i];
  for (const Band& b : ch.bands) {
    const double g = ch.eq_bypass ? 0.0 : (b.enabled ? b.gain : 0.0);
    const std::vector<double> band = Peaking(b.freq, g, b.q, grid);
    for (std::size_t i = 0; i < grid.size(); ++i) c.total[i] += band[i];
  }
  return c;
}

}  // namespace tolva::reference
