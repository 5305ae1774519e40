// A mixer voice that plays a decoded file: reads the decoder in the mixer's format and, when
// looping, seeks back to the start at the end without a gap.
#pragma once

#include <memory>

#include "media/audio_decoder.h"
#include "media/audio_mixer.h"

namespace kuzo::media {

class DecoderVoice : public MixerVoice {
 public:
  explicit DecoderVoice(std::unique_ptr<AudioDecoder> decoder) : decoder_(std::move(decoder)) {}
  size_t Render(int16_t* out, size_t frames) override;
  bool Exhausted() override { return !loop && decoder_->Exhausted(); }
  AudioDecoder& Decoder() { return *decoder_; }
  bool loop = false;

 private:
  std::unique_ptr<AudioDecoder> decoder_;
};

}  // namespace kuzo::media
