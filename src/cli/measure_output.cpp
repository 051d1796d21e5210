#include "cli/measure_output.h"

#include <cmath>
#include <cstdio>

#include "audio/wav_file.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "measure/response_text.h"
#include "model/files/profile_files.h"

namespace tolva::cli {
namespace {

int Refuse(const std::string& message) {
  std::fprintf(stderr, "tolva-dsp-cli measure: %s\n", message.c_str());
  return kExitFailed;
}

std::string JsonNumber(double v, const char* format) {
  if (!std::isfinite(v)) return "null";
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

// From the impulse's start (or lag 0 when it arrived later) to a second after its arrival.
audio::AudioFile ImpulseFile(const measure::SweepCapture& c) {
  const double rate = c.ir.rate;
  const double start =
      std::max(0.0, std::min(static_cast<double>(c.ir.zero), c.arrival.index - 0.01 * rate));
  const double end = std::min(static_cast<double>(c.ir.samples.size()), c.arrival.index + rate);
  audio::AudioFile file;
  file.rate = rate;
  file.channels = {std::vector<float>(c.ir.samples.begin() + static_cast<std::ptrdiff_t>(start),
                                      c.ir.samples.begin() + static_cast<std::ptrdiff_t>(end))};
  char comment[96];
  std::snprintf(comment, sizeof comment, "impulse response; lag 0 at sample %.0f, arrival at %.3f",
                static_cast<double>(c.ir.zero) - start, c.arrival.index - start);
  file.comment = comment;
  return file;
}

}  // namespace

std::string LoadSweep(const std::string& path, measure::Sweep& sweep) {
  audio::AudioFileRead read = audio::ReadAudioFile(path);
  if (!read.file) return read.error;
  if (read.file->channels.size() != 1) return path + ": the sweep file must be mono";
  sweep = {};
  sweep.rate = read.file->rate;
  sweep.samples = std::move(read.file->channels.front());
  if (measure::ParseSweepDescription(read.file->comment, sweep)) return {};
  std::optional<measure::Sweep> recognised =
      measure::RecognizeSweep(std::move(sweep.samples), read.file->rate);
  if (!recognised) return path + ": holds no sweep";
  sweep = std::move(*recognised);
  return {};
}

std::string ReadOptions(const std::string& cal_path, const std::string& smoothing,
                        double fdw_cycles, MeasureInputs& in) {
  if (!cal_path.empty()) {
    const std::optional<std::string> text = model::ReadFileText(cal_path);
    if (!text) return cal_path + ": the calibration file cannot be read";
    measure::CalibrationText cal = measure::ParseCalibration(*text);
    if (!cal.error.empty()) return cal_path + ": not a calibration file: " + cal.error;
    in.calibration = std::move(cal.calibration);
  }
  const std::optional<measure::Smoothing> parsed = measure::ParseSmoothing(smoothing);
  if (!parsed) return "smoothing \"" + smoothing + "\" is none of 1/N (N 1..48), var, psy, none";
  in.options.smoothing = *parsed;
  if (fdw_cycles != 0.0) {
    if (!(fdw_cycles >= 1.0 && fdw_cycles <= 1000.0)) return "--fdw takes 1 … 1000 cycles";
    in.options.frequency_dependent = measure::FrequencyDependentWindow{fdw_cycles};
  }
  return {};
}

int MeasureAndWrite(const MeasureInputs& in, const std::string& out_path,
                    const std::string& impulse_path, bool json) {
  const measure::Deconvolver deconvolver(in.sweep);
  std::vector<measure::SweepCapture> captures;
  double reference = 0.0;
  for (std::size_t i = 0; i < in.recordings.size(); ++i) {
    const std::string which =
        in.recordings.size() > 1 ? " (sweep " + std::to_string(i + 1) + ")" : "";
    if (const std::string p = measure::RecordingProblem(in.sweep, in.recordings[i], in.rate);
        !p.empty()) {
      return Refuse(in.source + which + ": " + p);
    }
    measure::CaptureResult c = measure::CaptureSweep(deconvolver, in.recordings[i], in.options);
    if (!c.capture) return Refuse(in.source + which + ": " + c.error);
    captures.push_back(std::move(*c.capture));
    if (i < in.loopbacks.size()) {
      measure::CaptureResult l = measure::CaptureSweep(deconvolver, in.loopbacks[i], in.options);
      if (!l.capture) return Refuse(in.source + which + ": the loopback channel: " + l.error);
      reference += l.capture->arrival.seconds / static_cast<double>(in.recordings.size());
    }
  }
  const measure::SweepMeasurement m = measure::CombineCaptures(
      in.sweep, captures, in.options, in.calibration ? &*in.calibration : nullptr, reference);

  return WriteMeasurement(m, in, out_path, impulse_path, &captures.front(), json);
}

int WriteMeasurement(const measure::SweepMeasurement& m, const MeasureInputs& in,
                     const std::string& out_path, const std::string& impulse_path,
                     const measure::SweepCapture* impulse, bool json) {
  std::vector<std::string> notes = {
      "Source: " + in.source + ", " +
      (in.options.smoothing.kind == measure::Smoothing::Kind::kFraction
           ? in.options.smoothing.Name() + " octave smoothing"
           : in.options.smoothing.Name() + " smoothing")};
  char line[160];
  std::snprintf(line, sizeof line, "Arrival %.4f ms%s, level %.2f dB, SNR %.1f dB, %d sweep(s)",
                m.arrival_ms, in.reference_note.c_str(), m.level_db, m.snr_db, m.sweeps);
  notes.emplace_back(line);
  if (in.calibration) notes.emplace_back("Calibrated: measured minus the microphone's calibration");
  if (!impulse_path.empty() && impulse) {
    if (const std::string e = audio::WriteAudioFile(impulse_path, ImpulseFile(*impulse));
        !e.empty()) {
      return Refuse(e);
    }
  }
  if (!model::WriteFileAtomically(out_path, measure::ResponseText(m.response, notes))) {
    return Refuse(out_path + ": could not be written");
  }
  if (json) {
    std::printf(
        "{\"arrival_ms\":%s,\"level_db\":%s,\"snr_db\":%s,\"inverted\":%s,\"sweeps\":%d,"
        "\"coherence\":%s,"
        "\"response\":%s}\n",
        JsonNumber(m.arrival_ms, "%.4f").c_str(), JsonNumber(m.level_db, "%.3f").c_str(),
        JsonNumber(m.snr_db, "%.2f").c_str(), m.inverted ? "true" : "false", m.sweeps,
        JsonNumber(m.coherence, "%.4f").c_str(), JsonString(out_path).c_str());
  } else {
    std::printf("arrival %.4f ms, level %.2f dB, SNR %.1f dB%s -> %s\n", m.arrival_ms, m.level_db,
                m.snr_db, m.inverted ? ", inverted polarity" : "", out_path.c_str());
  }
  return kExitOk;
}

}  // namespace tolva::cli
