#pragma once

#include <functional>
#include <string>
#include <vector>

#include "measure/input_meter.h"

// Playing and recording for measurements, behind one interface: PipeWire on a real machine, a
// simulated car for tests and demonstrations. Playback and capture run on one clock, as one
// request, so that a timing reference played in the same stream dates every sweep.
namespace tolva::audio {

struct AudioDevice {
  std::string id;  // what --play and --record take (PipeWire: the node name)
  std::string description;
  int channels = 0;
  bool playback = false;  // a sink
  bool capture = false;   // a source, or a sink's monitor
};

struct PlayRecordRequest {
  std::string play_device;
  std::string record_device;
  double rate = 48000.0;
  std::vector<std::vector<float>> play;  // per playback channel, equal lengths
  int record_channels = 1;
  double tail_seconds = 0.5;  // recorded after the last played sample
};

struct Recorded {
  std::vector<std::vector<float>> channels;  // from the first captured sample
  // Samples the capture began before playback (negative: after), as far as the system knows.
  long capture_lead = 0;
  std::string error;  // why nothing was recorded; empty on success
  // How often the run was played again because the audio system lost a cycle of it.
  int replayed = 0;
};

class AudioInterface {
 public:
  virtual ~AudioInterface() = default;

  virtual std::vector<AudioDevice> Devices() = 0;
  // Blocks until everything was played and the tail recorded, or it failed.
  virtual Recorded PlayAndRecord(const PlayRecordRequest& request) = 0;
  // Records `seconds` with nothing played and hands the levels on; for the gain check before a
  // measurement. Empty error on success.
  virtual std::string Listen(const std::string& record_device, int channels, double rate,
                             double seconds, measure::InputMeter& meter) = 0;
};

}  // namespace tolva::audio
