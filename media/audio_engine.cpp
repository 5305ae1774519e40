// Device and headless output of the mixer.
#include "media/audio_engine.h"

#include <algorithm>

#include "platform/audio_device.h"

namespace kuzo::media {

namespace {
// Headless rendering works in slices of this many frames (10 ms).
constexpr int64_t kRenderSlice = 441;
}  // namespace

AudioEngine::AudioEngine() = default;

AudioEngine::~AudioEngine() {
  CloseDevice();
  CloseOutput();
}

bool AudioEngine::OpenDevice(int bufferMs, std::string* error, DeviceTap tap) {
  device_ = platform::AudioDevice::Open(
      [this, tap = std::move(tap)](int16_t* out, size_t frames) {
        mixer_.Mix(out, frames);
        if (tap) tap(out, frames);
      },
      bufferMs, error);
  if (!device_) return false;
  device_->Resume();
  return true;
}

int AudioEngine::DeviceBufferFrames() const { return device_ ? device_->BufferFrames() : 0; }

void AudioEngine::CloseDevice() {
  if (!device_) return;
  device_->Pause();
  device_.reset();
}

void AudioEngine::RenderUntil(int64_t ms) {
  const int64_t target = ms * kMixRate / 1000;
  while (renderedFrames_ < target) {
    const int64_t n = std::min(kRenderSlice, target - renderedFrames_);
    block_.resize(static_cast<size_t>(n) * kMixChannels);
    mixer_.Mix(block_.data(), static_cast<size_t>(n));
    if (output_) output_->Append(block_.data(), static_cast<size_t>(n));
    renderedFrames_ += n;
  }
}

void AudioEngine::WriteOutputTo(const std::filesystem::path& path) { output_ = std::make_unique<WavFileWriter>(path); }

void AudioEngine::CloseOutput() {
  if (output_) output_->Close();
  output_.reset();
}

}  // namespace kuzo::media
