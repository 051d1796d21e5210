#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tolva::device {

// Entries first..last (inclusive, none when last < first) of width bytes from d[start]; only
// the entries the frame really holds are walked: a range running past the frame is cut there.
template <class F>
void ForEachEntry(std::span<const std::uint8_t> d, int first, int last, std::size_t start,
                  std::size_t width, F&& f) {
  if (last < first || d.size() < start) return;
  const std::size_t fit = (d.size() - start) / width;
  const auto wanted = static_cast<std::size_t>(last - first + 1);
  for (std::size_t k = 0; k < std::min(fit, wanted); ++k) {
    f(first + static_cast<int>(k), d.subspan(start + k * width, width));
  }
}

}  // namespace tolva::device
