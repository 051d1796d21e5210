#include "model/measurement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tolva::model {
namespace {

std::vector<std::string_view> Columns(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t,;", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t,;", start), line.size());
    out.push_back(line.substr(start, end - start));
    at = end;
  }
  return out;
}

bool ReadNumber(std::string_view token, double& value) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

}  // namespace

MeasurementText ParseMeasurementText(std::string_view text) {
  MeasurementText out;
  Measurement& m = out.measurement;
  int number = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto columns = Columns(line);
    if (columns.empty() || columns[0].front() == '*' || columns[0].front() == '#') continue;
    double f = 0.0, level = 0.0;
    const auto fail = [&](const std::string& why) {
      out.error = "line " + std::to_string(number) + ": " + why;
      m = {};
      return out;
    };
    if (columns.size() < 2 || !ReadNumber(columns[0], f) || !ReadNumber(columns[1], level)) {
      // A header line of words before the data (some exporters write one without "*").
      if (m.freq.empty() && !ReadNumber(columns[0], f)) continue;
      return fail("expected a frequency and a level");
    }
    if (f <= 0.0) return fail("the frequency is not above 0 Hz");
    if (!m.freq.empty() && f <= m.freq.back()) return fail("the frequencies do not ascend");
    m.freq.push_back(f);
    m.level.push_back(level);
  }
  if (out.error.empty() && m.freq.size() < 2) {
    out.error = "the text holds fewer than two measured points";
    m = {};
  }
  return out;
}

dsp::Curve MeasurementOnGrid(const Measurement& m, const dsp::Curve& grid) {
  dsp::Curve out;
  out.fill(std::numeric_limits<double>::quiet_NaN());
  if (m.freq.size() < 2) return out;
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const double f = grid[i];
    if (f < m.freq.front() || f > m.freq.back()) continue;
    const auto upper = std::lower_bound(m.freq.begin(), m.freq.end(), f);
    const std::size_t hi = static_cast<std::size_t>(upper - m.freq.begin());
    if (hi == 0) {
      out[i] = m.level[0];
      continue;
    }
    const std::size_t lo = hi - 1;
    const double t = std::log(f / m.freq[lo]) / std::log(m.freq[hi] / m.freq[lo]);
    out[i] = m.level[lo] + t * (m.level[hi] - m.level[lo]);
  }
  return out;
}

}  // namespace tolva::model
