// The audio engine: the mixer plus where its output goes. With a device the device thread pulls the
// mix; headless, the host calls RenderUntil with the virtual clock each tick, so the mix advances in
// step with game time and can be written to a wave file from time 0 on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/audio_mixer.h"
#include "media/wav_file_writer.h"

namespace kuzo::platform {
class AudioDevice;
}

namespace kuzo::media {

// The sound card's buffer the player asks for. A sound is handed to the card at most one buffer
// after its command (plus, with the wave output, the block in front of it), so it stays small.
constexpr int kDeviceBufferMs = 20;

class AudioEngine {
 public:
  AudioEngine();
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  AudioMixer& Mixer() { return mixer_; }

  // Sees every block handed to the sound card, on the device thread, right after it was mixed
  // (latency measurements watch for the first sound of a command here).
  using DeviceTap = std::function<void(const int16_t* frames, size_t count)>;

  // Opens the sound card with a buffer of about `bufferMs`; false (reason in `error`) without one,
  // in which case the engine stays silent and time-driven like a headless one.
  bool OpenDevice(int bufferMs, std::string* error, DeviceTap tap = {});
  // Frames per device buffer as the card granted them (0 without a device).
  int DeviceBufferFrames() const;
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
