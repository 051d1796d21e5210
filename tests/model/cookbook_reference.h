#pragma once

// An independent design of what filter text means: the audio-EQ cookbook's peaking, shelf
// and pass filters at 48 kHz, written from the cookbook's formulas for the tests alone, so
// that the import is judged against the curve other programs play and not against our own
// code. Also the unit's band, from its coefficient formulas.
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace tolva::reference {

inline constexpr double kRate = 48000.0;

struct Section {
  double b0, b1, b2, a0, a1, a2;
};

inline double Db(const Section& s, double f) {
  const std::complex<double> z = std::exp(std::complex<double>(0.0, -2.0 * std::numbers::pi * f / kRate));
  const std::complex<double> h = (s.b0 + s.b1 * z + s.b2 * z * z) / (s.a0 + s.a1 * z + s.a2 * z * z);
  return 20.0 * std::log10(std::abs(h));
}

inline Section Peaking(double f0, double gain, double q) {
  const double a = std::pow(10.0, gain / 40.0), w = 2.0 * std::numbers::pi * f0 / kRate;
  const double alpha = std::sin(w) / (2.0 * q);
  return {1 + alpha * a, -2 * std::cos(w), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w), 1 - alpha / a};
}

inline Section Shelf(bool low, double f0, double gain, double q) {
  const double a = std::pow(10.0, gain / 40.0), w = 2.0 * std::numbers::pi * f0 / kRate;
  const double c = std::cos(w), k = 2.0 * std::sqrt(a) * std::sin(w) / (2.0 * q);
  if (low) {
    return {a * ((a + 1) - (a - 1) * c + k), 2 * a * ((a - 1) - (a + 1) * c), a * ((a + 1) - (a - 1) * c - k),
            (a + 1) + (a - 1) * c + k, -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - k};
  }
  return {a * ((a + 1) + (a - 1) * c + k), -2 * a * ((a - 1) + (a + 1) * c), a * ((a + 1) + (a - 1) * c - k),
          (a + 1) - (a - 1) * c + k, 2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - k};
}

inline Section HighPass(double f0, double q) {
  const double w = 2.0 * std::numbers::pi * f0 / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
  return {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha};
}

// The unit's band: lower edge ωl = ω0(√(4Q²+1) − 1)/(2Q), r from it, scaled by G for a cut.
inline Section UnitBand(double f0, double gain, double q) {
  const double g = std::pow(10.0, gain / 20.0), w0 = 2.0 * std::numbers::pi * f0 / kRate;
  const double wl = w0 * (std::sqrt(4 * q * q + 1) - 1) / (2 * q);
  double r = std::sin(wl) * std::sin(w0) / (2 * (std::cos(wl) - std::cos(w0)));
  if (g < 1) r *= g;
  const double u = 2 * r + std::sin(w0);
  const double a1 = -4 * r * std::cos(w0) / u;
  return {(2 * r + g * std::sin(w0)) / u, a1, (2 * r - g * std::sin(w0)) / u, 1, a1, (2 * r - std::sin(w0)) / u};
}

// 1/48 octave through 1 kHz, 20 Hz to 20 kHz: not the import's own grid.
inline std::vector<double> JudgingGrid() {
  std::vector<double> f;
  for (int k = -272; k <= 208; ++k) {
    const double x = 1000.0 * std::exp2(k / 48.0);
    if (x >= 20.0 && x <= 20000.0) f.push_back(x);
  }
  return f;
}

}  // namespace tolva::reference
