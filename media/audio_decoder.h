// Audio decoding through FFmpeg: any container and codec it knows (Ogg Vorbis, WAV in its PCM and
// ADPCM forms, WMA/ASF...) read through a range stream with a custom I/O context, so a file is never
// copied into memory whole. The output is interleaved PCM in a chosen format, converted by FFmpeg's
// resampler: the mixer's 44100 Hz 16-bit stereo by default, or the source's own rate and channel
// count for the wave output mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/range_stream.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace kuzo::media {

class FfmpegInput;

// The message raised for a stream the decoder cannot play.
extern const char* const kBadSoundDataMessage;

struct PcmFormat {
  int sampleRate = 44100;
  int channels = 2;
  int bitsPerSample = 16;  // 16 (signed) or 8 (unsigned, as wave files store it)
  int BytesPerFrame() const { return channels * bitsPerSample / 8; }
};

class AudioDecoder {
 public:
  // Opens the first audio stream of `stream` (named `name` in messages). Raises KuzoError with
  // kBadSoundDataMessage when there is no decodable audio. With `nativeFormat` the output keeps the
  // source's channel count (mono or stereo) and 8-bit sources stay 8-bit; the rate stays when it is
  // 44100 or 22050 Hz (the rates the wave output expands) and becomes 44100 Hz otherwise.
  AudioDecoder(std::unique_ptr<TRangeStream> stream, std::string name, bool nativeFormat = false);
  ~AudioDecoder();
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;

  const PcmFormat& Format() const { return format_; }
  // Decodes up to `frames` frames into `out`; fewer only at the end of the stream (0 after it).
  size_t Read(void* out, size_t frames);
  // Moves to output frame `frame` (frame-exact: decoding resumes at a key point before it and drops
  // what lies before).
  void Seek(int64_t frame);
  int64_t Position() const { return position_; }
  // Length in output frames from the container's duration; 0 when it does not say.
  int64_t Length() const { return length_; }
  bool AtEnd() const { return finished_ && pending_.size() == pendingRead_; }
  // Whether another Read would give nothing; decodes ahead when it has to find out, so the end of a
  // stream is known the moment its last frame was read.
  bool Exhausted();

  // Upper bound of packets read without producing a sample before the stream counts as ended: a
  // damaged file ends instead of spinning through garbage.
  static constexpr int kMaxIdlePackets = 4096;

 private:
  void DecodeMore();
  void Convert(AVFrame* frame);
  bool SetUpResampler(const AVFrame* frame);
  void Close();

  std::unique_ptr<TRangeStream> stream_;
  std::string name_;
  PcmFormat format_;
  std::unique_ptr<FfmpegInput> input_;  // the container over stream_
  AVCodecContext* codec_ = nullptr;
  SwrContext* resampler_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  int resamplerRate_ = 0, resamplerChannels_ = 0, resamplerFormat_ = -1;
  std::vector<uint8_t> pending_;  // converted bytes not yet handed out
  size_t pendingRead_ = 0;
  int64_t position_ = 0;     // output frames handed out (or the seek target)
  int64_t skipFrames_ = 0;   // frames still to drop after a seek
  int64_t length_ = 0;
  bool draining_ = false;    // end of input seen; flushing decoder and resampler
  bool finished_ = false;
};

}  // namespace kuzo::media
