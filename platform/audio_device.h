// The sound card behind the audio engine: an SDL audio device opened at 44100 Hz, 16-bit signed
// stereo, whose callback thread pulls interleaved frames from a render function. Headless runs never
// open one; they render the same mix in step with the virtual clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kuzo::platform {

class AudioDevice {
 public:
  // Fills `frames` stereo frames (2 × frames samples) at `out`; called on the device's own thread.
  using RenderFunction = std::function<void(int16_t* out, size_t frames)>;

  static constexpr int kSampleRate = 44100;
  static constexpr int kChannels = 2;

  // Opens the default output device with buffers of about `bufferMs`; answers nullptr (with the
  // reason in `error`) when no device can be opened. The device starts paused.
  static std::unique_ptr<AudioDevice> Open(RenderFunction render, int bufferMs, std::string* error);
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  void Resume();
  void Pause();
  // Frames per device buffer, as the device granted them.
  int BufferFrames() const { return bufferFrames_; }

 private:
  AudioDevice() = default;
  static void Callback(void* self, uint8_t* stream, int bytes);

  uint32_t device_ = 0;
  int bufferFrames_ = 0;
  RenderFunction render_;
};

}  // namespace kuzo::platform
