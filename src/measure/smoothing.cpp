#include "measure/smoothing.h"

#include <charconv>
#include <cmath>

namespace tolva::measure {
namespace {

// Width in octaves rising from `low` at f_low to `high` at f_high, linearly in log f, held
// beyond both.
double Between(double f, double f_low, double low, double f_high, double high) {
  if (f <= f_low) return low;
  if (f >= f_high) return high;
  const double t = std::log(f / f_low) / std::log(f_high / f_low);
  return low * std::pow(high / low, t);
}

}  // namespace

double Smoothing::OctavesAt(double f) const {
  switch (kind) {
    case Kind::kNone:
      return 0.0;
    case Kind::kFraction:
      return 1.0 / denominator;
    case Kind::kVariable:
      return Between(f, 100.0, 1.0 / 48.0, 10000.0, 1.0 / 3.0);
    case Kind::kPsychoacoustic:
      return Between(f, 100.0, 1.0 / 3.0, 1000.0, 1.0 / 6.0);
  }
  return 0.0;
}

std::string Smoothing::Name() const {
  switch (kind) {
    case Kind::kNone:
      return "none";
    case Kind::kFraction:
      return "1/" + std::to_string(denominator);
    case Kind::kVariable:
      return "var";
    case Kind::kPsychoacoustic:
      return "psy";
  }
  return "none";
}

std::optional<Smoothing> ParseSmoothing(std::string_view text) {
  if (text == "none") return Smoothing{};
  if (text == "var") return Smoothing{Smoothing::Kind::kVariable};
  if (text == "psy") return Smoothing{Smoothing::Kind::kPsychoacoustic};
  if (!text.starts_with("1/")) return std::nullopt;
  text.remove_prefix(2);
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < 1 || n > 48)
    return std::nullopt;
  return Smoothing{Smoothing::Kind::kFraction, n};
}

}  // namespace tolva::measure
