#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

// Real-input FFTs through KissFFT (BSD-3-Clause, Debian's libkissfft-dev, float only).
namespace tolva::measure {

using Complex = std::complex<float>;

// An even size at least n that KissFFT transforms fastest: factors 2, 3 and 5 only, as few
// twos as pays (it may be a few per cent longer than the smallest such size).
std::size_t FastFftSize(std::size_t n);

class RealFft {
 public:
  explicit RealFft(std::size_t size);
  ~RealFft();
  RealFft(const RealFft&) = delete;
  RealFft& operator=(const RealFft&) = delete;

  std::size_t size() const { return size_; }
  std::size_t bins() const { return size_ / 2 + 1; }

  // time: size() samples; spectrum: bins() values. Unnormalised both ways: Inverse(Forward(x))
  // is size()·x. Inverse works in the spectrum's memory and leaves it overwritten.
  void Forward(std::span<const float> time, std::span<Complex> spectrum) const;
  void Inverse(std::span<Complex> spectrum, std::span<float> time) const;

 private:
  struct Plan;
  std::size_t size_;
  std::unique_ptr<Plan> plan_;
  std::vector<Complex> twiddles_;  // e^{-2πik/size} for k ≤ size/4
};

}  // namespace tolva::measure
