#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "device/protocol/command_frame.h"
#include "emulator/emulated_unit.h"

namespace tolva::emulator::testing {

// "00 AA 55 03 03 08 BB 37" -> bytes, zero-filled to `size`.
inline std::vector<std::uint8_t> Bytes(const std::string& hex, std::size_t size = 0) {
  std::vector<std::uint8_t> out;
  std::istringstream in(hex);
  std::string b;
  while (in >> b) out.push_back(static_cast<std::uint8_t>(std::stoul(b, nullptr, 16)));
  if (out.size() < size) out.resize(size, 0);
  return out;
}

inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  char buf[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%s%02X", s.empty() ? "" : " ", b);
    s += buf;
  }
  return s;
}

// The frame a report carries, from AA to the checksum (the zero fill left out).
inline std::string FrameHex(const InputReport& r) {
  const std::size_t n = std::min<std::size_t>(r[2] + 4u, r.size());
  return Hex(std::vector<std::uint8_t>(r.begin(), r.begin() + n));
}

inline std::vector<std::uint8_t> Request(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                                         std::vector<std::uint8_t> payload = {}) {
  const auto frame = device::CommandFrame::Build(cmd, sub, op, payload);
  return {frame.bytes().begin(), frame.bytes().end()};
}

// A reply frame taken apart; valid only when header, length and checksum hold.
struct Reply {
  bool valid = false;
  std::uint8_t cmd = 0, sub = 0, op = 0;
  std::vector<std::uint8_t> data;
};

inline Reply Parse(const InputReport& r) {
  Reply p;
  const std::size_t len = r[2];
  if (r[0] != 0xAA || r[1] != 0x55 || len < 3 || len + 4 > r.size()) return p;
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i <= len + 3; ++i) sum = static_cast<std::uint8_t>(sum + r[i]);
  p.valid = sum == 0;
  p.cmd = r[3];
  p.sub = r[4];
  p.op = r[5];
  p.data.assign(r.begin() + 6, r.begin() + 3 + len);
  return p;
}

// Sends one command and expects exactly one report back.
inline Reply Exchange(EmulatedUnit& unit, std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                      std::vector<std::uint8_t> payload = {}) {
  const UnitResponse r = unit.HandleOutputReport(Request(cmd, sub, op, std::move(payload)));
  if (r.reports.size() != 1) return Reply{};
  return Parse(r.reports[0]);
}

inline Reply Set(EmulatedUnit& unit, std::uint8_t cmd, std::uint8_t sub,
                 std::vector<std::uint8_t> payload) {
  return Exchange(unit, cmd, sub, device::op::kSet, std::move(payload));
}
inline Reply Get(EmulatedUnit& unit, std::uint8_t cmd, std::uint8_t sub,
                 std::vector<std::uint8_t> payload = {}) {
  return Exchange(unit, cmd, sub, device::op::kGet, std::move(payload));
}

inline const std::vector<std::uint8_t> kReady = {device::op::kAckReady};
inline const std::vector<std::uint8_t> kNotReady = {device::op::kAckNotReady};

}  // namespace tolva::emulator::testing
