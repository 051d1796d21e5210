#pragma once

// A simulated car whose six speakers play what the emulated unit holds at the moment a sweep
// starts: each output's filters, bands, gain, polarity and delay, and nothing from a muted one.
// Playback channel k feeds the unit's input k + 1, and each output plays the inputs its routing
// takes for the unit's source; capture channel 1 is a loopback of playback channel 0. Hooks let a test act while the sweep plays (the unit leaves, the window
// closes) and make a run fail or clip.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/simulated_car.h"
#include "emulator/emulated_device.h"

namespace tolva::model::testing {

struct SpeakerAtSeat {
  double distance_ms = 3.0;
  double level_db = 0.0;
};

class CarFollowingUnit final : public audio::AudioInterface {
 public:
  CarFollowingUnit(std::shared_ptr<emulator::EmulatedDevice> unit,
                   std::array<SpeakerAtSeat, emulator::kOutputs> speakers)
      : unit_(std::move(unit)), speakers_(speakers) {
    // A cabin with a few reflections: peaks and dips for the fit to work on.
    cabin_.assign(720, 0.0f);
    cabin_[0] = 1.0f;
    cabin_[67] = 0.45f;
    cabin_[181] = -0.3f;
    cabin_[402] = 0.2f;
    cabin_[655] = -0.12f;
  }

  std::vector<audio::AudioDevice> Devices() override {
    return {{audio::kSimulatedDevice, "car following the unit", 2, true, true}};
  }

  audio::Recorded PlayAndRecord(const audio::PlayRecordRequest& request) override {
    if (on_play) on_play();
    const emulator::UnitState state = unit_->Snapshot();
    {
      std::lock_guard lock(mutex_);
      std::array<int, emulator::kOutputs> mutes{};
      for (int c = 0; c < emulator::kOutputs; ++c) mutes[c] = state.scenes[0].outputs[c].mute;
      mutes_at_play.push_back(mutes);
    }
    if (fail_next.exchange(false)) return {{}, 0, "the sound card went away"};
    audio::SimulatedCar car;
    car.cabin = cabin_;
    car.noise_dbfs = -85.0;
    car.latency_ms = 12.0;
    car.loopback_of = emulator::kOutputs;  // the extra channel: the input's signal, no speaker
    std::vector<std::vector<float>> play(emulator::kOutputs + 1,
                                         std::vector<float>(request.play[0].size(), 0.0f));
    play[emulator::kOutputs] = request.play[0];
    const int source = state.source_code - emulator::kFirstSourceCode;
    for (int c = 0; c < emulator::kOutputs; ++c) {
      const emulator::OutputState& o = state.scenes[0].outputs[c];
      car.outputs.push_back(OutputOf(o, speakers_[c]));
      const int routing = state.scenes[0].mix[source][c];
      for (std::size_t in = 0; in < request.play.size() && in < 6 && o.mute == 0; ++in) {
        if (((routing >> in) & 1) == 0) continue;
        for (std::size_t i = 0; i < play[c].size(); ++i) play[c][i] += request.play[in][i];
      }
    }
    if (clip_next.exchange(false)) {
      for (audio::SimulatedOutput& o : car.outputs) o.level_db += 40.0;
    }
    audio::PlayRecordRequest through = request;
    through.play = std::move(play);
    audio::SimulatedAudio audio(std::move(car));
    return audio.PlayAndRecord(through);
  }

  std::string Listen(const std::string& device, int channels, double rate, double seconds,
                     measure::InputMeter& meter) override {
    audio::SimulatedCar quiet;
    quiet.noise_dbfs = -85.0;
    return audio::SimulatedAudio(quiet).Listen(device, channels, rate, seconds, meter);
  }

  std::vector<std::array<int, emulator::kOutputs>> MutesAtPlay() {
    std::lock_guard lock(mutex_);
    return mutes_at_play;
  }

  std::function<void()> on_play;  // on the worker, before the sweep plays
  std::atomic<bool> fail_next{false};
  std::atomic<bool> clip_next{false};

 private:
  static audio::SimulatedOutput OutputOf(const emulator::OutputState& o, SpeakerAtSeat at) {
    audio::SimulatedOutput out;
    out.hp = {o.hp.freq, o.hp.type, o.hp.slope, o.hp.slope == 0 ? 1 : 0};
    out.lp = {o.lp.freq, o.lp.type, o.lp.slope, o.lp.slope == 0 ? 1 : 0};
    for (const emulator::BandState& b : o.bands) {
      out.bands.push_back({static_cast<double>(b.freq), (b.gain_tenths - 180) / 10.0,
                           b.q_hundredths / 100.0, true});
    }
    out.eq_bypass = o.bypass == 1;
    out.gain_db = o.trim_db;
    out.inverted = o.phase == 0;
    out.unit_delay_ms = o.delay_us / 1000.0;
    out.distance_ms = at.distance_ms;
    out.level_db = at.level_db;
    return out;
  }

  std::shared_ptr<emulator::EmulatedDevice> unit_;
  std::array<SpeakerAtSeat, emulator::kOutputs> speakers_;
  std::vector<float> cabin_;
  std::mutex mutex_;
  std::vector<std::array<int, emulator::kOutputs>> mutes_at_play;
};

}  // namespace tolva::model::testing
