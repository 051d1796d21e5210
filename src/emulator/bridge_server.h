#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "emulator/emulated_device.h"

namespace tolva::emulator {

// The unit's side of the report bridge: a SOCK_SEQPACKET listener at PATH, one client at a time,
// 65-byte messages in, 64-byte messages out. Unplugging and rebooting close the connection and
// remove PATH, as a unit leaving the bus; a reboot creates PATH again when it is over.
class BridgeServer {
 public:
  BridgeServer(std::string path, std::shared_ptr<EmulatedDevice> device);
  // Closes every socket and removes PATH.
  ~BridgeServer();
  BridgeServer(const BridgeServer&) = delete;
  BridgeServer& operator=(const BridgeServer&) = delete;

  // Creates the listener. A stale socket at PATH (nobody listening) is replaced; a live one, or
  // anything that is not a socket, is left alone and reported.
  bool Listen(std::string* error);
  // Serves until Stop() or an unplug; false when the listener cannot be made again after a
  // reboot.
  bool Run(std::string* error);
  // Async-signal-safe: may be called from a SIGINT/SIGTERM handler.
  void Stop();

 private:
  void Serve(int client);
  // Runs one report through the unit and sends its answer; false when the connection ends.
  bool Answer(int client, std::span<const std::uint8_t> report);
  // Waits ms on the stop pipe; false when a stop came.
  bool Pause(int ms);
  bool Stopping();
  void Unlisten();

  const std::string path_;
  const std::shared_ptr<EmulatedDevice> device_;
  int listen_fd_ = -1;
  int stop_read_ = -1;
  int stop_write_ = -1;
  bool stopped_ = false;
  BusEvent left_ = BusEvent::kNone;
};

}  // namespace tolva::emulator
