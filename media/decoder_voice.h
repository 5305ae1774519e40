// A mixer voice that plays a decoded file: reads the decoder in the mixer's format and, when
// looping, seeks back to the start at the end without a gap. Without a decoder it is a silent
// clock of a fixed length (a movie without sound still needs one to show its frames by).
#pragma once

#include <memory>

#include "media/audio_decoder.h"
#include "media/audio_mixer.h"

namespace kuzo::media {

class DecoderVoice : public MixerVoice {
 public:
  explicit DecoderVoice(std::unique_ptr<AudioDecoder> decoder) : decoder_(std::move(decoder)) {}
  // A silent voice of `lengthFrames`.
  explicit DecoderVoice(int64_t lengthFrames) : silentLength_(lengthFrames) {}
  size_t Render(int16_t* out, size_t frames) override;
  bool Exhausted() override;
  int64_t Position() const { return decoder_ ? decoder_->Position() : silentPosition_; }
  int64_t Length() const { return decoder_ ? decoder_->Length() : silentLength_; }
  void Seek(int64_t frame);
  bool loop = false;

 private:
  std::unique_ptr<AudioDecoder> decoder_;
  int64_t silentLength_ = 0, silentPosition_ = 0;
};

}  // namespace kuzo::media
