#pragma once

#include <memory>
#include <string>

#include "audio/audio_interface.h"

// The audio interface on PipeWire's native API. Playback and capture are two streams of one
// client in one node group, so one driver clocks both; they are linked to the chosen devices
// by this client itself (no session manager needed, none overriding the choice). Devices are
// named by node name: a sink plays, a source records, and "SINK.monitor" records what a sink
// plays.
namespace tolva::audio {

class PipeWireAudio : public AudioInterface {
 public:
  ~PipeWireAudio() override;

  std::vector<AudioDevice> Devices() override;
  Recorded PlayAndRecord(const PlayRecordRequest& request) override;
  std::string Listen(const std::string& record_device, int channels, double rate, double seconds,
                     measure::InputMeter& meter) override;
  // Links the output ports of one device (a source, or "SINK.monitor") to the input ports of
  // another, for as long as the daemon runs. Empty on success.
  std::string LinkDevices(const std::string& from, const std::string& to);
  // Gives another client's stream node (a filter-chain's sink or source) one float port per
  // channel, as a session manager would. Empty on success.
  std::string SetUpStreamPorts(const std::string& device, int channels, double rate);

  struct Connection;

 private:
  // One play-and-record; lost_cycle tells that the graph skipped or repeated a cycle of it.
  Recorded PlayAndRecordOnce(const PlayRecordRequest& request, bool& lost_cycle);
  friend std::unique_ptr<PipeWireAudio> OpenPipeWire(std::string& error);
  explicit PipeWireAudio(std::unique_ptr<Connection> connection);
  std::unique_ptr<Connection> connection_;
};

// Connects to the PipeWire daemon of this session (PIPEWIRE_REMOTE and XDG_RUNTIME_DIR as
// usual); nullptr and why when there is none.
std::unique_ptr<PipeWireAudio> OpenPipeWire(std::string& error);

}  // namespace tolva::audio
