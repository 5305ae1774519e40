// Block mixing of the wave output: value expansion per source format, 8-bit sources as
// (b − 128) × 256, volume as (s × volume) >> 8 below 255, sums limited to −32768…32767.
#include "media/wav_out.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kuzo::media {

namespace {
constexpr int64_t kOutputBytesPerSecond = 176400;

int16_t FromByte(uint8_t b) { return static_cast<int16_t>((b - 128) * 256); }

int16_t Read16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
}  // namespace

TWavBuffer::TWavBuffer(TWavOut& out, std::unique_ptr<AudioDecoder> source)
    : out_(out), source_(std::move(source)), format_(source_->Format()), conversion_(out.BlockBytes()) {}

int64_t TWavBuffer::SourceSize() const { return source_->Length() * format_.BytesPerFrame(); }

void TWavBuffer::Play() {
  if (!out_.IsOpen()) return;
  playing = true;
  paused = false;
  ended = false;
  out_.Activate(this);
}

void TWavBuffer::Pause() {
  if (!out_.IsOpen()) return;
  paused = true;
  out_.Deactivate(this);
}

bool TWavBuffer::IsFinished() const {
  if (!out_.IsOpen()) return true;
  if (!ended) return false;
  // Finished once the queued blocks have played out.
  return out_.NowMs() - lastMix_ > static_cast<uint32_t>(out_.DelayTime() * 2 + 10);
}

int64_t TWavBuffer::GetPosition() const {
  const uint32_t elapsed = out_.NowMs() - lastMix_;
  if (elapsed > static_cast<uint32_t>(out_.DelayTime() * 2)) return readPosition_;
  const double bytesPerMs = double(format_.bitsPerSample) * format_.channels * format_.sampleRate / 8000.0;
  // Rounded half to even.
  const auto queued = static_cast<int64_t>(std::nearbyint(out_.DelayTime() * bytesPerMs));
  const auto played = static_cast<int64_t>(std::nearbyint(elapsed * bytesPerMs));
  const int64_t position = readPosition_ - queued + played;
  return std::clamp<int64_t>(position, 0, SourceSize());
}

size_t TWavBuffer::ReadSource(uint8_t* out, size_t bytes) {
  const size_t frameBytes = static_cast<size_t>(format_.BytesPerFrame());
  const int64_t frame = readPosition_ / static_cast<int64_t>(frameBytes);
  if (source_->Position() != frame) source_->Seek(frame);
  size_t done = 0;
  bool rewound = false;
  while (done + frameBytes <= bytes) {
    const size_t got = source_->Read(out + done, (bytes - done) / frameBytes) * frameBytes;
    done += got;
    if (got > 0) {
      rewound = false;
      continue;
    }
    // At the end of the source: a looping buffer starts again (once per empty read, so an empty
    // source cannot spin).
    if (!loop || rewound) break;
    source_->Seek(0);
    rewound = true;
  }
  readPosition_ = source_->Position() * static_cast<int64_t>(frameBytes);
  // A source whose container does not say its length ends when the decoder runs dry.
  ended = !loop && ((SourceSize() > 0 && readPosition_ >= SourceSize()) || source_->Exhausted());
  return done;
}

