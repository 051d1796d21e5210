#pragma once

#include <complex>
#include <random>
#include <vector>

#include "audio/audio_interface.h"
#include "dsp_math/channel_response.h"

// A car behind the audio interface, for tests and demonstrations without a sound card: each
// playback channel goes through one of the unit's outputs (its own filters, gain, polarity and
// delay, designed as the unit designs them), a distance, the cabin's impulse, the microphone's
// response and noise; the microphone's clock drifts against the player's.
namespace tolva::audio {

struct SimulatedOutput {
  dsp::CrossoverFilterInput hp;
  dsp::CrossoverFilterInput lp;
  std::vector<dsp::PeakingBandInput> bands;
  bool eq_bypass = false;
  double gain_db = 0.0;
  bool inverted = false;
  double unit_delay_ms = 0.0;
  double distance_ms = 0.0;  // sound's travel time to the seat
  double level_db = 0.0;     // the speaker's sensitivity at the seat

  // The output's response at f: the unit's filters and gain (delays aside).
  std::complex<double> UnitResponse(double f) const;
};

struct SimulatedCar {
  std::vector<SimulatedOutput> outputs;  // playback channel i drives outputs[i]; others are silent
  std::vector<float> cabin;              // impulse of the cabin, direct sound at 0; empty: none
  std::vector<double> mic_freq, mic_db;  // the microphone's response; empty: flat
  double noise_dbfs = -80.0;             // RMS at the microphone
  double clock_drift_ppm = 0.0;          // the microphone's clock against the player's
  double latency_ms = 20.0;              // the audio system's own output to input delay
  int loopback_of = -1;                  // >= 0: capture channel 1 holds this playback channel
  unsigned seed = 1;
};

class SimulatedAudio : public AudioInterface {
 public:
  explicit SimulatedAudio(SimulatedCar car) : car_(std::move(car)) {}

  std::vector<AudioDevice> Devices() override;
  Recorded PlayAndRecord(const PlayRecordRequest& request) override;
  std::string Listen(const std::string& record_device, int channels, double rate, double seconds,
                     measure::InputMeter& meter) override;

  // The response a measurement of output `channel` should find: unit, speaker, cabin (over
  // its full length) and nothing of the microphone, at f.
  double ExpectedDb(int channel, double f, double rate) const;
  const SimulatedCar& car() const { return car_; }

 private:
  std::vector<float> Microphone(const std::vector<std::vector<float>>& play, double rate,
                                std::size_t length);

  SimulatedCar car_;
  std::mt19937 random_{1};
};

inline constexpr const char* kSimulatedDevice = "simulated";

}  // namespace tolva::audio
