#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Standard Base64 (RFC 4648 alphabet, "=" padding), as the whole-unit file carries scene names.
namespace tolva::model {

std::string Base64Encode(std::span<const std::uint8_t> bytes);
// Lenient, as the files have always been read: characters outside the alphabet (padding
// included) are skipped and decoding stops before it would pass out.size() bytes; the rest of
// out is zero. Returns the number of bytes decoded.
std::size_t Base64DecodeInto(std::string_view text, std::span<std::uint8_t> out);

}  // namespace tolva::model
