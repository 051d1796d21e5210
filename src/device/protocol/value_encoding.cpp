#include "device/protocol/value_encoding.h"

#include <cmath>

namespace tolva::device {

namespace {
constexpr double kNudge = 1e-3;  // of a count, i.e. 1e-4 of a step of ten counts

int NudgedTrunc(double scaled) {
  return static_cast<int>(std::trunc(scaled + std::copysign(kNudge, scaled)));
}
std::uint8_t Low8(int v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}
}  // namespace

int TenthsSteps(double x) {
  return NudgedTrunc(10.0 * x);
}
int MicrosecondSteps(double delay_ms) {
  return NudgedTrunc(1000.0 * delay_ms);
}

std::array<std::uint8_t, 2> EncodeQ(float q) {
  const int n = TenthsSteps(q);
  return {Low8(n / 10), Low8((n & 0xFF) % 10)};
}

std::array<std::uint8_t, 2> EncodeGain(float gain_db) {
  const int n = TenthsSteps(static_cast<double>(gain_db) + 18.0);
  return {Low8(n / 10), Low8(n % 10)};
}

std::array<std::uint8_t, 3> EncodeDelay(float delay_ms) {
  const int m = MicrosecondSteps(delay_ms);
  const int us = (m & 0xFFFF) % 1000;
  return {Low8(m / 1000), Low8(us >> 8), Low8(us)};
}

std::array<std::uint8_t, 2> EncodeU16(int value) {
  return {Low8(value >> 8), Low8(value)};
}

// Each value is an exact count of steps (well inside float's 24 bits), so one division rounds
// it once, to the float nearest the value the unit means: 2.3 dB is 2.3f, not a neighbour of it
// that summing separately rounded parts can land on.
float DecodeQ(std::uint8_t whole, std::uint8_t hundredths) {
  return static_cast<float>(whole * 100 + hundredths) / 100.0f;
}

float DecodeGain(std::uint8_t whole, std::uint8_t tenths) {
  return static_cast<float>(whole * 10 + tenths - 180) / 10.0f;
}

float DecodeDelay(std::uint8_t ms, std::uint8_t us_high, std::uint8_t us_low) {
  return static_cast<float>(ms * 1000 + us_high * 256 + us_low) / 1000.0f;
}

int DecodeU16(std::uint8_t high, std::uint8_t low) {
  return high * 256 + low;
}

}  // namespace tolva::device
