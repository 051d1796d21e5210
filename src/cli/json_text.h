#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tolva::cli {

// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
inline std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace tolva::cli
