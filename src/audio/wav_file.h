#pragma once

#include <optional>
#include <string>
#include <vector>

// WAV files through libsndfile: any PCM or float format in, 32-bit float out, samples as floats
// with full scale at ±1.
namespace tolva::audio {

struct AudioFile {
  double rate = 48000.0;
  std::vector<std::vector<float>> channels;  // one vector per channel, equal lengths
  std::string comment;
};

struct AudioFileRead {
  std::optional<AudioFile> file;
  std::string error;  // why the file could not be read, naming it
};

AudioFileRead ReadAudioFile(const std::string& path);

// Written to a temporary file beside path and renamed over it once complete, so that a failed
// write leaves the old file. Returns why it failed; empty on success.
std::string WriteAudioFile(const std::string& path, const AudioFile& audio);

}  // namespace tolva::audio
