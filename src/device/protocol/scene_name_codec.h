#pragma once

// Scene names on the unit: 16 bytes in its code page (GBK), zero-filled, no terminator when the
// text fills all 16.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolva::device {

constexpr std::size_t kSceneNameBytes = 16;

// Converts to GBK and zero-fills; a text longer than 16 bytes is cut at a whole character.
std::array<std::uint8_t, kSceneNameBytes> EncodeSceneName(std::wstring_view name);
// Reads at most 16 bytes, stopping at the first zero; undecodable bytes become U+FFFD.
std::wstring DecodeSceneName(std::span<const std::uint8_t> bytes);

}  // namespace tolva::device
