#pragma once

// The unit's number encodings, both directions. Pure functions: the builders and decoders and
// the emulated unit share them.

#include <array>
#include <cstdint>

namespace tolva::device {

// trunc(10 * x) for a value the model holds as float: a value shown on a step (2.3) is stored
// just below it (2.2999999), so the count is nudged by 1e-4 of a step away from zero first.
int TenthsSteps(double x);
// trunc(1000 * delay) with the same nudge.
int MicrosecondSteps(double delay_ms);

// Q: whole part, then the tenths digit (count cut to 8 bits first).
std::array<std::uint8_t, 2> EncodeQ(float q);
// Gain + 18 dB: whole part, then the tenths digit (signed remainder).
std::array<std::uint8_t, 2> EncodeGain(float gain_db);
// Whole milliseconds, then a big-endian u16 of the microseconds (count cut to 16 bits).
std::array<std::uint8_t, 3> EncodeDelay(float delay_ms);
std::array<std::uint8_t, 2> EncodeU16(int value);

// Reply column: Q = b0 + b1/100, gain = b0 + b1/10 - 18, delay = b0 + (b1*256 + b2)/1000.
float DecodeQ(std::uint8_t whole, std::uint8_t hundredths);
float DecodeGain(std::uint8_t whole, std::uint8_t tenths);
float DecodeDelay(std::uint8_t ms, std::uint8_t us_high, std::uint8_t us_low);
int DecodeU16(std::uint8_t high, std::uint8_t low);

// Input source index 0-6 as the unit's code 0x51-0x57.
constexpr std::uint8_t kSourceCodeBase = 0x51;

}  // namespace tolva::device
