#include "measure/calibration.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

namespace tolva::measure {
namespace {

std::vector<std::string_view> Tokens(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t start = line.find_first_not_of(separators, i);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(separators, start), line.size());
    out.push_back(line.substr(start, end - start));
    i = end;
  }
  return out;
}

std::optional<double> Number(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  double v = 0.0;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

bool HasDecimalComma(std::string_view token) {
  for (std::size_t i = 1; i + 1 < token.size(); ++i) {
    if (token[i] == ',' && std::isdigit(static_cast<unsigned char>(token[i - 1])) &&
        std::isdigit(static_cast<unsigned char>(token[i + 1]))) {
      return true;
    }
  }
  return false;
}

std::string AtLine(int number, const std::string& what) {
  return "line " + std::to_string(number) + ": " + what;
}

// `"Sens Factor =-1.378dB, AGain =18dB, SERNO: 7001234"`, quotes optional.
void ReadHeader(std::string_view line, Calibration& cal) {
  std::string lower(line);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (const std::size_t at = lower.find("sens factor"); at != std::string::npos) {
    std::size_t p = lower.find('=', at);
    if (p != std::string::npos) {
      ++p;
      while (p < line.size() && line[p] == ' ') ++p;
      std::size_t end = p;
      while (end < line.size() && (std::isdigit(static_cast<unsigned char>(line[end])) ||
                                   line[end] == '-' || line[end] == '+' || line[end] == '.')) {
        ++end;
      }
      std::string_view digits = line.substr(p, end - p);
      // ".7423" is how such files write a value below one.
      std::string fixed(digits);
      if (fixed.starts_with('.')) fixed.insert(0, "0");
      if (fixed.starts_with("-.")) fixed.insert(1, "0");
      if (const auto v = Number(fixed)) cal.sensitivity_db = *v;
    }
  }
  if (const std::size_t at = lower.find("serno:"); at != std::string::npos) {
    const auto rest = Tokens(line.substr(at + 6), " \t\",");
    if (!rest.empty()) cal.serial = std::string(rest.front());
  }
}

}  // namespace

CalibrationText ParseCalibration(std::string_view text) {
  CalibrationText out;
  Calibration& cal = out.calibration;
  int number = 0;
  std::size_t i = 0;
  if (text.starts_with("\xEF\xBB\xBF")) i = 3;
  while (i <= text.size() && out.error.empty()) {
    std::size_t end = text.find('\n', i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(i, end - i);
    i = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Columns between spaces, tabs or semicolons; commas separate only in a line without those,
    // so "20,5 -1,2" (decimal commas) is refused rather than read as 20 Hz and 5 dB.
    auto fields = Tokens(line, " \t;");
    if (fields.size() == 1) fields = Tokens(line, ",");
    if (fields.empty()) continue;
    if (fields.size() >= 2 && std::any_of(fields.begin(), fields.end(), HasDecimalComma)) {
      out.error = AtLine(number, "a decimal comma; write numbers with a point");
      break;
    }
    for (auto& field : fields) {
      while (!field.empty() && field.back() == ',') field.remove_suffix(1);
    }
    if (fields.front().empty()) continue;
    const char lead = fields.front().front();
    if (lead == '*' || lead == '#') continue;
    if (lead == '"' || !Number(fields.front())) {
      // Words before the first row: the microphone's header, or a column title.
      if (!cal.freq.empty()) {
        out.error = AtLine(number, "a row without a frequency and a level");
        break;
      }
      ReadHeader(line, cal);
      continue;
    }
    const auto f = Number(fields[0]);
    const auto db = fields.size() >= 2 ? Number(fields[1]) : std::nullopt;
    if (!db) {
      out.error = AtLine(number, "a row without a level in dB");
    } else if (*f <= 0.0) {
      out.error = AtLine(number, "a frequency of 0 Hz or below");
    } else if (!cal.freq.empty() && *f <= cal.freq.back()) {
      out.error = AtLine(number, "the frequencies do not ascend");
    } else {
      cal.freq.push_back(*f);
      cal.db.push_back(*db);
    }
  }
  if (out.error.empty() && cal.freq.empty()) out.error = "no rows of frequency and level";
  if (!out.error.empty()) cal = {};
  return out;
}

double CalibrationAt(const Calibration& cal, double f) {
  if (cal.freq.empty()) return 0.0;
  if (f <= cal.freq.front()) return cal.db.front();
  if (f >= cal.freq.back()) return cal.db.back();
  const auto upper = std::upper_bound(cal.freq.begin(), cal.freq.end(), f);
  const auto hi = static_cast<std::size_t>(upper - cal.freq.begin());
  const std::size_t lo = hi - 1;
  const double t = std::log(f / cal.freq[lo]) / std::log(cal.freq[hi] / cal.freq[lo]);
  return cal.db[lo] + t * (cal.db[hi] - cal.db[lo]);
}

void ApplyCalibration(Response& response, const Calibration& cal) {
  for (std::size_t i = 0; i < response.freq.size(); ++i)
    response.db[i] -= CalibrationAt(cal, response.freq[i]);
}

}  // namespace tolva::measure
