// SDL audio output: one device in the mixer's own format, so SDL converts nothing.
#include "platform/audio_device.h"

#include <SDL.h>

namespace kuzo::platform {

std::unique_ptr<AudioDevice> AudioDevice::Open(RenderFunction render, int bufferMs, std::string* error) {
  if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<AudioDevice> device(new AudioDevice());
  device->render_ = std::move(render);
  SDL_AudioSpec want{};
  want.freq = kSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  // A power of two near the wanted latency (SDL prefers them).
  int frames = 256;
  const int wanted = bufferMs > 0 ? kSampleRate * bufferMs / 1000 : 1024;
  while (frames * 2 <= wanted && frames < 16384) frames *= 2;
  want.samples = static_cast<Uint16>(frames);
  want.callback = &AudioDevice::Callback;
  want.userdata = device.get();
  SDL_AudioSpec have{};
  device->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device->device_ == 0) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  device->bufferFrames_ = have.samples;
  return device;
}

AudioDevice::~AudioDevice() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
}

void AudioDevice::Resume() { SDL_PauseAudioDevice(device_, 0); }
void AudioDevice::Pause() { SDL_PauseAudioDevice(device_, 1); }

void AudioDevice::Callback(void* self, uint8_t* stream, int bytes) {
  auto* device = static_cast<AudioDevice*>(self);
  device->render_(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / (kChannels * sizeof(int16_t)));
}

}  // namespace kuzo::platform
