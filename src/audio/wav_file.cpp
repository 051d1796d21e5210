#include "audio/wav_file.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace tolva::audio {

AudioFileRead ReadAudioFile(const std::string& path) {
  AudioFileRead out;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    // libsndfile words a missing file as "System error : No such file or directory."
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
      out.error = path + ": no such file";
    else
      out.error = path + ": not an audio file (" + sf_strerror(nullptr) + ")";
    return out;
  }
  if (info.channels < 1 || info.frames < 0 || info.samplerate <= 0) {
    sf_close(file);
    out.error = path + ": no audio in the file";
    return out;
  }
  const auto frames = static_cast<std::size_t>(info.frames);
  const auto channels = static_cast<std::size_t>(info.channels);
  std::vector<float> interleaved(frames * channels);
  const sf_count_t read = sf_readf_float(file, interleaved.data(), info.frames);
  AudioFile audio;
  audio.rate = info.samplerate;
  if (const char* comment = sf_get_string(file, SF_STR_COMMENT)) audio.comment = comment;
  sf_close(file);
  if (read != info.frames) {
    out.error = path + ": the file ends early";
    return out;
  }
  audio.channels.assign(channels, std::vector<float>(frames));
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < channels; ++c) audio.channels[c][i] = interleaved[i * channels + c];
  }
  out.file = std::move(audio);
  return out;
}

std::string WriteAudioFile(const std::string& path, const AudioFile& audio) {
  if (audio.channels.empty()) return path + ": nothing to write";
  const std::size_t frames = audio.channels.front().size();
  const std::size_t channels = audio.channels.size();
  const std::filesystem::path target(path);
  const std::string temporary = (target.parent_path() / ("." + target.filename().string() + "." +
                                                         std::to_string(::getpid()) + ".tmp"))
                                    .string();
  SF_INFO info{};
  info.samplerate = static_cast<int>(audio.rate);
  info.channels = static_cast<int>(channels);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
  if (!file) return path + ": " + sf_strerror(nullptr);
  if (!audio.comment.empty()) sf_set_string(file, SF_STR_COMMENT, audio.comment.c_str());
  std::vector<float> interleaved(frames * channels);
  for (std::size_t i = 0; i < frames; ++i) {
    for (std::size_t c = 0; c < channels; ++c) interleaved[i * channels + c] = audio.channels[c][i];
  }
  const sf_count_t written =
      sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  const int closed = sf_close(file);
  std::error_code ignored;
  if (written != static_cast<sf_count_t>(frames) || closed != 0) {
    std::filesystem::remove(temporary, ignored);
    return path + ": could not be written";
  }
  std::filesystem::rename(temporary, target, ignored);
  if (ignored) {
    std::filesystem::remove(temporary, ignored);
    return path + ": could not be written";
  }
  return {};
}

}  // namespace tolva::audio
