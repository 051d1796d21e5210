#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/interchange/text_problem.h"

// Reading the line-oriented text files other programs write (filter settings, measurements):
// LF or CRLF lines, tokens between separator runs, numbers in C notation whatever the locale.
namespace tolva::model {

// Calls read(line number from 1, line without its CR) for each line until read returns false.
void ForEachLine(std::string_view text, const std::function<bool(int, std::string_view)>& read);

std::vector<std::string_view> SplitTokens(std::string_view line, std::string_view separators);

// The whole token as a finite number ("+3" too); nullopt otherwise.
std::optional<double> ParseNumberToken(std::string_view token);

// "-5,2": a number with a decimal comma (a comma between digits, no point), as some locales
// write; never to be read as -5 or 52.
bool IsCommaDecimal(std::string_view token);
// Refuses it on that line, saying how it would be written.
TextProblem CommaDecimalProblem(int line, std::string_view token);

}  // namespace tolva::model
