#pragma once

// A transport for tests: records every report written and plays back scripted input reports.
// Its state is shared with the test, which keeps inspecting it after the link has let go.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/transport/transport.h"

namespace tolva::device::testing {

struct Script {
  using Report = std::vector<std::uint8_t>;

  // Everything below is guarded by mutex.
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<Report> writes;
  std::deque<Report> reports;
  // "W <sub>" per write, "R" per report delivered, "T" per empty read: the order of I/O.
  std::vector<std::string> events;
  // Called on every write (under mutex) to queue the unit's answer, when set.
  std::function<void(Script&, std::span<const std::uint8_t>)> responder;
  bool open_succeeds = true;
  int init_result = 0;
  bool writes_fail = false;
  bool strings_fail = false;
  bool unplugged = false;   // reads fail with -1, like a removed device
  bool reads_held = false;  // reads wait until released
  int reads_waiting = 0;    // reads currently held
  int opens = 0;
  int closes = 0;
  tolva::FakeClock* clock = nullptr;  // advanced by the time-out of an empty read

  void Queue(Report report);
  // Queues BuildReplyFrame(cmd, sub, op, data) as one 64-byte report.
  void QueueReply(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                  std::vector<std::uint8_t> data);
  void HoldReads();
  void ReleaseReads();
  // Waits (really, bounded) until a read is held; false on time-out.
  bool WaitForHeldRead();
  std::vector<Report> Writes() const;
  std::vector<std::string> Events() const;
};

TransportFactory MakeScriptedFactory(std::shared_ptr<Script> script);

// "00 aa 55 03" for the first count bytes (all when count is 0).
std::string Hex(std::span<const std::uint8_t> bytes, std::size_t count = 0);

}  // namespace tolva::device::testing
