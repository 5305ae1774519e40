// Looping decoder playback.
#include "media/decoder_voice.h"

#include <algorithm>
#include <cstring>

namespace kuzo::media {

namespace {
size_t ReadSilence(int16_t* out, size_t frames, int64_t& position, int64_t length) {
  const auto n = static_cast<size_t>(std::clamp<int64_t>(length - position, 0, static_cast<int64_t>(frames)));
  std::memset(out, 0, n * kMixChannels * sizeof(int16_t));
  position += static_cast<int64_t>(n);
  return n;
}
}  // namespace

void DecoderVoice::Seek(int64_t frame) {
  if (decoder_)
    decoder_->Seek(frame);
  else
    silentPosition_ = std::clamp<int64_t>(frame, 0, silentLength_);
}

bool DecoderVoice::Exhausted() {
  if (loop) return false;
  return decoder_ ? decoder_->Exhausted() : silentPosition_ >= silentLength_;
}

size_t DecoderVoice::Render(int16_t* out, size_t frames) {
  const auto read = [&](int16_t* to, size_t n) {
    return decoder_ ? decoder_->Read(to, n) : ReadSilence(to, n, silentPosition_, silentLength_);
  };
  size_t done = read(out, frames);
  while (done < frames && loop) {
    Seek(0);
    const size_t more = read(out + done * kMixChannels, frames - done);
    if (more == 0) break;  // nothing to loop over: the voice ends
    done += more;
  }
  return done;
}

}  // namespace kuzo::media
