#include "model/fitting/cookbook_filters.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>

#include "dsp_math/response_math.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::model {
namespace {

constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;

struct Biquad {
  double b0, b1, b2, a0, a1, a2;
};

std::vector<double> Evaluate(const Biquad& s, std::span<const double> freq) {
  std::vector<double> out(freq.size());
  for (std::size_t i = 0; i < freq.size(); ++i) {
    const double w = 2.0 * std::numbers::pi * freq[i] / dsp::kSampleRate;
    const std::complex<double> z = std::polar(1.0, -w);
    const std::complex<double> b = s.b0 + z * (s.b1 + z * s.b2);
    const std::complex<double> a = s.a0 + z * (s.a1 + z * s.a2);
    out[i] = 10.0 * std::log10(std::max(std::norm(b / a), 1e-30));
  }
  return out;
}

bool IsPeaking(const std::string& type) {
  return type == "PK" || type == "PEQ";
}

// REW's and the preset collections' fixed-slope shelves name a corner, not the mid-gain
// frequency: the centre lies a quarter (6 dB) or an eighth (12 dB) of the gain in decades away.
std::optional<Biquad> Shelf(const FilterLine& f, double fc, double gain) {
  const std::string& t = f.type;
  const bool low = t.starts_with("LS");
  if (!low && !t.starts_with("HS")) return std::nullopt;
  const double a = std::pow(10.0, gain / 40.0);
  double centre = fc;
  double slope = 0.0;  // 0: given by Q
  if (t.ends_with("6DB") || t.ends_with("12DB")) {
    const bool six = t.ends_with("6DB");
    const double shift = std::pow(10.0, std::fabs(gain) / (six ? 40.0 : 80.0));
    centre = low ? fc * shift : fc / shift;
    slope = six ? 0.5 : 1.0;
  } else if (t != "LS" && t != "HS" && t != "LSC" && t != "HSC" && t != "LSQ" && t != "HSQ") {
    return std::nullopt;
  }
  if (!(centre > 0.0 && centre < dsp::kSampleRate / 2.0)) return std::nullopt;
  const double w0 = 2.0 * std::numbers::pi * centre / dsp::kSampleRate;
  const double c = std::cos(w0);
  const double alpha =
      slope > 0.0 ? std::sin(w0) / 2.0 * std::sqrt((a + 1.0 / a) * (1.0 / slope - 1.0) + 2.0)
                  : std::sin(w0) / (2.0 * f.q.value_or(kButterworthQ));
  const double r = 2.0 * std::sqrt(a) * alpha;
  const double s = low ? 1.0 : -1.0;
  return Biquad{a * ((a + 1) - s * (a - 1) * c + r),  s * 2 * a * ((a - 1) - s * (a + 1) * c),
                a * ((a + 1) - s * (a - 1) * c - r),  (a + 1) + s * (a - 1) * c + r,
                -s * 2 * ((a - 1) + s * (a + 1) * c), (a + 1) + s * (a - 1) * c - r};
}

std::optional<Biquad> Design(const FilterLine& f) {
  const double fc = f.fc.value_or(0.0);
  if (!(fc > 0.0 && fc < dsp::kSampleRate / 2.0)) return std::nullopt;
  const double gain = f.gain.value_or(0.0);
  const std::string& t = f.type;
  const double w0 = 2.0 * std::numbers::pi * fc / dsp::kSampleRate;
  const double c = std::cos(w0);
  if (IsPeaking(t)) {
    const std::optional<double> q = CookbookQOf(f);
    if (!q || !(*q > 0.0)) return std::nullopt;
    const double a = std::pow(10.0, gain / 40.0);
    const double alpha = std::sin(w0) / (2.0 * *q);
    return Biquad{1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a};
  }
  const double q = f.q.value_or(kButterworthQ);
  if (!(q > 0.0)) return std::nullopt;
  const double alpha = std::sin(w0) / (2.0 * q);
  if (t == "LP" || t == "LPQ") return Biquad{(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "HP" || t == "HPQ") return Biquad{(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "BP") return Biquad{alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "NO") return Biquad{1, -2 * c, 1, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "AP") return Biquad{1 - alpha, -2 * c, 1 + alpha, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "LP1" || t == "HP1") {
    const double k = std::tan(w0 / 2.0);
    const bool low = t == "LP1";
    return Biquad{low ? k : 1.0, low ? k : -1.0, 0, 1 + k, k - 1, 0};
  }
  return Shelf(f, fc, gain);
}

// Straight between the points on the log-frequency axis, level beyond the ends.
std::vector<double> GraphicEq(const FilterLine& f, std::span<const double> freq) {
  std::vector<std::pair<double, double>> points;
  for (const auto& p : f.points) {
    if (p.first > 0.0) points.push_back(p);
  }
  std::stable_sort(points.begin(), points.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<double> out(freq.size(), 0.0);
  if (points.empty()) return out;
  for (std::size_t i = 0; i < freq.size(); ++i) {
    const auto next = std::lower_bound(points.begin(), points.end(), freq[i],
                                       [](const auto& p, double f0) { return p.first < f0; });
    if (next == points.begin()) {
      out[i] = points.front().second;
    } else if (next == points.end()) {
      out[i] = points.back().second;
    } else {
      const auto& [f1, g1] = *(next - 1);
      const auto& [f2, g2] = *next;
      const double t = f2 > f1 ? std::log(freq[i] / f1) / std::log(f2 / f1) : 1.0;
      out[i] = g1 + t * (g2 - g1);
    }
  }
  return out;
}

}  // namespace

std::optional<double> CookbookQOf(const FilterLine& line) {
  if (line.q) return line.q;
  if (line.bw_oct) return CookbookQFromBandwidth(line.fc.value_or(1000.0), *line.bw_oct);
  return std::nullopt;
}

std::optional<std::vector<double>> CookbookResponse(const FilterLine& line,
                                                    std::span<const double> freq) {
  if (line.type == "GRAPHICEQ") return GraphicEq(line, freq);
  const std::optional<Biquad> s = Design(line);
  if (!s || s->a0 == 0.0) return std::nullopt;
  return Evaluate(*s, freq);
}

}  // namespace tolva::model
