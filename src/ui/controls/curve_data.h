#pragma once

// Plain data the curve controls are handed: response curves per channel slot and band points.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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
      CurveData in;
      if (i < count) {
        in = channels[i];
        const std::size_t n = std::min({in.frequencies.size(), in.values.size(), max_points_});
        in.frequencies = in.frequencies.first(n);
        in.values = in.values.first(n);
      }
      // A drag changes one channel; the others keep their version, so what was drawn from them
      // can be kept.
      if (Same(slot, in)) continue;
      slot.frequencies.assign(in.frequencies.begin(), in.frequencies.end());
      slot.values.assign(in.values.begin(), in.values.end());
      slot.shown = in.shown;
      versions_[i] = ++last_version_;
    }
    count_ = static_cast<int>(count);
    return count_;
  }

  int Count() const { return count_; }
  const Slot& At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  // Changes whenever the slot's points or shown flag change.
  std::uint64_t Version(int slot) const { return versions_[static_cast<std::size_t>(slot)]; }

 private:
  static bool Same(const Slot& slot, const CurveData& in) {
    // Compared bitwise, so a NaN that stays NaN is no change.
    const auto same_bits = [](const std::vector<double>& a, std::span<const double> b) {
      return a.size() == b.size() &&
             (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
    };
    return slot.shown == in.shown && same_bits(slot.frequencies, in.frequencies) &&
           same_bits(slot.values, in.values);
  }

  std::size_t max_points_;
  std::array<Slot, kCurveSlots> slots_;
  std::array<std::uint64_t, kCurveSlots> versions_{};
  std::uint64_t last_version_ = 0;
  int count_ = 0;
};

}  // namespace tolva::curves
