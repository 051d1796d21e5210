#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

// Real-input FFTs through KissFFT (BSD-3-Clause, Debian's libkissfft-dev, float only).
namespace tolva::measure {

using Complex = std::complex<float>;

// The smallest size at least n whose factors KissFFT handles fast (2, 3 and 5), even.
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
  // is size()·x.
  void Forward(std::span<const float> time, std::span<Complex> spectrum) const;
  void Inverse(std::span<const Complex> spectrum, std::span<float> time) const;

 private:
  struct Plans;
  std::size_t size_;
  std::unique_ptr<Plans> plans_;
};

}  // namespace tolva::measure
