// Looping decoder playback.
#include "media/decoder_voice.h"

namespace kuzo::media {

size_t DecoderVoice::Render(int16_t* out, size_t frames) {
  size_t done = decoder_->Read(out, frames);
  while (done < frames && loop) {
    decoder_->Seek(0);
    const size_t more = decoder_->Read(out + done * kMixChannels, frames - done);
    if (more == 0) break;  // nothing to loop over: the voice ends
    done += more;
  }
  return done;
}

}  // namespace kuzo::media