bool TWavBuffer::MixInto(int16_t* block, size_t values) {
  if (ended || paused || !out_.IsOpen()) return false;
  const bool stereo = format_.channels == 2, mono = format_.channels == 1;
  const bool full = format_.sampleRate == 44100, half = format_.sampleRate == 22050;
  const bool sixteen = format_.bitsPerSample == 16, eight = format_.bitsPerSample == 8;
  if (!(stereo || mono) || !(full || half) || !(sixteen || eight)) return false;
  // Source bytes per output block: halved per halving of channels, rate or depth.
  int shift = (mono ? 1 : 0) + (half ? 1 : 0) + (eight ? 1 : 0);
  const size_t blockBytes = values * 2;
  const size_t want = (blockBytes >> shift) / static_cast<size_t>(format_.BytesPerFrame()) * format_.BytesPerFrame();
  const size_t got = ReadSource(conversion_.data(), want);
  // Each source value is repeated: twice for mono, twice for 22050 Hz (whole frames).
  const size_t repeat = size_t{1} << ((mono ? 1 : 0) + (half ? 1 : 0));
  const size_t sourceValues = eight ? got : got / 2;
  const size_t outValues = std::min(values, sourceValues * repeat);
  std::vector<int16_t> expanded(outValues);
  for (size_t o = 0; o < outValues; ++o) {
    size_t s;
    if (mono) {
      s = o / repeat;  // one sample feeds `repeat` values
    } else if (half) {
      s = (o / 4) * 2 + (o % 2);  // each frame (left, right) twice
    } else {
      s = o;
    }
    expanded[o] = eight ? FromByte(conversion_[s]) : Read16(&conversion_[2 * s]);
  }
  if (volume_ < 255)
    for (int16_t& v : expanded) v = static_cast<int16_t>((v * volume_) >> 8);
  for (size_t o = 0; o < outValues; ++o) block[o] = static_cast<int16_t>(std::clamp(block[o] + expanded[o], -32768, 32767));
  lastMix_ = out_.NowMs();
  return true;
}

TWavOut::TWavOut(int32_t delayTimeMs)
    : delayTime_(delayTimeMs), blockBytes_(static_cast<size_t>(int64_t{delayTimeMs} * kOutputBytesPerSecond / 1000)) {
  playing = true;
}

TWavOut::~TWavOut() { Close(); }

bool TWavOut::Open() {
  if (open_) return false;
  open_ = true;
  return true;
}

void TWavOut::Close() {
  if (!open_) return;
  buffers_.clear();
  active_.clear();
  block_.clear();
  blockRead_ = 0;
  open_ = false;
}

TWavBuffer* TWavOut::AddBuffer(std::unique_ptr<AudioDecoder> source) {
  buffers_.push_back(std::make_unique<TWavBuffer>(*this, std::move(source)));
  return buffers_.back().get();
}

void TWavOut::RemoveBuffer(TWavBuffer* buffer) {
  Deactivate(buffer);
  std::erase_if(buffers_, [&](const auto& b) { return b.get() == buffer; });
}

void TWavOut::Activate(TWavBuffer* buffer) {
  if (std::find(active_.begin(), active_.end(), buffer) == active_.end()) active_.push_back(buffer);
}

void TWavOut::Deactivate(TWavBuffer* buffer) { std::erase(active_, buffer); }

bool TWavOut::MixAll(int16_t* block) {
  const size_t values = blockBytes_ / 2;
  std::fill(block, block + values, 0);
  bool mixed = false;
  for (auto& buffer : buffers_) mixed = buffer->MixInto(block, values) || mixed;
  return mixed;
}

size_t TWavOut::Render(int16_t* out, size_t frames) {
  const size_t blockFrames = blockBytes_ / 4;
  // Without a block the output waits a quarter of the delay between attempts, as the mixer thread
  // wakes every DelayTime ÷ 4 ms.
  const size_t idleStep = std::max<size_t>(1, static_cast<size_t>(kMixRate) * static_cast<size_t>(delayTime_ / 4) / 1000);
  size_t done = 0;
  while (done < frames) {
    if (blockRead_ < block_.size() / 2) {
      const size_t n = std::min(frames - done, block_.size() / 2 - blockRead_);
      std::memcpy(out + done * 2, block_.data() + blockRead_ * 2, n * 2 * sizeof(int16_t));
      blockRead_ += n;
      done += n;
      rendered_ += n;
      continue;
    }
    if (idleFrames_ == 0 && open_ && !active_.empty() && blockFrames > 0) {
      block_.assign(blockFrames * 2, 0);
      blockRead_ = 0;
      if (MixAll(block_.data())) continue;
      block_.clear();
    }
    if (idleFrames_ == 0) idleFrames_ = idleStep;
    const size_t n = std::min(frames - done, idleFrames_);
    std::memset(out + done * 2, 0, n * 2 * sizeof(int16_t));
    idleFrames_ -= n;
    done += n;
    rendered_ += n;
  }
  return frames;
}

}  // namespace kuzo::media
