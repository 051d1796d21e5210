#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolva::emulator {

// A command the unit receives, by group and sub. kAnySub matches every sub of the group.
struct CommandKey {
  static constexpr int kAnySub = -1;
  std::uint8_t cmd = 0;
  int sub = kAnySub;

  bool Matches(std::uint8_t c, std::uint8_t s) const { return c == cmd && (sub < 0 || sub == s); }
};

// "1:0x05" (group 1, sub 0x05) or "1:*" (all of group 1); numbers in C notation.
std::optional<CommandKey> ParseCommandKey(std::string_view text);
std::string FormatCommandKey(const CommandKey& key);

// Faults and variations a test or a demo can switch on. Defaults give a healthy model-19 unit.
struct Faults {
  int latency_ms = 0;                      // before each report the unit sends
  std::optional<CommandKey> no_reply;      // the unit stays silent
  std::optional<CommandKey> bad_checksum;  // replies carry a wrong checksum
  std::optional<CommandKey> split_reply;   // each reply frame spans two reports
  std::optional<CommandKey> two_frames;    // a status frame rides in the reply's report
  std::optional<CommandKey> not_ready;     // acknowledged 0x60, nothing applied
  bool abnormal_handshake = false;         // Hand_Connect answers status 0xF0
  int model = 19;                          // reported by Hand_Connect
  int master_version = 3;
  int slave_version = 7;
  int unplug_after = 0;             // leave the bus for good after this many reports; 0 never
  int unsolicited_every = 0;        // a karaoke value report after every n-th report; 0 never
  int reboot_ms = 3000;             // off the bus after a factory default or reboot
  int irc_fail_code = -1;           // a room-correction run fails with this code; -1 never
  int upgrade_not_ready_every = 0;  // every n-th upgrade block is first answered "not ready"
};

}  // namespace tolva::emulator
