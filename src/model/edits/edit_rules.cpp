#include "model/edits/edit_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/edits/screen_text.h"

namespace tolva::model {

float NearestTenthStep(double value) {
  return static_cast<float>(std::round(value * 10.0) / 10.0);
}

float NearestDelayStep(double ms) {
  return static_cast<float>(std::round(ms * 1000.0) / 1000.0);
}

bool HoldsNumber(std::string_view text) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return false;
  if (text[i] == '+' || text[i] == '-') ++i;
  const auto digit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
  return digit(i) || ((i < text.size() && (text[i] == '.' || text[i] == ',')) && digit(i + 1));
}

int ParseInteger(std::string_view text) {
  const std::string s(text);
  const long long value = std::strtoll(s.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

float InUnitTenths(double value) {
  return static_cast<float>(std::lround(value * 10.0)) / 10.0f;
}

double ParseReal(std::string_view text) {
  std::string s(text);
  std::replace(s.begin(), s.end(), ',', '.');
  const double value = std::strtod(s.c_str(), nullptr);
  return std::isfinite(value) ? value : 0.0;
}

int ParseFrequency(std::string_view text) {
  const auto held = [](double hz) {
    return static_cast<int>(std::clamp(std::round(hz), double{INT32_MIN}, double{INT32_MAX}));
  };
  const std::size_t k = text.find_first_of("Kk");
  if (k == std::string_view::npos) return held(ParseReal(text));
  // "2.5k" is decimal kilohertz, as "2k5" is.
  if (text.substr(0, k).find_first_of(".,") != std::string_view::npos) {
    return held(ParseReal(text.substr(0, k)) * 1000.0);
  }
  const long long thousands = ParseInteger(text.substr(0, k));
  // Every digit after the letter counts (1K25 is 1250 Hz, not 1200), to the nearest hertz.
  double fraction = 0.0, place = 100.0;
  for (std::size_t i = k + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    fraction += (text[i] - '0') * place;
    place /= 10.0;
  }
  const long long hz = std::llround(fraction);
  return static_cast<int>(std::clamp<long long>(
      thousands * 1000 + (text.substr(0, k).find('-') != std::string_view::npos ? -hz : hz),
      INT32_MIN, INT32_MAX));
}

namespace {

int FrequencyAtPoint(int k) {
  const float exponent = static_cast<float>(k) * 3.0f / kFrequencySteps + 1.30103f;
  return static_cast<int>(std::lround(std::pow(10.0f, exponent)));
}

}  // namespace

int StepFrequency(int f, bool up) {
  const double span =
      std::log10(static_cast<double>(kMaxFrequency)) - std::log10(double{kMinFrequency});
  const double p =
      (std::log10(static_cast<double>(std::max(f, 1))) - std::log10(double{kMinFrequency})) *
      kFrequencySteps / span;
  const int floor_p = static_cast<int>(std::floor(p));
  const auto point = [&](int distance) {
    return up ? std::min(kFrequencySteps, floor_p + distance) : std::max(0, floor_p - distance);
  };
  const int result = FrequencyAtPoint(std::clamp(point(1), 0, kFrequencySteps));
  if (result != f) return result;
  return FrequencyAtPoint(std::clamp(point(2), 0, kFrequencySteps));
}

bool IsFlat(const ChannelSettings& channel) {
  double sum = 0.0;
  for (int b = 0; b < std::clamp(channel.eqSize, 0, kEqBands); ++b) {
    sum += std::fabs(static_cast<double>(channel.eqArray[b].eqGain));
  }
  return sum < 0.01;
}

float GraphGain(const ChannelSettings& channel, int band) {
  if (band < 0 || band >= kEqBands) return 0.0f;
  const EqBand& b = channel.eqArray[band];
  return b.enable != 1 || channel.bypass == 1 ? 0.0f : b.eqGain;
}

int ShownGainTenths(const ChannelSettings& channel, int band) {
  return static_cast<int>(std::lround(GraphGain(channel, band) * 10.0f));
}

bool BandMarked(const ChannelSettings& channel, int band) {
  if (band < 0 || band >= kEqBands) return false;
  const EqBand& b = channel.eqArray[band];
  return b.eqGain != 0.0f && b.enable == 1 && channel.bypass != 1;
}

double DelayEditLimit(double value, int unit) {
  switch (static_cast<DelayUnit>(unit)) {
    case DelayUnit::kCentimetres:
      return std::clamp(std::trunc(value), 0.0, double{kCentimetresAt15Ms});
    case DelayUnit::kInches:
      return std::clamp(std::trunc(value), 0.0, double{kInchesAt15Ms});
    default:
      return std::clamp(value, 0.0, double{kMaxDelayMs});
  }
}

float DelayMsFromEdit(double value, int unit) {
  const double limited = DelayEditLimit(value, unit);
  switch (static_cast<DelayUnit>(unit)) {
    case DelayUnit::kCentimetres:
      return static_cast<float>(limited * kMaxDelayMs / kCentimetresAt15Ms);
    case DelayUnit::kInches:
      return static_cast<float>(limited * kMaxDelayMs / kInchesAt15Ms);
    default:
      return static_cast<float>(limited);
  }
}

}  // namespace tolva::model
