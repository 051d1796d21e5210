#include "measure/input_meter.h"

#include <algorithm>
#include <cmath>

namespace tolva::measure {
namespace {

// As IsClipped: three samples in a row at full scale, or one beyond it.
constexpr float kFullScale = 0.999f;
constexpr unsigned kClippedRun = 3;

double Db(double amplitude) {
  return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -300.0;
}

}  // namespace

InputMeter::InputMeter(int channels) : channels_(std::max(1, channels)) {
  Reset();
}

void InputMeter::Reset() {
  const auto n = static_cast<std::size_t>(channels_);
  peak_.assign(n, 0.0f);
  sum_squares_.assign(n, 0.0);
  run_.assign(n, 0);
  clipped_.assign(n, false);
  frames_ = 0;
}

void InputMeter::Feed(std::span<const float> interleaved) {
  const auto n = static_cast<std::size_t>(channels_);
  for (std::size_t i = 0; i + n <= interleaved.size(); i += n) {
    for (std::size_t c = 0; c < n; ++c) {
      const float a = std::fabs(interleaved[i + c]);
      peak_[c] = std::max(peak_[c], a);
      sum_squares_[c] += static_cast<double>(a) * a;
      run_[c] = a >= kFullScale ? run_[c] + 1 : 0;
      if (a > 1.0f || run_[c] >= kClippedRun) clipped_[c] = true;
    }
    ++frames_;
  }
}

std::vector<InputLevel> InputMeter::Levels() const {
  std::vector<InputLevel> out(static_cast<std::size_t>(channels_));
  for (std::size_t c = 0; c < out.size(); ++c) {
    out[c].peak_dbfs = Db(peak_[c]);
    out[c].rms_dbfs =
        frames_ > 0 ? Db(std::sqrt(sum_squares_[c] / static_cast<double>(frames_))) : -300.0;
    out[c].clipping = clipped_[c];
  }
  return out;
}

}  // namespace tolva::measure
