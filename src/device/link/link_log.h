#pragma once

#include <cstdint>
#include <span>

namespace tolva::device {

// The link's trace: a local date-and-time line to the millisecond, and frames byte by byte.
void LogTimeStamp();
// Every byte as "%02x", in one line (without the line end).
void LogBytes(std::span<const std::uint8_t> bytes);

}  // namespace tolva::device
