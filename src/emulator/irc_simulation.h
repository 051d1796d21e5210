#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "emulator/unit_state.h"

// The unit's room-correction run as a host sees it: a start, a run that moves one stage further
// on each status poll (speaker, level, delay, trim, EQ, then per measured output its spectrum
// and its correction EQ), the data of each, and apply or cancel at the end.
namespace tolva::emulator {

class IrcSimulation {
 public:
  // The payload of the reply to a group-1 room-correction request or command (subs 0x13 to
  // 0x1E); nullopt when the sub is not one of them. `acknowledge` tells a command (answered
  // ready or not ready) from a request (answered with data).
  struct Answer {
    bool acknowledge = false;
    bool ready = true;
    std::vector<std::uint8_t> data;
  };
  std::optional<Answer> Handle(std::uint8_t sub, std::uint8_t op, std::span<const std::uint8_t> p,
                               UnitState& state, int fail_code);

  bool running() const { return running_; }
  int channel_mask() const { return mask_; }
  int modules() const { return modules_; }

 private:
  std::vector<std::uint8_t> Status();
  void Advance(int fail_code);
  static std::uint16_t CorrectionFrequency(int band);
  static float CorrectionGain(int ch, int band);

  bool running_ = false;
  bool finished_ = false;
  int mask_ = 0;
  int modules_ = 0;
  int status_ = 0;
  int progress_ = 0;
  int channel_ = 0;
  int fail_code_ = 0;
  std::vector<int> pending_;  // the stages still to come: statuses, channels for 7 and 8
};

}  // namespace tolva::emulator
