#include "emulator/faults.h"

#include <charconv>
#include <cstdio>

namespace tolva::emulator {
namespace {

std::optional<unsigned> ParseByte(std::string_view s) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  unsigned v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v > 0xFF) return std::nullopt;
  return v;
}

}  // namespace

std::optional<CommandKey> ParseCommandKey(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto c = ParseByte(text.substr(0, colon));
  const std::string_view sub = text.substr(colon + 1);
  if (!c) return std::nullopt;
  if (sub == "*") return CommandKey{static_cast<std::uint8_t>(*c), CommandKey::kAnySub};
  const auto s = ParseByte(sub);
  if (!s) return std::nullopt;
  return CommandKey{static_cast<std::uint8_t>(*c), static_cast<int>(*s)};
}

std::string FormatCommandKey(const CommandKey& key) {
  char buf[16];
  if (key.sub < 0) {
    std::snprintf(buf, sizeof buf, "%u:*", key.cmd);
  } else {
    std::snprintf(buf, sizeof buf, "%u:0x%02x", key.cmd, static_cast<unsigned>(key.sub));
  }
  return buf;
}

}  // namespace tolva::emulator
