// Writes 44100 Hz 16-bit stereo PCM into a RIFF wave file: the header is written first with sizes
// patched when the file is closed, so a run of any length streams straight to disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kuzo::media {

class WavFileWriter {
 public:
  // Raises KuzoError when the file cannot be created.
  explicit WavFileWriter(const std::filesystem::path& path);
  ~WavFileWriter();
  WavFileWriter(const WavFileWriter&) = delete;
  WavFileWriter& operator=(const WavFileWriter&) = delete;

  void Append(const int16_t* samples, size_t frames);
  // Patches the sizes and closes; also done by the destructor.
  void Close();
  uint64_t Frames() const { return frames_; }

 private:
  std::FILE* file_ = nullptr;
  uint64_t frames_ = 0;
};

}  // namespace kuzo::media
