#include "model/interchange/text_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tolva::model {

void ForEachLine(std::string_view text, const std::function<bool(int, std::string_view)>& read) {
  int number = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!read(++number, line)) return;
  }
}

std::vector<std::string_view> SplitTokens(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> out;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(separators, at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(separators, start), line.size());
    out.push_back(line.substr(start, end - start));
    at = end;
  }
  return out;
}

std::optional<double> ParseNumberToken(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (token.empty() || ec != std::errc() || end != token.data() + token.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool IsCommaDecimal(std::string_view token) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const std::size_t comma = token.find(',');
  return comma != std::string_view::npos && comma > 0 && comma + 1 < token.size() &&
         digit(token[comma - 1]) && digit(token[comma + 1]) &&
         token.find('.') == std::string_view::npos;
}

TextProblem CommaDecimalProblem(int line, std::string_view token) {
  std::string point(token);
  std::replace(point.begin(), point.end(), ',', '.');
  return {line, "${text_comma_decimal}", {std::string(token), point}};
}

}  // namespace tolva::model
