// The audio engine: the mixer plus where its output goes. With a device the device thread pulls the
// mix; headless, the host calls RenderUntil with the virtual clock each tick, so the mix advances in
// step with game time and can be written to a wave file from time 0 on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "media/audio_mixer.h"
#include "media/wav_file_writer.h"

namespace kuzo::platform {
class AudioDevice;
}

namespace kuzo::media {

class AudioEngine {
 public:
  AudioEngine();
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  AudioMixer& Mixer() { return mixer_; }

  // Opens the sound card with a buffer of about `bufferMs`; false (reason in `error`) without one,
  // in which case the engine stays silent and time-driven like a headless one.
  bool OpenDevice(int bufferMs, std::string* error);
  bool HasDevice() const { return device_ != nullptr; }
  // Stops and closes the device (shutdown), so no callback runs while the managers are freed.
  void CloseDevice();

  // Headless: the mix is rendered up to virtual time `ms` (from 0); earlier times do nothing.
  void RenderUntil(int64_t ms);
  // Frames rendered so far in headless mode.
  int64_t RenderedFrames() const { return renderedFrames_; }
  // Every headless frame from now on is also written to `path` (44100 Hz 16-bit stereo).
  void WriteOutputTo(const std::filesystem::path& path);
  void CloseOutput();

 private:
  AudioMixer mixer_;
  std::unique_ptr<platform::AudioDevice> device_;
  std::unique_ptr<WavFileWriter> output_;
  int64_t renderedFrames_ = 0;
  std::vector<int16_t> block_;
};

}  // namespace kuzo::media
