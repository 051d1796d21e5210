#include "model/files/base64.h"

#include <algorithm>

namespace tolva::model {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

}  // namespace

std::string Base64Encode(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
    if (n > 1) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
    if (n > 2) group |= bytes[i + 2];
    for (std::size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return out;
}

std::size_t Base64DecodeInto(std::string_view text, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), 0);
  std::size_t written = 0;
  std::uint32_t bits = 0;
  int pending = 0;
  for (char c : text) {
    const int sextet = SextetOf(c);
    if (sextet < 0) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
    pending += 6;
    if (pending >= 8) {
      if (written == out.size()) break;
      pending -= 8;
      out[written++] = static_cast<std::uint8_t>((bits >> pending) & 0xFF);
    }
  }
  return written;
}

}  // namespace tolva::model
