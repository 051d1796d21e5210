#include "model/interchange/measurement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "model/interchange/text_lines.h"

namespace tolva::model {
namespace {

// Frequency, level, phase.
constexpr std::size_t kMostColumns = 3;

}  // namespace

MeasurementText ParseMeasurementText(std::string_view text) {
  MeasurementText out;
  Measurement& m = out.measurement;
  ForEachLine(text, [&](int number, std::string_view line) {
    const auto fail = [&](const char* key, std::vector<std::string> values = {}) {
      out.error = {number, key, std::move(values)};
      return false;
    };
    // In a line split by spaces, tabs or semicolons a comma between digits is a decimal comma
    // (another locale's export): refused, as reading it as a separator would shift the values.
    const auto fields = SplitTokens(line, " \t;");
    if (fields.empty() || fields[0].front() == '*' || fields[0].front() == '#') return true;
    const bool data = ParseNumberToken(fields[0]) || IsCommaDecimal(fields[0]);
    if (data && fields.size() > 1) {
      for (std::string_view field : fields) {
        if (IsCommaDecimal(field)) {
          out.error = CommaDecimalProblem(number, field);
          return false;
        }
      }
    }
    const auto columns = SplitTokens(line, " \t;,");
    if (columns.empty()) return true;
    // With commas as the only separator, decimal commas show only as a surplus of columns.
    if (data && columns.size() > kMostColumns && line.find(',') != std::string_view::npos) {
      return fail("${measurement_columns}", {std::to_string(columns.size())});
    }
    const auto f = ParseNumberToken(columns[0]);
    const auto level = columns.size() >= 2 ? ParseNumberToken(columns[1]) : std::nullopt;
    // A header line of words before the data (some exporters write one without "*").
    if (!f && m.freq.empty()) return true;
    if (!f || !level) return fail("${measurement_no_level}");
    if (*f <= 0.0) return fail("${measurement_frequency_zero}");
    if (!m.freq.empty() && *f <= m.freq.back()) return fail("${measurement_not_ascending}");
    m.freq.push_back(*f);
    m.level.push_back(*level);
    return true;
  });
  if (out.error.empty() && m.freq.size() < 2) {
    out.error = {0, "${measurement_too_few}", {}};
  }
  if (!out.error.empty()) m = {};
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

dsp::Curve MeasurementAtGraphLevel(const Measurement& m, const dsp::Curve& grid) {
  dsp::Curve levels = MeasurementOnGrid(m, grid);
  const auto mean = [&](double low, double high) -> std::optional<double> {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < grid.size(); ++i) {
      if (grid[i] < low || grid[i] > high || std::isnan(levels[i])) continue;
      sum += levels[i];
      ++count;
    }
    if (count == 0) return std::nullopt;
    return sum / count;
  };
  auto reference = mean(kReferenceLowHz, kReferenceHighHz);
  if (!reference) reference = mean(0.0, grid.back());
  if (!reference) return levels;
  for (double& level : levels) level -= *reference;
  return levels;
}

}  // namespace tolva::model
