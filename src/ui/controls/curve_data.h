#pragma once

// Plain data the curve controls are handed: response curves per channel slot and band points.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tolva::curves {

inline constexpr int kCurveSlots = 8;
inline constexpr std::size_t kResponsePoints = 512;     // the response grid
inline constexpr std::size_t kMeasurementPoints = 121;  // one room measurement
inline constexpr int kMaxBands = 31;

// One channel's curve as handed over: frequencies in Hz and values in dB, index by index. The
// arrays are copied; the caller keeps ownership.
struct CurveData {
  std::span<const double> frequencies;
  std::span<const double> values;
  bool shown = false;
};

// One equalizer band point, in model units.
struct CurveBand {
  float gain = 0.0f;  // dB
  float q = 1.0f;
  int freq = 1000;  // Hz
  std::uint8_t enable = 1;
  friend bool operator==(const CurveBand&, const CurveBand&) = default;
};

// The eight channel slots of a graph. Every Set replaces all slots: slots not handed over are
// emptied, so a shrinking channel count never leaves a stale curve on screen.
class CurveStore {
 public:
  struct Slot {
    std::vector<double> frequencies;
    std::vector<double> values;
    bool shown = false;
  };

  explicit CurveStore(std::size_t max_points) : max_points_(max_points) {}

  // Copies up to kCurveSlots channels of at most max_points points each; when a channel's two
  // arrays differ in length only the common part is kept. Returns the number of slots filled.
  int Set(std::span<const CurveData> channels) {
    const std::size_t count = std::min<std::size_t>(channels.size(), kCurveSlots);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      Slot& slot = slots_[i];
      slot.frequencies.clear();
      slot.values.clear();
      slot.shown = false;
      if (i >= count) continue;
      const CurveData& in = channels[i];
      const std::size_t n = std::min({in.frequencies.size(), in.values.size(), max_points_});
      slot.frequencies.assign(in.frequencies.begin(), in.frequencies.begin() + n);
      slot.values.assign(in.values.begin(), in.values.begin() + n);
      slot.shown = in.shown;
    }
    count_ = static_cast<int>(count);
    return count_;
  }

  int Count() const { return count_; }
  const Slot& At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

 private:
  std::size_t max_points_;
  std::array<Slot, kCurveSlots> slots_;
  int count_ = 0;
};

}  // namespace tolva::curves
