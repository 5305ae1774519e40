// The wave output mixer used when the DirectSound setting is off: its own integer mix of PCM
// sources into blocks of DelayTime milliseconds (44100 Hz, 16-bit stereo). Sources in the common
// wave formats (44100 or 22050 Hz, mono or stereo, 8 or 16 bits) are expanded to the output format
// by repeating values; volume is 0…256 with 255 and above counting as full.
//
// The blocks are played back to back as one voice of the audio mixer, so the wave output sounds in
// the same mix as everything else, headless or not. Its clock is the audio it has rendered. Every
// member is guarded by the mixer's lock: the mixer holds it while rendering, and the items take it
// for every buffer operation.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "media/audio_decoder.h"
#include "media/audio_mixer.h"

namespace kuzo::media {

class TWavOut;

class TWavBuffer {
 public:
  TWavBuffer(TWavOut& out, std::unique_ptr<AudioDecoder> source);

  void Play();
  void Pause();
  bool IsFinished() const;
  // Bytes of source PCM, corrected for the audio still queued in front of the listener.
  int64_t GetPosition() const;
  void SetPosition(int64_t bytes) { readPosition_ = bytes < 0 ? 0 : bytes; }
  void SetVolume(int32_t volume) { volume_ = volume < 0 ? 0 : volume > 256 ? 256 : volume; }
  int32_t Volume() const { return volume_; }
  const PcmFormat& Format() const { return format_; }
  int64_t SourceSize() const;

  bool loop = false;
  bool playing = false;
  bool paused = false;
  bool ended = false;

 private:
  friend class TWavOut;
  // Reads up to `bytes` from the read position, rewinding when looping; returns the count read.
  size_t ReadSource(uint8_t* out, size_t bytes);
  // Mixes this buffer into `block` (interleaved 16-bit stereo values); false when silent.
  bool MixInto(int16_t* block, size_t values);

  TWavOut& out_;
  std::unique_ptr<AudioDecoder> source_;
  PcmFormat format_;
  std::vector<uint8_t> conversion_;
  int64_t readPosition_ = 0;
  int32_t volume_ = 256;
  uint32_t lastMix_ = 0;
};

class TWavOut : public MixerVoice {
 public:
  // `delayTimeMs` fixes the block size: DelayTime × 176400 ÷ 1000 bytes.
  explicit TWavOut(int32_t delayTimeMs);
  ~TWavOut() override;

  int32_t DelayTime() const { return delayTime_; }
  size_t BlockBytes() const { return blockBytes_; }
  bool Open();
  bool IsOpen() const { return open_; }
  void Close();

  TWavBuffer* AddBuffer(std::unique_ptr<AudioDecoder> source);
  void RemoveBuffer(TWavBuffer* buffer);

  // Mixes every buffer into one block: zeros, then each buffer in creation order; true when any
  // buffer was heard.
  bool MixAll(int16_t* block);
  // The wave output's clock: ms of audio rendered.
  uint32_t NowMs() const { return static_cast<uint32_t>(rendered_ * 1000 / kMixRate); }

  size_t Render(int16_t* out, size_t frames) override;

 private:
  friend class TWavBuffer;
  void Activate(TWavBuffer* buffer);
  void Deactivate(TWavBuffer* buffer);

  int32_t delayTime_;
  size_t blockBytes_;
  bool open_ = false;
  std::vector<std::unique_ptr<TWavBuffer>> buffers_;
  std::vector<TWavBuffer*> active_;
  std::vector<int16_t> block_;  // the block being played
  size_t blockRead_ = 0;        // frames of it already rendered
  size_t idleFrames_ = 0;       // silence left before the next attempt to mix a block
  uint64_t rendered_ = 0;
};

}  // namespace kuzo::media
