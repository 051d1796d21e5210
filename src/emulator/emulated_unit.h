#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "emulator/faults.h"
#include "emulator/irc_simulation.h"
#include "emulator/unit_state.h"
#include "emulator/upgrade_receiver.h"

namespace tolva::emulator {

using InputReport = std::array<std::uint8_t, 64>;

// What happens on the bus once the unit's reports have been read.
enum class BusEvent {
  kNone,
  kReboot,  // off the bus for Faults::reboot_ms, then back (factory default, reboot)
  kUnplug,  // off the bus for good (Faults::unplug_after)
};

struct UnitResponse {
  std::vector<InputReport> reports;  // in sending order
  BusEvent then = BusEvent::kNone;
  bool flash_changed = false;  // scene storage touched: worth writing the state file now
};

// The unit's firmware over its memory image: one 65-byte output report in, the input reports it
// sends back out, with the configured faults applied. Pure: no time, no I/O, no locking.
class EmulatedUnit {
 public:
  explicit EmulatedUnit(UnitState state = FactoryState(), Faults faults = {});

  UnitResponse HandleOutputReport(std::span<const std::uint8_t> report);

  UnitState& state() { return state_; }
  const UnitState& state() const { return state_; }
  Faults& faults() { return faults_; }
  const Faults& faults() const { return faults_; }
  int reports_received() const { return received_; }
  // Last PC_Connect value: true between "connect" and "disconnect".
  bool pc_connected() const { return pc_connected_; }
  // The last software image sent to the unit.
  const ReceivedImage& received_image() const { return upgrade_.received(); }
  const IrcSimulation& room_correction() const { return irc_; }

 private:
  using Frame = std::vector<std::uint8_t>;  // AA 55 L cmd sub op data checksum

  void Handle(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
              std::span<const std::uint8_t> payload);
  void HandleDsp(std::uint8_t sub, std::uint8_t op, std::span<const std::uint8_t> p);
  void HandleScene(std::uint8_t sub, std::uint8_t op, std::span<const std::uint8_t> p);
  void HandleMcu(std::uint8_t sub, std::uint8_t op, std::span<const std::uint8_t> p);
  void HandleKaraoke(std::uint8_t sub, std::uint8_t op, std::span<const std::uint8_t> p);

  void Send(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
            std::span<const std::uint8_t> data);
  void Ack(std::uint8_t cmd, std::uint8_t sub, bool ready, int scene = -1);
  Frame KaraokeReport(std::uint8_t sub) const;
  void Package(std::uint8_t cmd, std::uint8_t sub, UnitResponse& out);

  UnitState state_;
  Faults faults_;
  int received_ = 0;
  bool pc_connected_ = false;
  std::uint8_t next_unsolicited_ = 1;
  UpgradeReceiver upgrade_;
  IrcSimulation irc_;
  // Per report being handled:
  std::vector<Frame> frames_;
  BusEvent then_ = BusEvent::kNone;
  bool flash_changed_ = false;
};

}  // namespace tolva::emulator
