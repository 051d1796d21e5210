#pragma once

// What the measurement window asks of the tuning session and what it shows of its answers, in
// the window's terms. The session does the work (mutes, audio on its worker, averaging, quality,
// fits, alignment, the one undo step, A/B); the window only shows and asks. Every call returns at
// once; every answer arrives through Events on the window's thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolva::audio {
class AudioInterface;
}
namespace tolva::model {
class EqualizerManager;
}

namespace tolva::ui::tune {

struct Device {
  std::string id;
  std::string description;
};

// What dates the arrivals, without which the delays are not reliable: capture channel 2
// recording the played signal, or a chirp before each sweep through reference_output (on the
// playback channel of input 2, or of input 1 when the sweep takes input 2).
enum class Reference { kNone, kLoopback, kAcoustic };

struct Setup {
  std::string play_device;
  std::string record_device;
  std::string calibration_path;  // empty: none
  int unit_input = 0;            // the unit's input the playback feeds, 0-based
  Reference reference = Reference::kNone;
  int reference_output = -1;  // kAcoustic: the output that plays the chirp, 0-based
};

struct Meter {
  double peak_dbfs = -300.0;
  double rms_dbfs = -300.0;
  bool clipping = false;
  std::string error;  // why the microphone could not be heard; empty otherwise
};

// One run of an output at one microphone position, as it was judged.
struct Run {
  double snr_db = 0.0;
  double coherence = 1.0;
  bool clipped = false;
  bool usable = true;
  std::string why;  // why not usable: a "${...}" key
};

// One output's measurement so far: its positions averaged.
struct OutputState {
  int output = 0;
  int positions = 0;  // the usable runs
  std::vector<Run> runs;  // every run kept, in the order measured, usable or not
  double snr_db = 0.0;     // the worst position
  double coherence = 1.0;  // the lowest over the passband
  bool clipped = false;
  // False when the measurement cannot carry a decision (too little signal, clipped, incoherent,
  // nothing arrived); `why` then says so, in the window's language or as a "${...}" key.
  bool usable = true;
  std::string why;
  // The response at the seat without the output's own settings, at the main graph's level on its
  // grid (NaN where nothing was measured): the overlay adds the settings back as its prediction.
  std::vector<double> graph_levels;
  std::vector<double> played_curve;  // the output's curve on that grid while it was measured
};

struct Pair {
  int low_output = 0, high_output = 0;
  double crossover_hz = 0.0;
  bool measured = false;  // a usable run of the two together
  std::vector<Run> runs;  // every run of the two together kept, usable or not
};

struct Target {
  enum class Kind { kFlat, kCar, kFile };
  Kind kind = Kind::kFlat;
  double bass_shelf_db = 6.0;
  double bass_corner_hz = 90.0;
  double treble_tilt_db = -0.5;  // per octave above 1 kHz
  std::string file_path;
  double max_boost_db = 6.0;
};

struct Residual {
  double rms_db = 0.0, max_db = 0.0, worst_hz = 0.0, within_1db = 0.0;
};

// What one output would receive.
struct OutputPreview {
  int output = 0;
  std::string problem;  // why no fit: nothing proposed for its bands
  bool eq_changes = false;
  int bands_used = 0;
  Residual before, after;
  // On one grid, dB as measured; mask non-zero where nothing was boosted.
  std::vector<double> freq, before_db, after_db, target_db;
  std::vector<std::uint8_t> mask;
  double target_level_db = 0.0;
  float delay_now_ms = 0.0f, delay_ms = 0.0f;
  bool delay_reliable = true;
  std::string delay_note;
  int gain_now_db = 0, gain_db = 0;
  bool invert_suggested = false;  // the crossover check found it cancelling its partner
  std::string polarity_note;
};

struct Preview {
  std::string problem;  // why there is none (nothing measured, a target file refused)
  std::vector<OutputPreview> outputs;
  std::vector<std::string> crossover_notes;  // one line per pair checked
};

// What the installer accepted of the preview, per output.
struct Accept {
  int output = 0;
  bool eq = true, delay = true, gain = true, polarity = true;
};

struct Events {
  std::function<void(std::vector<Device> playback, std::vector<Device> capture,
                     const std::string& error)>
      devices;
  std::function<void(const Meter&)> meter;
  std::function<void(const OutputState&)> measured;
  std::function<void(const Pair&)> pair_measured;
  // What runs now or went wrong (a "${...}" key or text); done: the audio worker is idle again.
  std::function<void(const std::string& text, bool failed)> status;
  std::function<void()> idle;
  std::function<void(const Preview&)> preview;
  // The unit has left (the mutes are back in the live settings); mid_run: a run held them, so
  // the unit itself still holds the measurement's until its return.
  std::function<void(bool mid_run)> unit_left;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual void SetEvents(Events events) = 0;

  virtual void ListDevices() = 0;
  virtual void SetSetup(const Setup& setup) = 0;
  virtual void CheckLevel() = 0;
  // Each output measured alone, every other output muted meanwhile; add_position: another
  // microphone position averaged with those before, else the output starts over.
  virtual void Measure(const std::vector<int>& outputs, bool add_position) = 0;
  virtual std::vector<Pair> Pairs() const = 0;
  virtual void MeasurePairs() = 0;
  // A run, a computation, the device list or the level check goes on, or the audio is opening.
  virtual bool Busy() const = 0;
  // Drops one run of an output (an index into OutputState::runs): the output's state without it;
  // nothing while Busy() or for a run it does not have.
  virtual std::optional<OutputState> Forget(int output, int run) = 0;
  // Drops the runs of a crossover pair measured together; false while Busy() or when it has
  // none. The other pairs and every output alone stay.
  virtual bool ForgetPair(int low_output, int high_output) = 0;
  // Stops what runs; the mutes come back once the worker has ended.
  virtual void Stop() = 0;

  virtual void ComputePreview(const Target& target) = 0;
  // The last preview still stands: no usable measurement was added or dropped since. Apply
  // sends nothing otherwise.
  virtual bool HasPreview() const = 0;
  // The accepted parts of the last preview, as one undo step; false when nothing was sent.
  virtual bool Apply(const std::vector<Accept>& accepted) = 0;
  virtual bool Applied() const = 0;
  // A/B against the tune before Apply; true while the tune before plays.
  virtual bool SwitchAB() = 0;
  virtual bool PlayingBefore() const = 0;
  // The window closes: what runs stops and every output's mute is as it was.
  virtual void Close() = 0;
};

// The session over the manager and an audio interface (the injected one, or PipeWire's).
std::unique_ptr<Backend> MakeSessionBackend(model::EqualizerManager& manager,
                                            std::shared_ptr<audio::AudioInterface> audio);

}  // namespace tolva::ui::tune
