#pragma once

#include <span>
#include <vector>

// The microphone's level before a measurement: peak and RMS per channel over what was fed,
// and whether it clipped, so that the installer sets the gain before the sweep is played.
namespace tolva::measure {

struct InputLevel {
  double peak_dbfs = -300.0;
  double rms_dbfs = -300.0;
  bool clipping = false;
};

class InputMeter {
 public:
  explicit InputMeter(int channels);
  // Interleaved frames, as an audio callback hands them over.
  void Feed(std::span<const float> interleaved);
  std::vector<InputLevel> Levels() const;
  void Reset();

 private:
  int channels_;
  std::vector<float> peak_;
  std::vector<double> sum_squares_;
  std::vector<unsigned> run_;  // samples in a row at full scale
  std::vector<bool> clipped_;
  std::size_t frames_ = 0;
};

}  // namespace tolva::measure
